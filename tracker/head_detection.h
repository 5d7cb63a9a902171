// Head detection: MotionSearch gathers eleven frames of block motion into a
// row and a column profile; HeadBox turns them into a head box.
#pragma once

#include "tracker/frame_input.h"

namespace quil {

void stepMotionSearch(TrackerState& s, Desktop& desktop, FrameInput& frame);
void stepHeadBox(TrackerState& s, Desktop& desktop, FrameInput& frame);

// Sets headTop, headBottom, headLeft, headRight from the profiles and returns
// whether the box is plausible.
[[nodiscard]] bool boxFromProfiles(DetectionState& detection);

}  // namespace quil
