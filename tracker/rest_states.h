// The short states around tracking: Lost, Restart, KeyboardToggle, HandPause.
#pragma once

#include "tracker/frame_input.h"

namespace quil {

void stepLost(TrackerState& s, Desktop& desktop, FrameInput& frame);
void stepRestart(TrackerState& s, Desktop& desktop, FrameInput& frame);
void stepKeyboardToggle(TrackerState& s, Desktop& desktop, FrameInput& frame);
void stepHandPause(TrackerState& s, Desktop& desktop, FrameInput& frame);

}  // namespace quil
