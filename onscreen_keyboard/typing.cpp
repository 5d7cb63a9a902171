#include "onscreen_keyboard/typing.h"

#include <array>

namespace quil::osk {

namespace {

constexpr char16_t kAcute = u'\u00B4';
constexpr char16_t kDiaeresis = u'\u00A8';

struct Composed {
    char16_t vowel;
    char16_t acute;
    char16_t diaeresis;
};

constexpr std::array<Composed, 10> kVowels{{
    {u'a', u'\u00E1', u'\u00E4'},
    {u'e', u'\u00E9', u'\u00EB'},
    {u'i', u'\u00ED', u'\u00EF'},
    {u'o', u'\u00F3', u'\u00F6'},
    {u'u', u'\u00FA', u'\u00FC'},
    {u'A', u'\u00C1', u'\u00C4'},
    {u'E', u'\u00C9', u'\u00CB'},
    {u'I', u'\u00CD', u'\u00CF'},
    {u'O', u'\u00D3', u'\u00D6'},
    {u'U', u'\u00DA', u'\u00DC'},
}};

}  // namespace

char16_t composeAccent(char16_t accent, char16_t vowel) {
    for (const Composed& c : kVowels) {
        if (c.vowel != vowel) continue;
        if (accent == kAcute) return c.acute;
        if (accent == kDiaeresis) return c.diaeresis;
    }
    return 0;
}

// Caps lock turns letters only; shift while it is on gives lower case
// again, as on a physical keyboard.
char16_t TypingState::characterOf(const Key& key) const {
    const bool upper = key.kind == KeyKind::Letter ? shift_ != capsLock_ : shift_;
    return upper ? key.shifted : key.base;
}

// A pending accent lands on a vowel; before any other character both are
// typed, so that nothing the user chose is lost.
std::u16string TypingState::withAccent(char16_t c) {
    std::u16string out;
    if (accent_ != 0) {
        const char16_t composed = composeAccent(accent_, c);
        if (composed != 0) {
            out.push_back(composed);
        } else {
            out.push_back(accent_);
            out.push_back(c);
        }
        accent_ = 0;
    } else {
        out.push_back(c);
    }
    return out;
}

Typed TypingState::press(const Key& key) {
    Typed t;
    switch (key.kind) {
        case KeyKind::Letter:
        case KeyKind::Symbol:
            t.text = withAccent(characterOf(key));
            shift_ = false;
            break;
        case KeyKind::DeadAccent: {
            const char16_t accent = shift_ ? key.shifted : key.base;
            shift_ = false;
            if (accent_ != 0) {
                // A second accent key types the first accent on its own.
                t.text.push_back(accent_);
                accent_ = 0;
            } else {
                accent_ = accent;
            }
            break;
        }
        case KeyKind::Space:
            t.text = accent_ != 0 ? std::u16string(1, accent_) : std::u16string(u" ");
            accent_ = 0;
            shift_ = false;
            break;
        case KeyKind::Backspace:
            // A pending accent is the last thing the user did: take it back
            // first, without erasing text.
            if (accent_ != 0) {
                accent_ = 0;
            } else {
                t.special = SpecialKey::Backspace;
            }
            shift_ = false;
            break;
        case KeyKind::Enter:
            accent_ = 0;
            shift_ = false;
            t.special = SpecialKey::Enter;
            break;
        case KeyKind::Shift:
            shift_ = !shift_;
            break;
        case KeyKind::CapsLock:
            capsLock_ = !capsLock_;
            shift_ = false;
            break;
        case KeyKind::Hide:
            t.hide = true;
            break;
        case KeyKind::Dock:
            t.dock = key.base;
            break;
        case KeyKind::Scroll:
            t.request = TrackerRequest::Scroll;
            break;
        case KeyKind::Pause:
            t.request = TrackerRequest::Pause;
            break;
        case KeyKind::DoubleClick:
        case KeyKind::RightClick:
            break;
        case KeyKind::Suggestion:
            // The word brings its own capitals and accents.
            accent_ = 0;
            shift_ = false;
            t.suggestion = key.base;
            break;
        case KeyKind::Forget:
            t.forget = true;
            break;
    }
    return t;
}

}  // namespace quil::osk
