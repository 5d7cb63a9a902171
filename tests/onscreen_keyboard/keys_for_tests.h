// Finding keys of the layout by what they are, for the tests.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <utility>

#include "onscreen_keyboard/layout.h"

namespace quil::osk::testing {

// The index of the first key of that kind (and base character, if given).
inline std::size_t indexOf(KeyKind kind, char16_t base = 0) {
    const auto keys = allKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].kind == kind && (base == 0 || keys[i].base == base)) return i;
    }
    throw std::invalid_argument("no such key");
}

inline const Key& keyOf(KeyKind kind, char16_t base = 0) { return allKeys()[indexOf(kind, base)]; }

inline std::pair<int, int> centreOf(const Key& k) {
    return {(k.left + k.right) / 2, (k.top + k.bottom) / 2};
}

}  // namespace quil::osk::testing
