// Deliberate eye and mouth gestures read from the 68-point outlines. The eyes
// count as shut when they are much less open than this user's open level of
// the last seconds, the mouth as open when the inner lips are far apart; and
// either only once held for a while, so that a blink (under 0.3 s) and
// talking (the mouth opens and shuts several times a second) never act.
// Narrowed eyes that come with a smile, a laugh or a look down are not
// closings. While a gesture is made the pointer stays where it was when the
// gesture began, so that the click lands where the user aimed.
#include <algorithm>
#include <cmath>

#include "pointer/clicks.h"
#include "tracker/precise/precise_internal.h"

namespace quil::precise {

namespace {

// Per sensitivity (low, medium, high): the eyes shut below this share of
// their open level; the mouth open above this inner-lip ratio; either held
// this many ticks (0.6, 0.45, 0.375 s).
constexpr double kEyesShare[3] = {0.55, 0.63, 0.70};
constexpr double kMouthOpening[3] = {0.42, 0.35, 0.28};
constexpr int kHoldTicks[3] = {8, 6, 5};
// With the user's own levels from the gesture check, the thresholds sit this
// share of the way from rest to what the user reached, moved by the
// sensitivity this much either way, within these bounds.
constexpr double kCheckShare = 0.5;
constexpr double kCheckShift = 0.05;
constexpr double kEyesShareLeast = 0.40, kEyesShareMost = 0.85;
constexpr double kMouthLeast = 0.12, kMouthMost = 0.50;
// Narrowed eyes that are not a closing: the mouth open or widened in a smile,
// or the brows farther above the eyes' corners than usual (looking down
// lowers the eyes under still brows; shutting the eyes on purpose brings the
// brows down, if anything).
constexpr double kEyesMouthVeto = 0.15;
constexpr double kEyesSmileVeto = 1.07;
constexpr double kEyesBrowsVeto = 1.08;
// Eyes count as shut only while the head moves less than this share of the
// eyes' distance a tick; the mouth as open while it moves less than this
// (a user holds the head to click; a head swung to point stretches the
// outlines).
constexpr double kEyesStillShare = 0.04;
constexpr double kMouthStillShare = 0.1;
// Turned this far aside of its usual turn (nose tip offset over the eyes'
// distance), the outlines of the far eye and of the mouth are guesses: no
// gesture counts.
constexpr double kTurnedAside = 0.2;
// The pointer is held at where the face was this many ticks before the
// gesture crossed its threshold: it began to show a little earlier.
constexpr int kFreezeLookBack = 2;
// Below one pixel of face motion the head counts as still (for dwell).
constexpr double kStillDistance = 1.0;
// Talking moves the lips by more than this (inner-lip ratio) from one tick to
// the next; dwell waits until they have kept still this many ticks. A user
// who dwells on a target holds the face still; one who talks is not aiming.
constexpr double kTalkChange = 0.06;
constexpr int kTalkTicks = 10;
// The gesture check: each request lasts this many ticks (3 s), of which the
// first ones are the user's time to react; it has worked when the eyes went
// below this share of their open level and the mouth opened this much more
// than at rest. Its result stays on screen this long.
constexpr int kCheckTicks = 40;
constexpr int kCheckReactTicks = 10;
constexpr double kCheckEyesNeeded = 0.85;
constexpr double kCheckMouthNeeded = 0.08;
constexpr int kCheckShowTicks = 20;
constexpr double kLevelScale = 1000.0;

int levelOf(const TrackerState& s) {
    return std::clamp(s.shared.gestureSensitivity.load(), static_cast<int32_t>(SensitivityLow),
                      static_cast<int32_t>(SensitivityHigh));
}

double eyesThreshold(const TrackerState& s, int level) {
    const int32_t measured = s.shared.eyesShutLevel.load();
    if (measured <= 0) return kEyesShare[level];
    const double shut = measured / kLevelScale;
    const double t = shut + kCheckShare * (1.0 - shut) + (level - 1) * kCheckShift;
    return std::clamp(t, kEyesShareLeast, kEyesShareMost);
}

double mouthThreshold(const TrackerState& s, const PreciseOutline& o, int level) {
    const int32_t measured = s.shared.mouthOpenLevel.load();
    if (measured <= 0) return kMouthOpening[level];
    const double open = measured / kLevelScale;
    const double t = o.mouthRest + kCheckShare * (open - o.mouthRest) - (level - 1) * kCheckShift;
    return std::clamp(t, kMouthLeast, kMouthMost);
}

// Counts the ticks a gesture has held and raises its event once per hold.
void countHold(bool holding, int holdTicks, int32_t& ticks, bool& spent, bool& event) {
    if (!holding) {
        ticks = 0;
        spent = false;
        return;
    }
    ++ticks;
    if (ticks >= holdTicks && !spent) {
        event = true;
        spent = true;
    }
}

void rememberPosition(PreciseOutline& o, double x, double y) {
    if (o.positionCount == kPositionHistoryTicks) {
        std::copy(o.positions.begin() + 2, o.positions.end(), o.positions.begin());
        --o.positionCount;
    }
    o.positions[static_cast<size_t>(2 * o.positionCount)] = x;
    o.positions[static_cast<size_t>(2 * o.positionCount + 1)] = y;
    ++o.positionCount;
}

void showPrompt(Desktop& desktop, GesturePrompt prompt) { desktop.showGesturePrompt(prompt); }

// The gesture check, one tick: the lowest eye opening while the eyes are
// asked shut and the widest mouth while it is asked open, after the user's
// time to react. True while the check runs.
bool stepCheck(TrackerState& s, Desktop& desktop) {
    PreciseOutline& o = s.precise.outline;
    if (s.shared.gestureCheckRequested.exchange(false) && o.check == CheckStep::Off) {
        o.check = CheckStep::CloseEyes;
        o.checkTicks = 0;
        o.checkEyes = 1.0;
        o.checkMouth = 0.0;
        showPrompt(desktop, GesturePrompt::CloseEyes);
    }
    if (o.check == CheckStep::Off) return false;
    ++o.checkTicks;
    const bool measuring = o.checkTicks > kCheckReactTicks;
    if (o.check == CheckStep::CloseEyes) {
        if (measuring) o.checkEyes = std::min(o.checkEyes, o.eyesRatio);
        if (o.checkTicks >= kCheckTicks) {
            o.check = CheckStep::OpenMouth;
            o.checkTicks = 0;
            showPrompt(desktop, GesturePrompt::OpenMouth);
        }
    } else if (o.check == CheckStep::OpenMouth) {
        if (measuring) o.checkMouth = std::max(o.checkMouth, o.now.mouth);
        if (o.checkTicks >= kCheckTicks) {
            const bool worked =
                o.checkEyes < kCheckEyesNeeded && o.checkMouth > o.mouthRest + kCheckMouthNeeded;
            if (worked) {
                s.shared.eyesShutLevel =
                    static_cast<int32_t>(std::lround(o.checkEyes * kLevelScale));
                s.shared.mouthOpenLevel =
                    static_cast<int32_t>(std::lround(o.checkMouth * kLevelScale));
                s.shared.optionsToSave = true;
            }
            o.check = CheckStep::Showing;
            o.checkTicks = 0;
            showPrompt(desktop, worked ? GesturePrompt::Done : GesturePrompt::Failed);
        }
    } else if (o.checkTicks >= kCheckShowTicks) {
        o.check = CheckStep::Off;
        showPrompt(desktop, GesturePrompt::None);
    }
    return true;
}

}  // namespace

void readOutlineGestures(TrackerState& s, double moved) {
    PreciseOutline& o = s.precise.outline;
    const OutlineMeasures& m = o.now;
    const int level = levelOf(s);
    o.eyesRatio = o.eyesOpenLevel > 0 ? m.eyes / o.eyesOpenLevel : 1.0;
    const bool narrowedOtherwise = m.mouth > o.mouthRest + kEyesMouthVeto ||
                                   m.smile > kEyesSmileVeto * o.smileRest ||
                                   m.brows > kEyesBrowsVeto * o.browsRest;
    const bool facing = std::abs(m.turn - o.turnRest) < kTurnedAside;
    o.eyesShut = o.eyesRatio < eyesThreshold(s, level) && !narrowedOtherwise && facing &&
                 moved < kEyesStillShare * m.eyeGap;
    o.mouthOpen =
        m.mouth > mouthThreshold(s, o, level) && facing && moved < kMouthStillShare * m.eyeGap;
    if (std::abs(m.mouth - o.lastMouth) > kTalkChange) {
        o.talkTicks = kTalkTicks;
    } else if (o.talkTicks > 0) {
        --o.talkTicks;
    }
    o.lastMouth = m.mouth;
}

void holdPointerForGesture(TrackerState& s, double& x, double& y) {
    PreciseOutline& o = s.precise.outline;
    const bool gesturing = (o.eyesShut && (examined(s, GestureEye))) ||
                           (o.mouthOpen && examined(s, GestureMouth)) || o.check != CheckStep::Off;
    if (gesturing && !o.frozen && o.positionCount > 0) {
        const int back = std::max(0, o.positionCount - 1 - kFreezeLookBack);
        o.frozen = true;
        o.frozenX = o.positions[static_cast<size_t>(2 * back)];
        o.frozenY = o.positions[static_cast<size_t>(2 * back + 1)];
    } else if (!gesturing) {
        o.frozen = false;
    }
    rememberPosition(o, x, y);
    if (o.frozen) {
        x = o.frozenX;
        y = o.frozenY;
    }
}

void detectOutlineEvents(TrackerState& s, double /*faceX*/, double /*faceY*/) {
    PreciseState& p = s.precise;
    DeliberateGestures& d = p.deliberate;
    PreciseOutline& o = p.outline;
    d.eyeMeasure = o.eyesRatio;
    d.mouthMeasure = o.now.mouth;
    if (o.check != CheckStep::Off) {
        d.eyesClosedFrames = d.mouthOpenFrames = 0;
        d.eyesSpent = d.mouthSpent = true;
        return;
    }
    if (restAfterAction(s.pointer)) {
        // A hold that has acted, or is going on, during the rest must end
        // before it can count again.
        d.eyesSpent = o.eyesShut;
        d.mouthSpent = o.mouthOpen;
        d.eyesClosedFrames = 0;
        d.mouthOpenFrames = 0;
        return;
    }
    const int hold = kHoldTicks[levelOf(s)];
    d.holdLength = hold;
    if (examined(s, GestureEye)) {
        countHold(o.eyesShut, hold, d.eyesClosedFrames, d.eyesSpent, s.pointer.eyeEvent);
    }
    if (examined(s, GestureMouth) && !s.pointer.eyeEvent) {
        countHold(o.mouthOpen, hold, d.mouthOpenFrames, d.mouthSpent, s.pointer.mouthEvent);
    }
    // Dwell keeps its rule, but not while a gesture holds the pointer.
    if (s.pointer.moveDistance >= kStillDistance || o.talkTicks > 0) {
        s.pointer.dwellFrames = 0;
    } else if (examined(s, GestureDwell) && !o.frozen) {
        if (++s.pointer.dwellFrames >= s.pointer.dwellLimit) {
            s.pointer.dwellEvent = true;
            s.pointer.dwellFrames = 0;
        }
    }
}

bool runGestureCheck(TrackerState& s, Desktop& desktop) { return stepCheck(s, desktop); }

void endOutline(TrackerState& s, Desktop& desktop) {
    if (s.precise.outline.check != CheckStep::Off) desktop.showGesturePrompt(GesturePrompt::None);
    s.precise.outline.reset();
    s.shared.gestureCheckAvailable = false;
}

}  // namespace quil::precise
