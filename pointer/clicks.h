// Click generation: eye-closing, mouth-opening and dwell gestures become left
// clicks, drag presses and releases, or click messages to the keyboard.
#pragma once

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

enum GestureIndex : int { GestureEye = 0, GestureMouth = 1, GestureDwell = 2 };

// Updates the event flags, the cooldown and dwellFrames for this frame's face
// position (currentGrid and previousGrid hold this and the previous frame).
void detectEvents(TrackerState& s, double faceX, double faceY);

// The first pending gesture in the order eye, mouth, dwell, or -1.
[[nodiscard]] int pendingGesture(const TrackerState& s);

void runGestureAction(TrackerState& s, Desktop& desktop, int gesture, ScreenPoint frameStart);
void leftClick(Desktop& desktop);
void toggleDrag(TrackerState& s, Desktop& desktop);

}  // namespace quil
