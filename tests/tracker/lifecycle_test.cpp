// The endings' table, row by row: a tracker caught in the middle of
// everything (a drag held, the keyboard shown, a gesture check running, idle
// frames counted, a face known to both engines) is ended each way, with each
// engine, and what was reset is compared with the row.
#include "tracker/lifecycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "options/options_file.h"
#include "recording_desktop.h"
#include "tracker/frame_driver.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

constexpr WindowHandle kKeyboard = 77;
constexpr WindowHandle kEyes = 55;

struct Row {
    const char* name;
    Ending ending;
    int32_t engine;
    int32_t stateBefore;
    bool optionsReread;
    bool idleZeroed;
    bool warmUpSkipped;
    bool keyboardTold;
    bool eyesClosed;
};

// The table in lifecycle.h, as the user meets it.
const Row kRows[] = {
    // name, ending, engine, state, options, idle, warm-up, keyboard, eyes
    {"loss_classic", Ending::TrackingLost, ClassicEngine, Lost, true, false, false, true, false},
    {"loss_precise", Ending::TrackingLost, PreciseEngine, Lost, true, true, true, true, false},
    {"camera_tracking_classic", Ending::CameraLost, ClassicEngine, Tracking, false, true, false,
     true, false},
    {"camera_tracking_precise", Ending::CameraLost, PreciseEngine, Tracking, false, true, true,
     true, false},
    {"camera_calibrating", Ending::CameraLost, ClassicEngine, Calibration, false, true, false,
     false, true},
    {"camera_searching", Ending::CameraLost, PreciseEngine, MotionSearch, false, true, true, false,
     false},
    {"switch_paused_by_hand", Ending::EngineSwitch, PreciseEngine, HandPause, false, true, true,
     true, false},
    {"switch_calibrating", Ending::EngineSwitch, ClassicEngine, Calibration, false, true, false,
     false, true},
};

class Lifecycle : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        s = std::make_unique<TrackerState>();
        buildIntakeTable(*s);
        s->session.blockRows = 24;
        s->engine = GetParam().engine;
        s->state = GetParam().stateBefore;
        s->pointer.buttonHeld = true;
        s->pointer.idleFrames = 150;
        s->view.previewDwellFrames = 9;
        s->frame.pauseActive = true;
        s->frame.pauseFrames = 3;
        s->keyboard.window = kKeyboard;
        s->keyboard.hidden = false;
        s->shared.eyesWindow = kEyes;
        s->face.refX = 300;
        s->face.latticeOffsets.assign(40, 1);
        s->track.lastFoundX = 310.0;
        s->detection.detectFrames = 12;
        s->precise.search.sightings = 4;
        s->precise.outline.check = CheckStep::OpenMouth;
        s->shared.gestureCheckAvailable = true;
        // A click gesture chosen in the options window but not yet taken up.
        s->shared.clickGestures[0] = 0;
        s->shared.optionFlags[3 * 3] = 1;  // the click row, first column
    }
    bool called(DesktopCall::Kind kind) const {
        return std::any_of(desktop.calls.begin(), desktop.calls.end(),
                           [&](const DesktopCall& c) { return c.kind == kind; });
    }

    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
};

TEST_P(Lifecycle, ResetsWhatItsRowSays) {
    const Row& row = GetParam();
    endTracking(*s, desktop, row.ending);

    // What every ending does.
    EXPECT_EQ(s->state, Restart);
    EXPECT_FALSE(s->pointer.buttonHeld);
    EXPECT_TRUE(called(DesktopCall::ButtonUp)) << "a held drag is let go";
    EXPECT_EQ(s->face.refX, 0);
    EXPECT_TRUE(s->face.latticeOffsets.empty());
    EXPECT_GE(s->face.latticeOffsets.capacity(), 40u) << "storage kept for the next calibration";
    EXPECT_EQ(s->track.lastFoundX, 0.0);
    EXPECT_EQ(s->detection.detectFrames, 0);
    EXPECT_EQ(s->view.previewDwellFrames, 0);
    EXPECT_EQ(s->precise.search.sightings, 0);
    EXPECT_EQ(s->precise.outline.check, CheckStep::Off);
    EXPECT_FALSE(s->shared.gestureCheckAvailable);
    EXPECT_TRUE(called(DesktopCall::GesturePrompt)) << "the check's prompt taken down";

    // What the row decides.
    EXPECT_EQ(s->shared.clickGestures[0] == 1, row.optionsReread);
    EXPECT_EQ(s->pointer.idleFrames == 0, row.idleZeroed);
    EXPECT_EQ(!s->frame.pauseActive, row.warmUpSkipped);
    EXPECT_EQ(s->keyboard.hidden.load(), row.keyboardTold);
    EXPECT_EQ(called(DesktopCall::CloseEyes), row.eyesClosed);
}

TEST_P(Lifecycle, ARuleAgreesWithItsRow) {
    const Row& row = GetParam();
    const EndingRule rule = endingRule(row.ending, row.engine);
    EXPECT_EQ(rule.rereadOptions, row.optionsReread);
    EXPECT_EQ(rule.zeroIdleCount, row.idleZeroed);
    EXPECT_EQ(rule.skipWarmUp, row.warmUpSkipped);
}

INSTANTIATE_TEST_SUITE_P(Endings, Lifecycle, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Nothing held, nothing shown: an ending makes no call it need not.
TEST(LifecycleQuiet, AnEndingWithNothingHeldTouchesNothing) {
    auto s = std::make_unique<TrackerState>();
    buildIntakeTable(*s);
    s->session.blockRows = 24;
    s->state = Tracking;
    RecordingDesktop desktop;
    endTracking(*s, desktop, Ending::CameraLost);
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_EQ(s->state, Restart);
}

}  // namespace
}  // namespace quil
