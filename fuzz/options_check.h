// The option table's rules, checked by the harnesses that change it: the
// buttons' row is clear, and every derived value is the one its row gives
// (only the value 1 counts as chosen; the first chosen wins).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "tracker/tracker_state.h"

namespace quil::fuzz {

inline constexpr std::array<int32_t, kStoredOptionCount> kDefaultTable{1, 0, 0, 0, 1, 0, 0, 1,
                                                                       0, 0, 1, 0, 1, 0, 0};
// The head range at the largest setting, frame pixels.
inline constexpr double kFullRangeWidth = 65.0;
inline constexpr double kFullRangeHeight = 35.0;

inline std::array<int32_t, kStoredOptionCount> storedTable(const TrackerState& s) {
    std::array<int32_t, kStoredOptionCount> v{};
    for (int i = 0; i < kStoredOptionCount; ++i)
        v[static_cast<std::size_t>(i)] = s.shared.optionFlags[i];
    return v;
}

// The values the apply step derives, against the table. speedFactor is 2
// while the pointer is over the keyboard, 1 otherwise.
inline void checkDerived(const char* harness, const TrackerState& s, double speedFactor = 1.0) {
    const auto& o = s.shared.optionFlags;
    if (s.shared.mirrorX != (o[0] != 1)) broken(harness, "mirrorX is not row 0's");
    const double range = o[3] == 1 ? 0.7 : o[4] == 1 ? 0.6 : 0.5;
    if (s.shared.rangeScale != range) broken(harness, "rangeScale is not row 1's");
    const double speed = o[6] == 1 ? 30.0 : o[7] == 1 ? 45.0 : 60.0;
    if (s.shared.speedDivisor != speed * speedFactor)
        broken(harness, "speedDivisor is not row 2's");
    for (int k = 0; k < 3; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        if (s.shared.clickGestures[kk] != o[9 + k]) broken(harness, "click gestures are not row 3");
        if (s.shared.dragGestures[kk] != o[12 + k]) broken(harness, "drag gestures are not row 4");
    }
    if (s.shared.headRangeWidth != static_cast<int>(kFullRangeWidth * range) ||
        s.shared.headRangeHeight != static_cast<int>(kFullRangeHeight * range)) {
        broken(harness, "the head range is not row 1's");
    }
    const double gx = s.shared.gainX;
    const double gy = s.shared.gainY;
    if (!std::isfinite(gx) || !std::isfinite(gy) || gx <= 0.0 || gy <= 0.0) {
        broken(harness, "a gain that is not a positive number");
    }
    const int32_t engine = s.shared.engineChoice;
    if (engine != ClassicEngine && engine != PreciseEngine) broken(harness, "an unknown engine");
}

inline void checkButtonsClear(const char* harness, const TrackerState& s) {
    for (int i = kStoredOptionCount; i < kOptionCount; ++i) {
        if (s.shared.optionFlags[i] != 0) broken(harness, "the buttons' row is not clear");
    }
}

}  // namespace quil::fuzz
