// Finding keys of the layout by what they are, for the tests.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <utility>

#include "onscreen_keyboard/layout.h"

namespace quil::osk::testing {

// The index of the first key of that kind (and base character, if given),
// in the layout without or with the suggestions' row.
inline std::size_t indexOf(KeyKind kind, char16_t base = 0, bool suggestionRow = false) {
    const auto keys = allKeys(suggestionRow);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].kind == kind && (base == 0 || keys[i].base == base)) return i;
    }
    throw std::invalid_argument("no such key");
}

inline const Key& keyOf(KeyKind kind, char16_t base = 0, bool suggestionRow = false) {
    return allKeys(suggestionRow)[indexOf(kind, base, suggestionRow)];
}

inline std::pair<int, int> centreOf(const Key& k) {
    return {(k.left + k.right) / 2, (k.top + k.bottom) / 2};
}

}  // namespace quil::osk::testing
