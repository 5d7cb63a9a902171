#include "tracker/lifecycle.h"

#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "pointer/clicks.h"
#include "tracker/head_modes.h"
#include "tracker/imaging_steps.h"
#include "tracker/precise/precise_engine.h"

namespace quil {

EndingRule endingRule(Ending ending, int32_t engine) {
    const bool precise = engine == PreciseEngine;
    EndingRule rule;
    rule.skipWarmUp = precise;
    switch (ending) {
        case Ending::TrackingLost:
            rule.rereadOptions = true;
            rule.zeroIdleCount = precise;
            break;
        case Ending::CameraLost:
        case Ending::EngineSwitch:
            rule.zeroIdleCount = true;
            rule.onlyIfShown = true;
            break;
    }
    return rule;
}

// A drag held when tracking ends would stay down through the new
// calibration, which parks the pointer: whatever lay under it would be
// dragged along. Every ending releases it.
void endTracking(TrackerState& s, Desktop& desktop, Ending ending) {
    const EndingRule rule = endingRule(ending, s.engine);
    endPreciseGestures(s, desktop);
    if (s.state == Calibration) desktop.closeEyesWindow(s.shared.eyesWindow);
    releaseHeldButton(s.pointer, desktop);
    headModesOnTrackingEnd(s, desktop);
    const bool trackingShown =
        s.state == Tracking || s.state == HandPause || s.state == KeyboardToggle;
    if (!rule.onlyIfShown || trackingShown) keyboardOnTrackerLost(s.keyboard, desktop);
    s.face.reset();
    s.clickPatches.reset();
    s.track = {};
    restartDetection(s);
    s.precise.forgetFace();
    s.view.previewDwellFrames = 0;
    if (rule.rereadOptions) applyOptions(s);
    if (rule.zeroIdleCount) s.pointer.idleFrames = 0;
    if (rule.skipWarmUp) s.frame.pauseActive = false;
    s.state = Restart;
}

}  // namespace quil
