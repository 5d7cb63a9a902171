// The hands-free extras' records: the scroll mode, the pause's way back, the
// dwell ring, the refused-window notice and the every-screen mapping. All
// belong to the tracker's thread; the requests and choices that other
// threads make live in SharedState.
//
//   scroll     head modes      the face where scrolling began, the wheel's carry
//   tilt       head modes      how long the precise engine has seen the head tilted
//   resume     head modes      the nods seen while paused
//   ring       pointer         what the dwell ring shows now
//   refusal    pointer         when a refused window was last told of
//   screens    views           the rectangle the pointer is mapped over
//   shownMode  head modes      the mode the desktop was last told of
//
// A face loss ends the scroll mode and forgets the tilt and the ring; the
// pause and its resume count outlive it (tracker/lifecycle.h).
#pragma once

#include <cstdint>

#include "tracker/desktop.h"

namespace quil {

struct ScrollMode {
    bool on = false;
    // The face position scrolling is measured from, taken on the first
    // tracked frame with the head upright after the mode began.
    bool anchored = false;
    double anchorX = 0.0;
    double anchorY = 0.0;
    // The eye gap at the anchor, in frame pixels: offsets are shares of it.
    double eyeGap = 0.0;
    // Wheel amounts not sent yet (120ths of a notch), and what has been sent.
    double carryVertical = 0.0;
    double carryHorizontal = 0.0;
    // Frames in a row with the head inside the dead zone.
    int32_t restFrames = 0;
};

// The precise engine's head tilt toward a shoulder, which turns scrolling on.
struct TiltGesture {
    // This frame's roll from the calibrated eye line, in degrees.
    double rollDegrees = 0.0;
    int32_t heldFrames = 0;
    // A tilt that has acted must come back upright before it counts again.
    bool spent = false;
    // Where the pointer was when the head began to tilt: tilting moves the
    // face a little, and scrolling starts from the pointer's place before it.
    bool started = false;
    ScreenPoint startPointer;
};

// The nods seen while paused, toward the pair that resumes.
struct ResumeGesture {
    int32_t nods = 0;
    int32_t framesSinceNod = 0;
};

struct DwellRingShown {
    int32_t thousandths = 0;
    ScreenPoint centre;
};

struct RefusalNotice {
    // Told of in this episode: not again until a click reaches a window or
    // enough frames have passed.
    bool told = false;
    int32_t framesSinceTold = 0;
};

// The rectangle the head range is mapped over: the primary screen (origin 0,
// the session's size) unless the user chose every screen.
struct ScreenSpan {
    bool allScreens = false;
    ScreenRect rect;
};

struct HandsFreeState {
    ScrollMode scroll;
    TiltGesture tilt;
    ResumeGesture resume;
    DwellRingShown ring;
    RefusalNotice refusal;
    ScreenSpan screens;
    HeadMode shownMode = HeadMode::Pointing;
    // A dwell must wait for the head to move once: set when the scroll mode
    // ends, which the user may have ended by holding still.
    bool dwellWaitsForMotion = false;
    // The pointer's last place off the on-screen keyboard: the keyboard's
    // scroll key starts scrolling there, not over the keyboard.
    ScreenPoint offKeyboard;
    bool offKeyboardKnown = false;
    // The dwell progress the on-screen keyboard was last told of.
    int32_t keyboardDwell = 0;
};

}  // namespace quil
