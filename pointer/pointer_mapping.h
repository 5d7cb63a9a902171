// Pointer motion: the head range around the calibrated face is stretched over
// the screen, and the pointer steps toward that target by the square of the
// remaining distance times a gain, which gives a dead zone against jitter.
#pragma once

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// Nearest int, ties toward minus infinity (2.5 -> 2, -2.5 -> -3); values
// beyond the int range saturate and NaN gives 0.
[[nodiscard]] int roundNearest(double v);

// The tracker's thread, at a calibration: centres the head range on the
// face's reference point and publishes that point for resizeHeadRange.
void setHeadRange(TrackerState& s);
// Any thread (the options window's): sizes the head range by the option
// around the published point; the face template is the tracker's alone.
void resizeHeadRange(SharedState& shared);
void computeGains(TrackerState& s);
// Sets targetX, targetY from the face position (frame column, top-down row):
// a quadratic step from lastTargetX/Y toward the face's place in the head
// range, clamped to the pointer bounds. mirrorX reverses the horizontal
// response so that the pointer follows the head the same way round with a
// mirrored picture.
void mapPointer(TrackerState& s, double faceX, double faceY);

// Strictly inside the keyboard rectangle.
[[nodiscard]] bool insideKeyboard(const TrackerState& s, ScreenPoint p);
// The keyboard is announced and visible: only then does the tracker send it
// pointer and click messages.
[[nodiscard]] bool keyboardShown(const TrackerState& s);

// Moves the pointer to the target and handles the keyboard zone, testing the
// pointer position read at the start of the frame.
void movePointer(TrackerState& s, Desktop& desktop, ScreenPoint frameStart);

}  // namespace quil
