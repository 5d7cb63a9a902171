// Tracking: one frame of following the face, moving the pointer and clicking.
#pragma once

#include <cstdint>
#include <span>

#include "tracker/frame_input.h"

namespace quil {

void trackFrame(TrackerState& s, Desktop& desktop, FrameInput& frame);

// The pieces of a tracking frame that both engines share.
// The pointer moved by hand since the last frame: tracking pauses.
void checkHandMove(TrackerState& s, Desktop& desktop);
// Sets the event flags for a face found at (faceX, faceY).
using FaceEventDetector = void (*)(TrackerState& s, double faceX, double faceY);
// With the face found: pointer mapping, head gestures, the engine's events,
// actions, the idle rule.
void followFace(TrackerState& s, Desktop& desktop, FrameInput& frame, double faceX, double faceY,
                FaceEventDetector detectFaceEvents);
// The tracking cross on the head range's centre.
void drawTrackingCross(TrackerState& s, FrameInput& frame);

// Draws the marker cross into a bottom-up BGR frame, clipped to the frame.
void drawCross(std::span<uint8_t> pixels, int centreX, int centreY, uint8_t red, uint8_t green,
               uint8_t blue);

}  // namespace quil
