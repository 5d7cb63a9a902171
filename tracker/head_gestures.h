// Head gestures: a shake restarts tracking, a nod toggles the keyboard. Their
// histories live in TrackerState::gestures and no reset touches them.
#pragma once

#include "tracker/tracker_state.h"

namespace quil {

[[nodiscard]] bool detectShake(TrackerState& s, int faceColumn);
[[nodiscard]] bool detectNod(GestureHistory& g, int faceRow, int faceColumn);

}  // namespace quil
