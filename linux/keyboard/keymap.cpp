#include "linux/keyboard/keymap.h"

#include <algorithm>

namespace quil::lnx {

namespace {
constexpr char32_t kLatin1PrintableEnd = 0x7F;
constexpr char32_t kLatin1HighStart = 0xA0;
constexpr char32_t kLatin1End = 0x100;
constexpr KeySym32 kUnicodeKeysymBase = 0x01000000;
}  // namespace

KeySym32 keysymForCharacter(char32_t c) {
    if ((c >= U' ' && c < kLatin1PrintableEnd) || (c >= kLatin1HighStart && c < kLatin1End))
        return static_cast<KeySym32>(c);
    return kUnicodeKeysymBase | static_cast<KeySym32>(c);
}

int KeyTable::keycodeCount() const {
    if (perKeycode <= 0) return 0;
    return static_cast<int>(syms.size() / static_cast<std::size_t>(perKeycode));
}

KeySym32 KeyTable::at(int keycode, int column) const {
    const int row = keycode - firstKeycode;
    if (row < 0 || row >= keycodeCount() || column < 0 || column >= perKeycode) return kNoSymbol;
    return syms[static_cast<std::size_t>(row) * static_cast<std::size_t>(perKeycode) +
                static_cast<std::size_t>(column)];
}

std::optional<KeyStroke> findStroke(const KeyTable& table, KeySym32 sym) {
    if (sym == kNoSymbol) return std::nullopt;
    // A plain key anywhere beats a shifted one, as shift may change more
    // than the case on some layouts.
    for (int column = 0; column < std::min(table.perKeycode, 2); ++column) {
        for (int k = table.firstKeycode; k < table.firstKeycode + table.keycodeCount(); ++k) {
            if (table.at(k, column) == sym) return KeyStroke{k, column == 1};
        }
    }
    return std::nullopt;
}

std::vector<int> spareKeycodes(const KeyTable& table, std::size_t limit) {
    std::vector<int> spare;
    for (int k = table.firstKeycode;
         k < table.firstKeycode + table.keycodeCount() && spare.size() < limit; ++k) {
        bool empty = true;
        for (int column = 0; column < table.perKeycode && empty; ++column)
            empty = table.at(k, column) == kNoSymbol;
        if (empty) spare.push_back(k);
    }
    return spare;
}

// What XChangeKeyboardMapping gave the keycode, whichever way the server
// repeats the two keysyms across its columns.
bool SpareKeys::holds(const KeyTable& core, const Slot& s) {
    if (core.at(s.keycode, 0) != s.lower) return false;
    for (int column = 1; column < core.perKeycode; ++column) {
        const KeySym32 sym = core.at(s.keycode, column);
        if (sym != kNoSymbol && sym != s.lower && sym != s.upper) return false;
    }
    return true;
}

std::optional<int> SpareKeys::lend(const KeyTable& core, KeySym32 lower, KeySym32 upper) {
    std::erase_if(slots_, [&](const Slot& s) { return !holds(core, s); });
    ++clock_;
    Slot* slot = nullptr;
    for (Slot& s : slots_) {
        if (s.lower == lower) slot = &s;
    }
    if (slot == nullptr && slots_.size() < kept_) {
        // A keycode already lent holds its character, so is not empty.
        const std::vector<int> empty = spareKeycodes(core, 1);
        if (!empty.empty())
            slot = &slots_.emplace_back(Slot{empty.front(), kNoSymbol, kNoSymbol, 0});
    }
    if (slot == nullptr && !slots_.empty()) {
        slot = &*std::min_element(slots_.begin(), slots_.end(),
                                  [](const Slot& a, const Slot& b) { return a.used < b.used; });
    }
    if (slot == nullptr) return std::nullopt;
    slot->lower = lower;
    slot->upper = upper;
    slot->used = clock_;
    return slot->keycode;
}

void SpareKeys::touch(int keycode) {
    ++clock_;
    for (Slot& s : slots_) {
        if (s.keycode == keycode) s.used = clock_;
    }
}

std::vector<int> SpareKeys::lent(const KeyTable& core) const {
    std::vector<int> out;
    for (const Slot& s : slots_) {
        if (holds(core, s)) out.push_back(s.keycode);
    }
    return out;
}

}  // namespace quil::lnx
