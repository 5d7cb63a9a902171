// The scroll mode's wheel: how far the head is from where scrolling began
// turns into wheel amounts, nothing inside a dead zone and faster the
// further past it.
#pragma once

#include <cstdint>

#include "tracker/hands_free_state.h"

namespace quil {

// The wheel is sent in whole multiples of this many 120ths of a notch (a
// quarter notch): programs that scroll smoothly take them as they come, and
// those that wait for whole notches get one every four.
inline constexpr int32_t kWheelQuantum = 30;

struct WheelTurn {
    int32_t vertical = 0;    // positive scrolls up
    int32_t horizontal = 0;  // positive scrolls right
    friend bool operator==(const WheelTurn&, const WheelTurn&) = default;
};

// The head's offset from where scrolling began, in shares of the eye gap,
// in the user's terms: up and to the user's right are positive.
struct HeadOffset {
    double up = 0.0;
    double right = 0.0;
};

// Both axes within the dead zone.
[[nodiscard]] bool insideScrollDeadZone(HeadOffset offset);
// The wheel's speed on one axis for an offset along it, in 120ths of a notch
// per frame, signed like the offset; 0 inside the dead zone.
[[nodiscard]] double wheelRate(double offset);
// One frame of scrolling: adds this frame's rates to the carry and takes
// out what makes whole quanta. Non-finite offsets turn nothing.
WheelTurn turnWheel(ScrollMode& mode, HeadOffset offset);

}  // namespace quil
