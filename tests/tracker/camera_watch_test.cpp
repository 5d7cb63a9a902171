#include "tracker/camera_watch.h"

#include <gtest/gtest.h>

#include "tracker/calibration.h"
#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

constexpr int64_t kTick = 75;

std::vector<int32_t> optionValues(const TrackerState& s) {
    std::vector<int32_t> v;
    for (int i = 0; i < kOptionCount; ++i) v.push_back(s.shared.optionFlags[i].load());
    return v;
}

// Ticks from `from` to `to` (exclusive) in steps of 75 ms, every one with a
// frame when `frames` is set; returns the steps seen, in order, without
// repeats of the same step.
std::vector<CameraStep> run(CameraWatch& w, int64_t from, int64_t to, bool frames) {
    std::vector<CameraStep> steps;
    for (int64_t t = from; t < to; t += kTick) {
        const CameraStep step = w.tick(t);
        if (steps.empty() || steps.back() != step) steps.push_back(step);
        if (step == CameraStep::Grab && frames) w.frameArrived(t);
        if (step == CameraStep::Reconnect) w.reconnected(t, false);
    }
    return steps;
}

TEST(CameraWatch, AFlowingCameraIsGrabbedAndASilentOneIsSoughtEveryTwoSeconds) {
    CameraWatch w;
    w.connected(0);
    EXPECT_EQ(run(w, 0, 60000, true), std::vector<CameraStep>{CameraStep::Grab});
    EXPECT_FALSE(w.away());

    // Frames stop: grabs go on for two seconds, then the camera is gone, and
    // is looked for at once and then every two seconds.
    std::vector<int64_t> attempts;
    bool gone = false;
    int64_t goneAt = 0;
    for (int64_t t = 60000; t < 70000; t += kTick) {
        switch (w.tick(t)) {
            case CameraStep::Grab:
                EXPECT_FALSE(gone);
                break;
            case CameraStep::Gone:
                EXPECT_FALSE(gone) << "gone once, not on every tick";
                gone = true;
                goneAt = t;
                break;
            case CameraStep::Reconnect:
                attempts.push_back(t);
                w.reconnected(t, false);
                break;
            case CameraStep::Wait:
                break;
        }
    }
    ASSERT_TRUE(gone);
    EXPECT_GE(goneAt - 59925, kCameraSilenceMs);
    EXPECT_LT(goneAt - 59925, kCameraSilenceMs + kTick);
    ASSERT_GE(attempts.size(), 4u);
    EXPECT_EQ(attempts[0], goneAt + kTick);
    for (size_t i = 1; i < attempts.size(); ++i) {
        EXPECT_GE(attempts[i] - attempts[i - 1], kCameraRetryMs);
        EXPECT_LT(attempts[i] - attempts[i - 1], kCameraRetryMs + kTick);
    }
    EXPECT_EQ(w.losses(), 1);

    // Plugged back: connected, it is grabbed again and has its full two
    // seconds before it could be judged gone again.
    int64_t t = 70000;
    while (w.tick(t) != CameraStep::Reconnect) t += kTick;
    w.reconnected(t, true);
    EXPECT_FALSE(w.away());
    EXPECT_EQ(w.returns(), 1);
    EXPECT_EQ(run(w, t + kTick, t + kCameraSilenceMs, false),
              std::vector<CameraStep>{CameraStep::Grab});
    EXPECT_EQ(run(w, t + kCameraSilenceMs, t + kCameraSilenceMs + 1, false),
              std::vector<CameraStep>{CameraStep::Gone});
}

// After a sleep the program's own timer resumes late; the camera is not
// blamed for the time the program was not running.
TEST(CameraWatch, ATickLongAfterTheLastOneGivesTheCameraItsTimeAgain) {
    CameraWatch w;
    w.connected(0);
    w.frameArrived(0);
    EXPECT_EQ(w.tick(kTick), CameraStep::Grab);
    EXPECT_EQ(w.tick(3'600'000), CameraStep::Grab);
    w.frameArrived(3'600'000);
    EXPECT_EQ(run(w, 3'600'075, 3'660'000, true), std::vector<CameraStep>{CameraStep::Grab});
    EXPECT_EQ(w.losses(), 0);
}

class CameraGone : public ::testing::Test {
protected:
    void SetUp() override {
        s = testing::justCalibrated(desktop, 50);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->state, Tracking);
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
};

// The camera leaves mid-drag with the keyboard shown: the button comes up,
// the keyboard goes as on a loss, and once frames flow again the tracker
// looks for the head in the large view; the options and the keyboard link
// are as they were.
TEST_F(CameraGone, ReleasesTheButtonAndStartsOverWithTheOptionsAndKeyboardKept) {
    s->pointer.buttonHeld = true;
    s->keyboard.window = testing::kKeyboardWindow;
    s->keyboard.hidden = false;
    s->shared.optionFlags[5] = 1;
    const auto options = optionValues(*s);
    s->pointer.idleFrames = 150;

    cameraGone(*s, desktop);
    EXPECT_FALSE(s->pointer.buttonHeld);
    ASSERT_FALSE(desktop.calls.empty());
    EXPECT_EQ(desktop.calls.front().kind, DesktopCall::ButtonUp);
    EXPECT_TRUE(s->keyboard.hidden);
    EXPECT_EQ(s->keyboard.window, testing::kKeyboardWindow);
    EXPECT_EQ(optionValues(*s), options);
    EXPECT_EQ(s->state, Restart);
    EXPECT_EQ(s->pointer.idleFrames, 0) << "a still user is not lost again at once";

    // Gone again before any frame: nothing more to release.
    desktop.calls.clear();
    cameraGone(*s, desktop);
    EXPECT_TRUE(desktop.calls.empty());

    testing::Frame f = testing::texturedFrame(7);
    // After the warm-up pause and the first look that any fresh start has.
    testing::feed(*s, desktop, f, 23);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_TRUE(s->view.largeView);
}

TEST_F(CameraGone, DuringCalibrationClosesTheEyesWindow) {
    s->state = Calibration;
    cameraGone(*s, desktop);
    EXPECT_EQ(desktop.calls,
              (std::vector<DesktopCall>{{DesktopCall::CloseEyes, testing::kEyesWindow}}));
    EXPECT_EQ(s->state, Restart);
}

}  // namespace
}  // namespace quil
