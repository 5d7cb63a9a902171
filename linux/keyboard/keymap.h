// Reading and borrowing the X keyboard mapping, apart from the X server:
// which keycode types a keysym (and whether with shift), and which keycodes
// are free to lend to a character the keymap lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quil::lnx {

using KeySym32 = std::uint32_t;
inline constexpr KeySym32 kNoSymbol = 0;

// The keysym X names a Unicode character by: Latin-1 is its own keysym,
// everything else lies in the Unicode keysym range.
KeySym32 keysymForCharacter(char32_t c);

// The core keyboard mapping as XGetKeyboardMapping gives it: `perKeycode`
// keysyms for each keycode from `firstKeycode` on, row after row.
struct KeyTable {
    int firstKeycode = 0;
    int perKeycode = 0;
    std::vector<KeySym32> syms;

    [[nodiscard]] int keycodeCount() const;
    // The keysym at `column` of `keycode`; NoSymbol outside the table.
    [[nodiscard]] KeySym32 at(int keycode, int column) const;
};

struct KeyStroke {
    int keycode = 0;
    bool shift = false;
    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The key that types `sym` in the first group, plain or with shift; other
// levels (AltGr, other groups) need modifiers this keyboard does not hold,
// so a keysym found only there counts as missing.
std::optional<KeyStroke> findStroke(const KeyTable& table, KeySym32 sym);

// Keycodes that type nothing at all, lowest first, at most `limit` of them.
std::vector<int> spareKeycodes(const KeyTable& table, std::size_t limit);

// The spare keycodes lent to characters, reused least recently used first:
// a lent keycode keeps its character until it is needed again, so that a
// program still reading the earlier key press finds the character there.
class SpareKeys {
public:
    explicit SpareKeys(std::vector<int> keycodes) : slots_(keycodes.size()) {
        for (std::size_t i = 0; i < keycodes.size(); ++i) slots_[i].keycode = keycodes[i];
    }

    struct Lend {
        int keycode = 0;
        bool remap = false;  // the keycode must be given the keysym first
    };
    // The keycode to type `sym` with; empty when there are no spares.
    std::optional<Lend> lend(KeySym32 sym);
    // The keycodes that were given a keysym, to be emptied again.
    [[nodiscard]] std::vector<int> lent() const;

private:
    struct Slot {
        int keycode = 0;
        KeySym32 sym = kNoSymbol;
        std::uint64_t used = 0;
    };
    std::vector<Slot> slots_;
    std::uint64_t clock_ = 0;
};

}  // namespace quil::lnx
