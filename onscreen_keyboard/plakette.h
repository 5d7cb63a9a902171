// What the keyboard does with each message of the tracker and each press
// of a key, apart from the window system: which key is highlighted or
// flashing, the typing state, the armed click and the current dock. The
// Win32 program carries out what each call returns.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "onscreen_keyboard/layout.h"
#include "onscreen_keyboard/typing.h"

namespace quil::osk {

// The extra click armed for the next click outside the keyboard.
enum class Latch { None, DoubleClick, RightClick };

// What to do after a key press: the typing outcome (characters, a special
// key, hide, dock) and whether the picture changed.
struct KeyResult {
    std::optional<std::size_t> key;  // the key pressed, if any
    Typed typed;
    bool repaint = false;
};

class Plakette {
public:
    // A key press at (x, y) in window pixels, from the tracker's key-press
    // message (the pointer's place) or a real click. Nothing happens on a
    // border or outside every key.
    KeyResult pressAt(int x, int y);

    // The pointer is over the window at (x, y): highlight the key under it.
    // Returns whether the picture changed.
    bool pointerOver(int x, int y);
    // The pointer has left the window. Returns whether the picture changed.
    bool pointerLeft();
    // A click was made outside the keyboard: the highlight goes, and the
    // armed click (if any) is to be made now, and disarmed.
    Latch clickOutside();
    // The flash of the last typed key is over.
    bool flashOver();

    // The keyboard moved to a dock (by its key or at start).
    void docked(unsigned code) { dock_ = code; }
    // The suggested words' row shown above the keys or not: the keys move,
    // so neither highlight nor flash stays on them.
    void showSuggestionRow(bool shown);

    [[nodiscard]] std::optional<std::size_t> highlighted() const { return highlight_; }
    [[nodiscard]] std::optional<std::size_t> flashing() const { return flash_; }
    [[nodiscard]] Latch latch() const { return latch_; }
    [[nodiscard]] unsigned dock() const { return dock_; }
    [[nodiscard]] bool suggestionRow() const { return suggestionRow_; }
    // The keys as they lie now (allKeys() with or without the row).
    [[nodiscard]] std::span<const Key> keys() const { return allKeys(suggestionRow_); }
    [[nodiscard]] const TypingState& typing() const { return typing_; }

    // Whether a key is shown latched: an active shift, caps lock, the armed
    // click, the accent waiting for its vowel.
    [[nodiscard]] bool latched(const Key& key) const;

private:
    TypingState typing_;
    std::optional<std::size_t> highlight_;
    std::optional<std::size_t> flash_;
    Latch latch_ = Latch::None;
    unsigned dock_ = '1';
    bool suggestionRow_ = false;
};

}  // namespace quil::osk
