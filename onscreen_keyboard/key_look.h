// How the keyboard looks, apart from any toolkit: its colours and label
// sizes, and for each key its face, what it shows and where. The Windows
// program (GDI) and the Linux keyboard window (Qt) draw from this alone,
// so that the two pictures agree pixel for pixel where the toolkits allow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "onscreen_keyboard/plakette.h"
#include "onscreen_keyboard/suggestions.h"

namespace quil::osk {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

// High contrast: light on near-black; the state colours differ in
// brightness as well as hue.
inline constexpr Rgb kBackground = 0x000000;
inline constexpr Rgb kKeyFace = 0x303030;
inline constexpr Rgb kKeyBorder = 0x969696;
inline constexpr Rgb kLabel = 0xFFFFFF;
inline constexpr Rgb kHintLabel = 0xBEBEBE;
inline constexpr Rgb kHighlightFace = 0xFFDD00;
inline constexpr Rgb kFlashFace = 0xFFFFFF;
inline constexpr Rgb kLatchedFace = 0x0060C8;
inline constexpr Rgb kDarkLabel = 0x000000;
// The dwell click's fill rising on the key under the pointer: darker than
// the highlight, so the part still to come stays visible.
inline constexpr Rgb kDwellFill = 0xFF7A00;

// Label sizes, as the height of a font's cell in pixels.
inline constexpr int kCharacterFontHeight = 22;
inline constexpr int kWordFontHeight = 12;
// For a word that does not fit a key at the normal size.
inline constexpr int kNarrowWordFontHeight = 10;
inline constexpr int kHintFontHeight = 11;

// A rectangle in window pixels; right and bottom lie just outside it.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] constexpr int width() const { return right - left; }
    [[nodiscard]] constexpr int height() const { return bottom - top; }
    friend bool operator==(const Box&, const Box&) = default;
};

// What one key looks like. Its face is filled and framed one pixel wide in
// kKeyBorder; on it, by the key's kind, one of:
// - a character (letters, symbols, the accent key), large and centred, and
//   for symbols and the accent the other character small at the hint's
//   top-left corner;
// - a dock's small screen, framed, with the keyboard filled in at its place;
// - a word (the command keys), centred, in the word size, or in the narrow
//   one when wordFits() says it does not fit.
struct KeyLook {
    Box face;
    Rgb faceColour = kKeyFace;
    Rgb labelColour = kLabel;
    char16_t character = 0;
    char16_t hint = 0;
    Box hintPlace;
    Rgb hintColour = kHintLabel;
    bool dock = false;
    Box dockScreen;
    Box dockBoard;
    std::u16string_view word;
    // The dwell click's progress: this part of the face, from the bottom
    // up, in kDwellFill under the label; empty when no click is coming.
    Box dwellFill;

    // Whether a word this many pixels wide fits the key at the word size.
    [[nodiscard]] bool wordFits(int width) const;
};

// What the look shows beyond the keys' own state.
struct LookExtras {
    const Suggestions* suggestions = nullptr;  // the words on the row; none: empty
    int dwellThousandths = 0;                  // on the highlighted key
};

// The look of keys.keys()[index] in the keyboard's present state.
KeyLook lookOf(const Plakette& keys, std::size_t index, const LookExtras& extras = {});

}  // namespace quil::osk
