// The precise engine's pointer. The classic engine steps toward where the
// head points by the square of the distance, which stills the pointer near
// its goal but makes it close in ever more slowly. The precise engine's face
// position is steady enough to be taken straight: the head range stretched
// over the screen, smoothed in screen pixels by a One Euro filter, and held on
// a leash: the pointer moves only as far as the filtered place pulls beyond
// the leash's length, so a still head gives a still pointer, and a moving
// one drags it along from its first frame.
#pragma once

#include "tracker/tracker_state.h"

namespace quil {

// A place on the screen, in fractional pixels.
struct ScreenPlace {
    double x = 0.0;
    double y = 0.0;
};

// The pointer's place for a raw screen place `seconds` after the last.
[[nodiscard]] ScreenPlace smoothPointerStep(SmoothPointer& p, ScreenPlace raw, double seconds);

}  // namespace quil
