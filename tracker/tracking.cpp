#include "tracker/tracking.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/grids.h"
#include "imaging/template_search.h"
#include "pointer/clicks.h"
#include "pointer/pointer_mapping.h"
#include "tracker/head_gestures.h"
#include "tracker/head_modes.h"
#include "tracker/imaging_steps.h"

namespace quil {

namespace {

// A pointer jump larger than this between frames was made by hand.
constexpr int kHandMoveLimit = 20;
// Mean difference per lattice point at which the face counts as lost.
constexpr double kLostCost = 45.4545;
// Below this many pixels on both axes the pointer counts as idle.
constexpr int kIdleMove = 2;
constexpr int kIdleFrameLimit = 200;

constexpr uint8_t kTrackRed = 0;
constexpr uint8_t kTrackGreen = 255;
constexpr uint8_t kTrackBlue = 0;

constexpr int kBarHalfLength = 75;
constexpr int kBarAbove = 3;  // buffer rows m-3 .. m+2
constexpr int kBarBelow = 2;
constexpr int kUprightAbove = 50;  // buffer rows m-50 .. m+49
constexpr int kUprightBelow = 49;
constexpr int kUprightLeft = 3;  // columns c-3 .. c+2
constexpr int kUprightRight = 2;

// Positions handed to the gesture recognisers are whole pixels; a face
// position far outside any int would make the conversion undefined.
int truncToInt(double v) {
    constexpr double kLimit = 1.0e9;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

// Fills the rectangle of columns [c0, c1] and buffer rows [r0, r1], clipped to
// the frame and to the bytes actually given.
void fillRect(std::span<uint8_t> pixels, int c0, int c1, int r0, int r1, uint8_t red, uint8_t green,
              uint8_t blue) {
    const int rowsHeld = static_cast<int>(
        std::min<size_t>(pixels.size() / static_cast<size_t>(kFrameRowBytes), kFrameRows));
    c0 = std::max(c0, 0);
    c1 = std::min(c1, kFrameCols - 1);
    r0 = std::max(r0, 0);
    r1 = std::min(r1, rowsHeld - 1);
    for (int r = r0; r <= r1; ++r) {
        uint8_t* row = pixels.data() + static_cast<size_t>(r) * kFrameRowBytes;
        for (int c = c0; c <= c1; ++c) {
            uint8_t* px = row + 3 * c;
            px[0] = blue;
            px[1] = green;
            px[2] = red;
        }
    }
}

}  // namespace

void drawCross(std::span<uint8_t> pixels, int centreX, int centreY, uint8_t red, uint8_t green,
               uint8_t blue) {
    const int m = kFrameRows - centreY;  // buffer row of the centre (bottom-up rows)
    fillRect(pixels, centreX - kBarHalfLength, centreX + kBarHalfLength, m - kBarAbove,
             m + kBarBelow, red, green, blue);
    fillRect(pixels, centreX - kUprightLeft, centreX + kUprightRight, m - kUprightAbove,
             m + kUprightBelow, red, green, blue);
}

// A pointer jump since the last frame made by hand pauses tracking.
void checkHandMove(TrackerState& s, Desktop& desktop) {
    s.pointer.cursorNow = desktop.cursorPos();
    // Frames between ticks may have carried the pointer on since the tick.
    const ScreenPoint before = s.track.glided ? s.track.glidedTo : s.shared.lastCursor.load();
    s.track.glided = false;
    if (std::abs(s.pointer.cursorNow.x - before.x) > kHandMoveLimit ||
        std::abs(s.pointer.cursorNow.y - before.y) > kHandMoveLimit) {
        s.state = HandPause;
        s.pointer.stillFrames = 0;
    }
}

// Later state assignments override earlier ones: shake beats hand-move, nod
// beats shake, idle beats everything.
void followFace(TrackerState& s, Desktop& desktop, FrameInput& frame, double faceX, double faceY,
                FaceEventDetector detectFaceEvents) {
    FrameReport& report = frame.report;
    report.faceX = faceX;
    report.faceY = faceY;
    bool idle = false;
    s.pointer.moveDistance = std::sqrt((s.track.lastFoundX - faceX) * (s.track.lastFoundX - faceX) +
                                       (s.track.lastFoundY - faceY) * (s.track.lastFoundY - faceY));
    // Paused or scrolling, the pointer stays where it is and nothing clicks;
    // a still pointer then is no sign of an idle user.
    if (headModeFrame(s, desktop, faceX, faceY, detectFaceEvents)) {
        s.track.lastFoundX = faceX;
        s.track.lastFoundY = faceY;
        s.pointer.idleFrames = 0;
        s.pointer.cursorNow = desktop.cursorPos();
        s.shared.lastCursor.store(s.pointer.cursorNow);
        return;
    }
    mapPointer(s, faceX, faceY);
    if (!s.shared.optionsOpen && detectShake(s, truncToInt(faceX))) s.state = Lost;
    if (!s.shared.optionsOpen && detectNod(s.gestures, truncToInt(faceY), truncToInt(faceX))) {
        s.state = KeyboardToggle;
    }
    detectFaceEvents(s, faceX, faceY);
    holdDwellUntilMotion(s);
    const int gesture = pendingGesture(s);
    if (gesture >= 0) {
        report.action = runGestureAction(s, desktop, gesture, frame.frameStartCursor);
    } else {
        movePointer(s, desktop, frame.frameStartCursor);
    }
    s.track.lastTargetX = s.pointer.targetX;
    s.track.lastTargetY = s.pointer.targetY;
    s.track.lastFoundX = faceX;
    s.track.lastFoundY = faceY;
    afterPointingFrame(s, desktop);

    s.pointer.cursorNow = desktop.cursorPos();
    const ScreenPoint last = s.shared.lastCursor.load();
    if (std::abs(s.pointer.cursorNow.x - last.x) < kIdleMove &&
        std::abs(s.pointer.cursorNow.y - last.y) < kIdleMove) {
        ++s.pointer.idleFrames;
        if (s.pointer.idleFrames >= kIdleFrameLimit) {
            s.state = Lost;
            idle = true;
        }
    } else {
        s.pointer.idleFrames = 0;
    }
    s.shared.lastCursor.store(s.pointer.cursorNow);
    // Idle beats everything, a nod beats a shake.
    if (s.state == Lost) report.loss = idle ? LossReason::Idle : LossReason::HeadShake;
}

void drawTrackingCross(TrackerState& s, FrameInput& frame) {
    drawCross(frame.pixels, s.shared.headRangeCentreX, s.shared.headRangeCentreY, kTrackRed,
              kTrackGreen, kTrackBlue);
}

// One frame of following the face. Lost beats hand-move.
void trackFrame(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    checkHandMove(s, desktop);
    const FaceFix fix = locateFace(s, s.frame.currentGrid);
    FrameReport& report = frame.report;
    if (std::isfinite(fix.meanDifference)) report.cost = fix.meanDifference;
    // A cost that is not a number, or a position that is not finite, is no
    // face either.
    if (!(static_cast<double>(fix.cost) < kLostCost) || !std::isfinite(fix.faceX) ||
        !std::isfinite(fix.faceY)) {
        s.state = Lost;
        report.loss = LossReason::FaceLost;
    } else {
        followFace(s, desktop, frame, fix.faceX, fix.faceY,
                   [](TrackerState& t, double x, double y) { detectEvents(t, x, y); });
    }
    drawTrackingCross(s, frame);
}

}  // namespace quil
