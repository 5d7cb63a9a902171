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

std::optional<SpareKeys::Lend> SpareKeys::lend(KeySym32 sym) {
    if (slots_.empty()) return std::nullopt;
    ++clock_;
    for (Slot& s : slots_) {
        if (s.sym == sym) {
            s.used = clock_;
            return Lend{s.keycode, false};
        }
    }
    auto oldest = std::min_element(slots_.begin(), slots_.end(),
                                   [](const Slot& a, const Slot& b) { return a.used < b.used; });
    oldest->sym = sym;
    oldest->used = clock_;
    return Lend{oldest->keycode, true};
}

std::vector<int> SpareKeys::lent() const {
    std::vector<int> out;
    for (const Slot& s : slots_) {
        if (s.sym != kNoSymbol) out.push_back(s.keycode);
    }
    return out;
}

}  // namespace quil::lnx
