// The wheel's amounts in 120ths of a notch turned into whole notches for
// devices that only click (X's wheel buttons, uinput's low-resolution axis):
// what is left over waits for the next call, so slow scrolling still moves.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quil::lnx {

inline constexpr int32_t kWheelNotch = 120;
// At most this many notches in one call: a wild amount must not flood the
// window under the pointer with clicks. The excess is dropped.
inline constexpr int32_t kMaxNotchesPerCall = 20;

class WheelNotches {
public:
    // Adds `amount` 120ths and returns the whole notches now due (signed),
    // keeping the remainder.
    int32_t take(int32_t amount) {
        const int64_t total = int64_t{rest_} + amount;
        const int64_t whole = total / kWheelNotch;  // toward zero: the rest keeps its sign
        rest_ = static_cast<int32_t>(total - whole * kWheelNotch);
        return static_cast<int32_t>(
            std::clamp<int64_t>(whole, -kMaxNotchesPerCall, kMaxNotchesPerCall));
    }
    [[nodiscard]] int32_t rest() const { return rest_; }

private:
    int32_t rest_ = 0;
};

}  // namespace quil::lnx
