#include "tracker/head_modes.h"

#include <algorithm>
#include <cmath>

#include "pointer/click_feedback.h"
#include "pointer/clicks.h"
#include "pointer/pointer_mapping.h"
#include "pointer/scroll_wheel.h"
#include "tracker/head_gestures.h"

namespace quil {

namespace {

// The way back from the pause is two nods (each the five alternating steps
// that toggle the keyboard otherwise) within this many frames (6 s at 13
// frames a second, room for two nods at an unhurried pace). It works alike for both engines and for
// every click choice, since it uses neither the eyes nor the mouth nor a still head; one nod in
// conversation or to music does not resume, and a single nod's rhythm is already unlike talking.
constexpr int32_t kResumeNods = 2;
constexpr int32_t kResumeWindowFrames = 80;

// Scrolling ends after the head has stayed inside the dead zone this long
// (3 s at 13 frames a second), counted from the mode's start as well: a user
// who turns it on and then holds still is never left in it.
constexpr int32_t kScrollRestFrames = 40;

// The head tilt that starts scrolling: the eye line rolled past this many
// degrees toward a shoulder, for this many frames in a row (0.6 s). Pointing,
// nodding and shaking turn the head about the other two axes and leave the
// eye line within a few degrees of level, and a head leaning while it points
// stays within 15; the eyes and the mouth do not roll it at all. It must come
// back under the upright angle before it counts again, and scrolling is
// measured from the face once upright.
constexpr double kScrollTiltDegrees = 20.0;
constexpr double kUprightDegrees = 8.0;
constexpr int32_t kTiltHoldFrames = 8;

// Below one pixel of face motion the head counts as still, as for the dwell.
constexpr double kStillDistance = 1.0;

constexpr double kFaceLimit = 1.0e9;

int wholePixels(double v) { return static_cast<int>(std::clamp(v, -kFaceLimit, kFaceLimit)); }

bool followingFace(const TrackerState& s) {
    return s.state == Tracking || s.state == HandPause || s.state == KeyboardToggle;
}

// The distance between the eyes now, in frame pixels: offsets are shares of
// it, so the same head motion scrolls alike near the camera and far from it.
double eyeGapNow(const TrackerState& s) {
    if (s.engine == PreciseEngine) {
        const FacePose& pose = s.precise.face.pose;
        return s.precise.face.eyeGap * std::hypot(pose.a, pose.b);
    }
    return 2.0 * s.face.halfEyeGap;
}

void publishHeadMode(TrackerState& s, Desktop& desktop) {
    s.shared.scrolling = s.handsFree.scroll.on;
    const HeadMode mode = s.shared.paused.load()  ? HeadMode::Paused
                          : s.handsFree.scroll.on ? HeadMode::Scrolling
                                                  : HeadMode::Pointing;
    if (mode == s.handsFree.shownMode) return;
    s.handsFree.shownMode = mode;
    desktop.showHeadMode(mode);
}

// Whatever the gestures had built up is dropped: nothing half-done acts
// when the mode changes.
void dropPendingGestures(TrackerState& s) {
    s.pointer.eyeEvent = false;
    s.pointer.mouthEvent = false;
    s.pointer.dwellEvent = false;
    s.pointer.dwellFrames = 0;
    s.precise.deliberate.eyesClosedFrames = 0;
    s.precise.deliberate.mouthOpenFrames = 0;
}

void stopScrolling(TrackerState& s) {
    if (!s.handsFree.scroll.on) return;
    s.handsFree.scroll = {};
    // The user may have ended it by holding still: a dwell click must not
    // follow by itself.
    s.handsFree.dwellWaitsForMotion = true;
}

void pausedFrame(TrackerState& s, Desktop& desktop, double faceX, double faceY) {
    ResumeGesture& r = s.handsFree.resume;
    if (r.nods > 0 && ++r.framesSinceNod > kResumeWindowFrames) r = {};
    if (detectNod(s.gestures, wholePixels(faceY), wholePixels(faceX))) {
        ++r.nods;
        r.framesSinceNod = 0;
    }
    if (r.nods >= kResumeNods) endPause(s, desktop);
}

// The head's offset from the anchor, up and to the user's right: with a
// mirrored picture the face moves the way the head does, otherwise the
// other way (as the pointer mapping reads it).
HeadOffset offsetFrom(const ScrollMode& m, const TrackerState& s, double faceX, double faceY) {
    const double right = s.shared.mirrorX.load() ? faceX - m.anchorX : m.anchorX - faceX;
    return {(m.anchorY - faceY) / m.eyeGap, right / m.eyeGap};
}

void scrollingFrame(TrackerState& s, Desktop& desktop, double faceX, double faceY,
                    FaceEventDetector detectFaceEvents) {
    ScrollMode& m = s.handsFree.scroll;
    // The eyes or the mouth end scrolling without clicking. Dwell does not:
    // holding the head still past the dead zone is how one scrolls.
    detectFaceEvents(s, faceX, faceY);
    s.pointer.dwellEvent = false;
    s.pointer.dwellFrames = 0;
    if (s.pointer.eyeEvent || s.pointer.mouthEvent) {
        s.pointer.eyeEvent = false;
        s.pointer.mouthEvent = false;
        s.pointer.clickCooldown = true;
        endScrollMode(s, desktop);
        return;
    }
    if (!m.anchored) {
        const double gap = eyeGapNow(s);
        if (std::fabs(s.handsFree.tilt.rollDegrees) >= kUprightDegrees || !(gap > 0.0)) return;
        m.anchored = true;
        m.anchorX = faceX;
        m.anchorY = faceY;
        m.eyeGap = gap;
    }
    const HeadOffset offset = offsetFrom(m, s, faceX, faceY);
    if (insideScrollDeadZone(offset)) {
        if (++m.restFrames >= kScrollRestFrames) {
            endScrollMode(s, desktop);
            return;
        }
    } else {
        m.restFrames = 0;
    }
    const WheelTurn turn = turnWheel(m, offset);
    if (turn != WheelTurn{}) desktop.scrollWheel(turn.vertical, turn.horizontal);
}

}  // namespace

void takeHeadModeRequests(TrackerState& s, Desktop& desktop) {
    countRefusalTime(s.handsFree.refusal);
    if (s.shared.pauseToggleRequested.exchange(false)) {
        if (s.shared.paused.load()) {
            endPause(s, desktop);
        } else {
            startPause(s, desktop);
        }
    }
    if (s.shared.scrollToggleRequested.exchange(false)) {
        if (s.handsFree.scroll.on) {
            endScrollMode(s, desktop);
        } else {
            static_cast<void>(startScrollMode(s, desktop));
        }
    }
    publishHeadMode(s, desktop);
}

void startPause(TrackerState& s, Desktop& desktop) {
    if (s.shared.paused.load()) return;
    s.shared.paused = true;
    // A nod seen on the frame before must not toggle the keyboard now.
    if (s.state == KeyboardToggle) s.state = Tracking;
    stopScrolling(s);
    releaseHeldButton(s.pointer, desktop);
    hideDwellRing(s, desktop);
    dropPendingGestures(s);
    s.handsFree.resume = {};
    if (s.shared.keepPause.load()) s.shared.optionsToSave = true;
    publishHeadMode(s, desktop);
}

void endPause(TrackerState& s, Desktop& desktop) {
    if (!s.shared.paused.load()) return;
    s.shared.paused = false;
    s.handsFree.resume = {};
    dropPendingGestures(s);
    if (s.shared.keepPause.load()) s.shared.optionsToSave = true;
    publishHeadMode(s, desktop);
}

bool startScrollMode(TrackerState& s, Desktop& desktop) {
    if (s.shared.paused.load() || !followingFace(s)) return false;
    if (s.handsFree.scroll.on) return true;
    s.handsFree.scroll = {};
    s.handsFree.scroll.on = true;
    hideDwellRing(s, desktop);
    dropPendingGestures(s);
    // Turned on from the keyboard's key, the pointer is over the keyboard;
    // the wheel is meant for the window the user was at before it.
    const ScreenPoint at = desktop.cursorPos();
    if (keyboardShown(s) && insideKeyboard(s, at) && s.handsFree.offKeyboardKnown) {
        const ScreenPoint back = s.handsFree.offKeyboard;
        desktop.setCursorPos(back.x, back.y);
        s.shared.lastCursor.store(back);
        s.track.lastTargetX = back.x;
        s.track.lastTargetY = back.y;
    }
    publishHeadMode(s, desktop);
    return true;
}

void endScrollMode(TrackerState& s, Desktop& desktop) {
    if (!s.handsFree.scroll.on) return;
    stopScrolling(s);
    publishHeadMode(s, desktop);
}

bool headModeFrame(TrackerState& s, Desktop& desktop, double faceX, double faceY,
                   FaceEventDetector detectFaceEvents) {
    if (s.shared.paused.load()) {
        pausedFrame(s, desktop, faceX, faceY);
        return true;
    }
    if (!s.handsFree.scroll.on) return false;
    scrollingFrame(s, desktop, faceX, faceY, detectFaceEvents);
    return true;
}

void followHeadTilt(TrackerState& s, Desktop& desktop, double rollDegrees) {
    TiltGesture& t = s.handsFree.tilt;
    t.rollDegrees = std::isfinite(rollDegrees) ? rollDegrees : 0.0;
    const double roll = std::fabs(t.rollDegrees);
    if (roll < kUprightDegrees) {
        t.heldFrames = 0;
        t.spent = false;
        t.started = false;
        return;
    }
    if (!t.started) {
        t.started = true;
        t.startPointer = s.shared.lastCursor.load();
    }
    if (roll < kScrollTiltDegrees || t.spent || s.handsFree.scroll.on || s.shared.paused.load() ||
        s.shared.optionsOpen.load()) {
        t.heldFrames = 0;
        return;
    }
    if (++t.heldFrames < kTiltHoldFrames) return;
    t.spent = true;
    t.heldFrames = 0;
    if (!startScrollMode(s, desktop)) return;
    // The tilt carried the pointer a little; scrolling starts where it began.
    desktop.setCursorPos(t.startPointer.x, t.startPointer.y);
    s.shared.lastCursor.store(t.startPointer);
    s.track.lastTargetX = t.startPointer.x;
    s.track.lastTargetY = t.startPointer.y;
}

void holdDwellUntilMotion(TrackerState& s) {
    HandsFreeState& h = s.handsFree;
    if (!h.dwellWaitsForMotion) return;
    if (s.pointer.moveDistance >= kStillDistance) {
        h.dwellWaitsForMotion = false;
    } else {
        s.pointer.dwellFrames = 0;
        s.pointer.dwellEvent = false;
    }
}

void afterPointingFrame(TrackerState& s, Desktop& desktop) {
    HandsFreeState& h = s.handsFree;
    const ScreenPoint at = desktop.cursorPos();
    const bool overKeyboard = keyboardShown(s) && insideKeyboard(s, at);
    if (!overKeyboard) {
        h.offKeyboard = at;
        h.offKeyboardKnown = true;
    }
    const int32_t fill = dwellRingFill(s);
    showDwellRing(s, desktop, at, fill);
    showDwellOnKeyboard(s, desktop, overKeyboard ? fill : 0);
}

void headModesOnTrackingEnd(TrackerState& s, Desktop& desktop) {
    endScrollMode(s, desktop);
    hideDwellRing(s, desktop);
    showDwellOnKeyboard(s, desktop, 0);
    s.handsFree.tilt = {};
}

}  // namespace quil
