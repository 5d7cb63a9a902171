// Calibration: waits for the two eyes to blink as two clusters of changed
// blocks in the head box, then builds the face template and tracking buffers.
#pragma once

#include "tracker/frame_driver.h"

namespace quil {

void stepCalibration(TrackerState& s, Desktop& desktop, FrameInput& frame);

}  // namespace quil
