// Tracking: one frame of following the face, moving the pointer and clicking.
#pragma once

#include <cstdint>
#include <span>

#include "tracker/frame_driver.h"

namespace quil {

void trackFrame(TrackerState& s, Desktop& desktop, FrameInput& frame);

// Draws the marker cross into a bottom-up BGR frame, clipped to the frame.
void drawCross(std::span<uint8_t> pixels, int centreX, int centreY, uint8_t red, uint8_t green,
               uint8_t blue);

}  // namespace quil
