// The head's modes besides pointing: scrolling the window under the pointer,
// and the pause, in which the head does nothing but watch for the way back.
// Both engines share them; the precise engine also turns scrolling on by a
// head tilt. The tray menu and the on-screen keyboard ask through
// SharedState's requests, which the tracker takes at its next frame.
#pragma once

#include "tracker/frame_input.h"
#include "tracker/tracking.h"

namespace quil {

// At the start of every frame: the tray's and the keyboard's requests
// carried out, and the mode shown if it changed.
void takeHeadModeRequests(TrackerState& s, Desktop& desktop);

// The pause: a held drag released, the ring hidden, scrolling ended; no
// pointer motion, click or keyboard message until it ends.
void startPause(TrackerState& s, Desktop& desktop);
void endPause(TrackerState& s, Desktop& desktop);

// Scrolling, measured from the next frame's upright face. Refused (false)
// while paused or while no face is followed.
bool startScrollMode(TrackerState& s, Desktop& desktop);
void endScrollMode(TrackerState& s, Desktop& desktop);

// A frame of a followed face while paused or scrolling: true when it took
// the frame, and the pointer is neither moved nor clicked.
bool headModeFrame(TrackerState& s, Desktop& desktop, double faceX, double faceY,
                   FaceEventDetector detectFaceEvents);

// The precise engine's head roll on this frame, in degrees from the
// calibrated eye line: a tilt held toward a shoulder starts scrolling.
void followHeadTilt(TrackerState& s, Desktop& desktop, double rollDegrees);

// Between a pointing frame's events and its action: a dwell that must first
// see the head move counts nothing until it does.
void holdDwellUntilMotion(TrackerState& s);
// At a pointing frame's end: the ring shows how far a gesture has come, and
// the pointer's place off the keyboard is kept.
void afterPointingFrame(TrackerState& s, Desktop& desktop);

// Tracking ended (a loss, a restart, the camera): scrolling ends and the
// tilt and the ring are forgotten. The pause stays.
void headModesOnTrackingEnd(TrackerState& s, Desktop& desktop);

}  // namespace quil
