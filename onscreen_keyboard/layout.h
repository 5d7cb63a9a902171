// The keyboard's keys: what each one is, where it sits in the 412 x 192
// window (412 x 230 with the suggested words' row on top), and which key
// lies under a point of the window.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace quil::osk {

enum class KeyKind {
    Letter,      // types `base`, or `shifted` with shift or caps lock (not both)
    Symbol,      // types `base`, or `shifted` with shift
    DeadAccent,  // the acute accent, the diaeresis with shift: typed on the next vowel
    Space,
    Backspace,
    Enter,
    Shift,  // one-shot: applies to the next key only
    CapsLock,
    Hide,
    Dock,         // moves the keyboard to the dock `base` ('1'..'5')
    DoubleClick,  // arms a second left click after the next click outside
    RightClick,   // arms a right click after the next click outside
    Scroll,       // turns the tracker's scroll mode on or off
    Pause,        // pauses the tracker, or resumes it
    Suggestion,   // types the suggested word `base` (0..kSuggestionSlots-1)
    Forget,       // forgets the words learnt from the user, pressed twice
};

// The suggested words shown above the keys.
inline constexpr std::size_t kSuggestionSlots = 4;

// The two tracker keys' words; the shells show the same words elsewhere
// (app_layer/texts.h, which this program does not see; a test holds them
// equal).
inline constexpr std::u16string_view kScrollKeyWord = u"Desplazar";
inline constexpr std::u16string_view kPauseKeyWord = u"Pausa";

// A key covers the points strictly inside its rectangle, in window pixels:
// left < x < right and top < y < bottom. Neighbours share their edges, so a
// point on a border between two keys belongs to neither.
struct Key {
    KeyKind kind = KeyKind::Symbol;
    char16_t base = 0;
    char16_t shifted = 0;
    std::u16string_view label;  // for keys that are not one character
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] constexpr bool contains(int x, int y) const {
        return left < x && x < right && top < y && y < bottom;
    }
};

// The grid the keys are laid on: five rows of keys, below the suggestions'
// row when it is shown; each row is cut into half-key units, so that wide
// keys (shift, enter, space) need no special geometry.
inline constexpr int kRows = 5;
inline constexpr int kUnitsPerRow = 24;
inline constexpr int kUnitWidth = 17;
inline constexpr int kRowHeight = 38;
inline constexpr int kMarginX = 2;
inline constexpr int kMarginY = 1;

// A key must stay easy to hit with a head-moved pointer.
inline constexpr int kMinKeyWidth = 2 * kUnitWidth;
inline constexpr int kMinKeyHeight = kRowHeight;

// Every key, row by row from the top, each row from the left. With the
// suggestions' row its keys come last, so that every other key keeps its
// index (and its place, a row lower).
std::span<const Key> allKeys(bool suggestionRow = false);

// Index into allKeys(suggestionRow) of the key strictly under (x, y), in
// window pixels; empty on a border, in the margin or outside the window.
std::optional<std::size_t> keyAt(int x, int y, bool suggestionRow = false);

}  // namespace quil::osk
