#include "onscreen_keyboard/key_look.h"

#include <algorithm>

namespace quil::osk {

namespace {

// Keys are drawn this far inside their rectangle, leaving a visible gap.
constexpr int kKeyInset = 1;
// Room kept free on each side of a word.
constexpr int kLabelPadding = 2;
// The hint's place from the face's top-left corner.
constexpr int kHintOffsetX = 3;
constexpr int kHintOffsetY = 1;

// A dock key shows a small screen with the keyboard at its place in it.
void placeDockIcon(KeyLook& look, char16_t code) {
    constexpr int kScreenW = 24;
    constexpr int kScreenH = 18;
    constexpr int kBoardW = 10;
    constexpr int kBoardH = 5;
    constexpr int kBoardMargin = 2;
    const Box& face = look.face;
    const int left = (face.left + face.right - kScreenW) / 2;
    const int top = (face.top + face.bottom - kScreenH) / 2;
    int bx = left + kBoardMargin;
    int by = top + kScreenH - kBoardH - kBoardMargin;
    if (code == u'1') bx = left + (kScreenW - kBoardW) / 2;
    if (code == u'3' || code == u'4') by = top + kBoardMargin;
    if (code == u'4' || code == u'5') bx = left + kScreenW - kBoardW - kBoardMargin;
    look.dock = true;
    look.dockScreen = {left, top, left + kScreenW, top + kScreenH};
    look.dockBoard = {bx, by, bx + kBoardW, by + kBoardH};
}

}  // namespace

bool KeyLook::wordFits(int width) const { return width <= face.width() - 2 * kLabelPadding; }

KeyLook lookOf(const Plakette& keys, std::size_t index, const LookExtras& extras) {
    const Key& key = keys.keys()[index];
    KeyLook look;
    look.face = {key.left + kKeyInset, key.top + kKeyInset, key.right - kKeyInset + 1,
                 key.bottom - kKeyInset + 1};
    if (keys.latched(key)) look.faceColour = kLatchedFace;
    if (keys.highlighted() == index) {
        look.faceColour = kHighlightFace;
        look.labelColour = kDarkLabel;
    }
    if (keys.highlighted() == index && extras.dwellThousandths > 0) {
        constexpr int kFull = 1000;
        const int shown = std::min(extras.dwellThousandths, kFull);
        look.dwellFill = look.face;
        look.dwellFill.top = look.face.bottom - look.face.height() * shown / kFull;
    }
    if (keys.flashing() == index) {
        look.faceColour = kFlashFace;
        look.labelColour = kDarkLabel;
    }

    const TypingState& typing = keys.typing();
    switch (key.kind) {
        case KeyKind::Letter:
            look.character = typing.shift() != typing.capsLock() ? key.shifted : key.base;
            break;
        case KeyKind::Symbol:
        case KeyKind::DeadAccent: {
            // The character typed now, large; the other one small in the corner.
            const bool shifted = typing.shift();
            look.character = shifted ? key.shifted : key.base;
            look.hint = shifted ? key.base : key.shifted;
            look.hintPlace = look.face;
            look.hintPlace.left += kHintOffsetX;
            look.hintPlace.top += kHintOffsetY;
            look.hintColour = look.labelColour == kLabel ? kHintLabel : look.labelColour;
            break;
        }
        case KeyKind::Dock:
            placeDockIcon(look, key.base);
            break;
        case KeyKind::Suggestion:
            if (extras.suggestions != nullptr) look.word = extras.suggestions->word(key.base);
            break;
        case KeyKind::Forget:
            look.word = key.label;
            if (extras.suggestions != nullptr && extras.suggestions->forgetArmed() &&
                look.faceColour == kKeyFace)
                look.faceColour = kLatchedFace;
            break;
        default:
            look.word = key.label;
            break;
    }
    return look;
}

}  // namespace quil::osk
