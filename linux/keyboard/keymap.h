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

// The spare keycodes lent to characters, each with the character's lower
// and upper case. A lent keycode keeps its character until another one
// needs it, the least recently typed first, so that a program still reading
// an earlier key press finds the character there. The keymap may be
// replaced under them (a new layout chosen): a keycode that no longer holds
// what was lent is forgotten, and one that now types something else is
// never lent again.
class SpareKeys {
public:
    explicit SpareKeys(std::size_t kept) : kept_(kept) {}

    // The keycode to give `lower` and `upper`, chosen on the core keymap
    // `core` as it is now; empty when no keycode is free.
    std::optional<int> lend(const KeyTable& core, KeySym32 lower, KeySym32 upper);
    // A key was typed on `keycode`.
    void touch(int keycode);
    // The keycodes that still hold what was lent to them, to be emptied.
    [[nodiscard]] std::vector<int> lent(const KeyTable& core) const;

private:
    struct Slot {
        int keycode = 0;
        KeySym32 lower = kNoSymbol;
        KeySym32 upper = kNoSymbol;
        std::uint64_t used = 0;
    };
    [[nodiscard]] static bool holds(const KeyTable& core, const Slot& s);

    std::size_t kept_;
    std::vector<Slot> slots_;
    std::uint64_t clock_ = 0;
};

}  // namespace quil::lnx
