#include "onscreen_keyboard/layout.h"

#include <array>

#include "keyboard_link/protocol.h"

namespace quil::osk {

namespace {

// One key as the table below writes it: its kind, characters, label and
// width in half-key units.
struct KeyDef {
    KeyKind kind;
    char16_t base;
    char16_t shifted;
    std::u16string_view label;
    int units;
};

constexpr KeyDef letter(char16_t lower, char16_t upper) {
    return {KeyKind::Letter, lower, upper, {}, 2};
}
constexpr KeyDef symbol(char16_t base, char16_t shifted) {
    return {KeyKind::Symbol, base, shifted, {}, 2};
}
constexpr KeyDef command(KeyKind kind, std::u16string_view label, int units = 2) {
    return {kind, 0, 0, label, units};
}
constexpr KeyDef dock(char16_t code) { return {KeyKind::Dock, code, 0, {}, 2}; }

// A Spanish layout: digits with their usual shifted signs, the accent key
// beside P, Ñ beside L, caps lock left of A. The last row holds what a
// pointer user needs beyond typing: the dock positions, hiding, pausing the
// tracker, and the pointer's other uses (scrolling, the click kinds the head
// cannot make). The window's size is fixed (the tracker's dock table), so
// the tracker keys took their room from Intro and the space bar; Desplazar,
// the longest word, gets a key and a half.
// The suggestions' row: each word on a key as tall as a letter and three
// times as wide, so that a word is as easy to hit as a letter and its whole
// spelling shows; "Olvidar" at the end forgets what was learnt.
constexpr std::array<KeyDef, 5> kSuggestionRow{{{KeyKind::Suggestion, 0, 0, {}, 5},
                                                {KeyKind::Suggestion, 1, 0, {}, 5},
                                                {KeyKind::Suggestion, 2, 0, {}, 5},
                                                {KeyKind::Suggestion, 3, 0, {}, 5},
                                                {KeyKind::Forget, 0, 0, u"Olvidar", 4}}};
static_assert(kSuggestionRow.size() == kSuggestionSlots + 1);

constexpr std::array<KeyDef, 12> kRow0{
    symbol(u'1', u'!'), symbol(u'2', u'"'), symbol(u'3', u'\u00B7'), symbol(u'4', u'$'),
    symbol(u'5', u'%'), symbol(u'6', u'&'), symbol(u'7', u'/'),      symbol(u'8', u'('),
    symbol(u'9', u')'), symbol(u'0', u'='), symbol(u'\'', u'?'),     symbol(u'\u00A1', u'\u00BF'),
};
constexpr std::array<KeyDef, 12> kRow1{
    letter(u'q', u'Q'),
    letter(u'w', u'W'),
    letter(u'e', u'E'),
    letter(u'r', u'R'),
    letter(u't', u'T'),
    letter(u'y', u'Y'),
    letter(u'u', u'U'),
    letter(u'i', u'I'),
    letter(u'o', u'O'),
    letter(u'p', u'P'),
    {KeyKind::DeadAccent, u'\u00B4', u'\u00A8', {}, 2},
    command(KeyKind::Backspace, u"Borrar"),
};
constexpr std::array<KeyDef, 12> kRow2{
    command(KeyKind::CapsLock, u"Bloq"),
    letter(u'a', u'A'),
    letter(u's', u'S'),
    letter(u'd', u'D'),
    letter(u'f', u'F'),
    letter(u'g', u'G'),
    letter(u'h', u'H'),
    letter(u'j', u'J'),
    letter(u'k', u'K'),
    letter(u'l', u'L'),
    letter(u'\u00F1', u'\u00D1'),
    command(KeyKind::Enter, u"Intro"),
};
constexpr std::array<KeyDef, 12> kRow3{
    command(KeyKind::Shift, u"May\u00FAs"),
    letter(u'z', u'Z'),
    letter(u'x', u'X'),
    letter(u'c', u'C'),
    letter(u'v', u'V'),
    letter(u'b', u'B'),
    letter(u'n', u'N'),
    letter(u'm', u'M'),
    symbol(u',', u';'),
    symbol(u'.', u':'),
    symbol(u'-', u'_'),
    symbol(u'@', u'#'),
};
constexpr std::array<KeyDef, 11> kRow4{
    dock(u'2'),
    dock(u'1'),
    dock(u'5'),
    dock(u'3'),
    dock(u'4'),
    command(KeyKind::Space, u"Espacio", 3),
    command(KeyKind::Hide, u"Ocultar"),
    command(KeyKind::Pause, kPauseKeyWord),
    command(KeyKind::Scroll, kScrollKeyWord, 3),
    command(KeyKind::DoubleClick, u"Doble"),
    command(KeyKind::RightClick, u"Dcho."),
};

// Every row fills the window's width exactly.
template <std::size_t N>
constexpr int unitsOf(const std::array<KeyDef, N>& defs) {
    int units = 0;
    for (const KeyDef& d : defs) units += d.units;
    return units;
}
static_assert(unitsOf(kSuggestionRow) == kUnitsPerRow && unitsOf(kRow0) == kUnitsPerRow &&
              unitsOf(kRow1) == kUnitsPerRow && unitsOf(kRow2) == kUnitsPerRow &&
              unitsOf(kRow3) == kUnitsPerRow && unitsOf(kRow4) == kUnitsPerRow);

// The grid fills the window the tracker reckons with, either way.
static_assert(2 * kMarginY + kRows * kRowHeight == keyboard::kKeyboardHeight);
static_assert(kRowHeight == keyboard::kSuggestionRowHeight);

constexpr std::size_t kKeysBelow =
    kRow0.size() + kRow1.size() + kRow2.size() + kRow3.size() + kRow4.size();
constexpr std::size_t kKeyCount = kKeysBelow + kSuggestionRow.size();

// A table of every key; without the suggestions' row only the first
// kKeysBelow are used. rowStart[r] is the first key of grid row r from the
// top, rowStart[kGridRows] the end.
inline constexpr int kGridRows = kRows + 1;
struct Built {
    std::array<Key, kKeyCount> keys{};
    std::array<std::size_t, kGridRows + 1> rowStart{};
    std::size_t count = 0;
    int rows = 0;
};

template <std::size_t N>
constexpr void placeRow(Built& b, std::size_t next, int row, const std::array<KeyDef, N>& defs) {
    int unit = 0;
    for (const KeyDef& s : defs) {
        Key& k = b.keys[next++];
        k.kind = s.kind;
        k.base = s.base;
        k.shifted = s.shifted;
        k.label = s.label;
        k.left = kMarginX + unit * kUnitWidth;
        k.right = kMarginX + (unit + s.units) * kUnitWidth;
        k.top = kMarginY + row * kRowHeight;
        k.bottom = k.top + kRowHeight;
        unit += s.units;
    }
}

// The rows of keys from grid row `first`; the suggestions' row, when
// shown, above them at the table's end.
constexpr Built build(bool suggestionRow) {
    Built b;
    const int first = suggestionRow ? 1 : 0;
    std::size_t next = 0;
    auto row = [&](int r, const auto& defs) {
        b.rowStart[static_cast<std::size_t>(first + r)] = next;
        placeRow(b, next, first + r, defs);
        next += defs.size();
    };
    row(0, kRow0);
    row(1, kRow1);
    row(2, kRow2);
    row(3, kRow3);
    row(4, kRow4);
    b.rows = first + kRows;
    b.rowStart[static_cast<std::size_t>(b.rows)] = next;
    if (suggestionRow) {
        // Row 0 holds the table's last keys: its range is kept apart below.
        placeRow(b, next, 0, kSuggestionRow);
        next += kSuggestionRow.size();
    }
    b.count = next;
    return b;
}

constexpr Built kKeysOnly = build(false);
constexpr Built kWithSuggestions = build(true);

}  // namespace

std::span<const Key> allKeys(bool suggestionRow) {
    const Built& b = suggestionRow ? kWithSuggestions : kKeysOnly;
    return std::span<const Key>(b.keys).first(b.count);
}

// The row follows from y alone; within the row at most a dozen keys are
// compared, so a lookup costs the same wherever the pointer is.
std::optional<std::size_t> keyAt(int x, int y, bool suggestionRow) {
    if (y <= kMarginY || x <= kMarginX) return std::nullopt;
    const Built& b = suggestionRow ? kWithSuggestions : kKeysOnly;
    const int row = (y - kMarginY) / kRowHeight;
    if (row >= b.rows) return std::nullopt;
    const auto r = static_cast<std::size_t>(row);
    std::size_t from = b.rowStart[r];
    std::size_t to = b.rowStart[r + 1];
    if (suggestionRow && row == 0) {
        from = kKeysBelow;
        to = b.count;
    }
    for (std::size_t i = from; i < to; ++i) {
        if (b.keys[i].contains(x, y)) return i;
    }
    return std::nullopt;
}

}  // namespace quil::osk
