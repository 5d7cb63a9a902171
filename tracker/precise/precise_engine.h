// The precise engine: faces found by a detector, calibrated from landmarks
// without blinking, followed by points on the face, and gestures that count
// only when held on purpose. It shares the classic engine's pointer mapping,
// head gestures, idle rules, actions and rest states. Choosing and loading
// it is engine-neutral: tracker/engines.h.
#pragma once

#include <array>
#include <span>

#include "tracker/frame_input.h"

namespace quil {

// The precise engine's step of each state, indexed by the state's value.
extern const std::array<StateStep, kStateCount> kPreciseSteps;

// Takes the frame into the precise engine's pictures (grey, top-down).
void precisePictureIntake(PrecisePictures& p, std::span<const uint8_t> frame);

// A frame between two ticks while following the face: the points are
// followed into it and the pointer carried on by the face's motion since
// the tick. Nothing is counted and no gesture is read.
void followPreciseBetweenTicks(TrackerState& s, Desktop& desktop);

// Ends the outlines' gestures and any gesture check in progress, its prompt
// taken down.
void endPreciseGestures(TrackerState& s, Desktop& desktop);

}  // namespace quil
