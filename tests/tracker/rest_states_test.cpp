#include "tracker/rest_states.h"

#include <gtest/gtest.h>

#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::Frame;
using testing::RecordingDesktop;

class RestStates : public ::testing::Test {
protected:
    void SetUp() override {
        s = testing::justCalibrated(desktop, 50);
        ASSERT_NE(s, nullptr);
        input = FrameInput{std::span<uint8_t>(pixels), {0, 0}, {}};
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
    Frame pixels = Frame(static_cast<size_t>(kFrameBytes), 0);
    FrameInput input;
};

// A loss forgets the face and the detection that found it, keeps what the
// user's pointer carries over (a running idle count), releases a held button
// (the next calibration parks the pointer, which would drag), and keeps the
// buffers' storage for the next calibration.
TEST_F(RestStates, LostForgetsTheFaceAndReleasesTheButton) {
    s->state = Lost;
    s->track.lastFoundX = 1.5;
    s->view.previewDwellFrames = 40;
    s->pointer.idleFrames = 77;
    s->pointer.buttonHeld = true;
    s->detection.rowProfile[2] = 4;
    s->shared.optionFlags[0] = 1;  // unmirrored picture
    s->shared.mirrorX = true;
    const size_t windowStorage = s->face.searchWindow.indices.capacity();
    ASSERT_GT(windowStorage, 0u);
    stepLost(*s, desktop, input);

    EXPECT_EQ(s->state, Restart);
    EXPECT_EQ(s->face.latticeCount, 0);
    EXPECT_TRUE(s->face.searchWindow.indices.empty());
    EXPECT_FALSE(s->clickPatches.eyeMotion.held());
    EXPECT_TRUE(s->detection.headIndices.empty());
    EXPECT_TRUE(s->frame.previousGrid.empty());
    EXPECT_TRUE(s->frame.pauseActive);
    EXPECT_EQ(s->frame.neighbourOffsets, neighbourOffsetsFor(48));
    EXPECT_EQ(s->detection.rowProfile, IntList(48, 0));
    EXPECT_EQ(s->track.lastFoundX, 0.0);
    EXPECT_EQ(s->view.previewDwellFrames, 0);
    EXPECT_FALSE(s->session.circleOffsets.empty());  // the circle mask lives on
    EXPECT_EQ(s->pointer.idleFrames, 77);
    EXPECT_FALSE(s->pointer.buttonHeld);
    EXPECT_FALSE(s->shared.mirrorX);  // the options were applied again
    EXPECT_EQ(s->face.searchWindow.indices.capacity(), windowStorage);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::ButtonUp}}));

    // Released once: a second loss has nothing to release.
    desktop.calls.clear();
    s->state = Lost;
    stepLost(*s, desktop, input);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(RestStates, LostHidesAVisibleKeyboardAndRemembersAHiddenOne) {
    s->keyboard.window = testing::kKeyboardWindow;
    s->keyboard.hidden = false;
    s->keyboard.stayHidden = true;
    stepLost(*s, desktop, input);
    EXPECT_TRUE(s->keyboard.hidden);
    EXPECT_FALSE(s->keyboard.stayHidden);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kKeyboardWindow,
                                                        static_cast<int32_t>(ShowMode::Hide)}}));

    desktop.calls.clear();
    s->keyboard.hidden = true;
    s->keyboard.stayHidden = false;
    stepLost(*s, desktop, input);
    EXPECT_TRUE(s->keyboard.hidden);
    EXPECT_TRUE(s->keyboard.stayHidden);
    EXPECT_TRUE(desktop.calls.empty());

    s->keyboard.window = 0;
    s->keyboard.hidden = false;
    s->keyboard.stayHidden = false;
    stepLost(*s, desktop, input);
    EXPECT_FALSE(s->keyboard.hidden);
    EXPECT_FALSE(s->keyboard.stayHidden);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(RestStates, RestartBringsBackTheLargeView) {
    s->state = Restart;
    stepRestart(*s, desktop, input);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_TRUE(s->view.largeView);
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{
            {DesktopCall::Show, testing::kMainWindow, static_cast<int32_t>(ShowMode::ShowNormal)},
            {DesktopCall::Move, testing::kMainWindow, 192, 144, 640, 480},
            {DesktopCall::Move, testing::kCaptureWindow, 0, 0, 640, 480},
        }));
}

TEST_F(RestStates, KeyboardToggleShowsAtTheDefaultPlaceAndHides) {
    s->keyboard.window = testing::kKeyboardWindow;
    s->keyboard.hidden = true;
    s->keyboard.left = 612;  // docked elsewhere before
    s->keyboard.top = 0;
    s->state = KeyboardToggle;
    stepKeyboardToggle(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    EXPECT_FALSE(s->keyboard.hidden);
    EXPECT_EQ(
        (std::array{s->keyboard.left, s->keyboard.right, s->keyboard.top, s->keyboard.bottom}),
        (std::array{306, 718, 546, 738}));
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kKeyboardWindow,
                                                        static_cast<int32_t>(ShowMode::Show)}}));

    desktop.calls.clear();
    s->state = KeyboardToggle;
    s->keyboard.stayHidden = true;
    stepKeyboardToggle(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    EXPECT_TRUE(s->keyboard.hidden);
    EXPECT_TRUE(s->keyboard.stayHidden);  // never touched here
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kKeyboardWindow,
                                                        static_cast<int32_t>(ShowMode::Hide)}}));
}

TEST_F(RestStates, KeyboardToggleWithoutAKeyboardReturnsToTrackingAtOnce) {
    s->keyboard.window = 0;
    s->keyboard.hidden = true;
    s->state = KeyboardToggle;
    stepKeyboardToggle(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    EXPECT_TRUE(s->keyboard.hidden);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(RestStates, HandPauseResumesAfter41StillFrames) {
    s->state = HandPause;
    s->pointer.stillFrames = 0;
    s->shared.lastCursor.store({300, 300});
    desktop.cursor = {300, 300};
    for (int i = 1; i <= 40; ++i) {
        stepHandPause(*s, desktop, input);
        ASSERT_EQ(s->state, HandPause) << i;
    }
    EXPECT_EQ(s->pointer.stillFrames, 40);
    stepHandPause(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    // The yellow cross at the head range centre.
    const size_t centre = static_cast<size_t>((480 - 183) * 1920 + 272 * 3);
    EXPECT_EQ(pixels[centre], 3);
    EXPECT_EQ(pixels[centre + 1], 248);
    EXPECT_EQ(pixels[centre + 2], 234);
}

TEST_F(RestStates, HandPauseCountsAnUnchangedAxisAsStill) {
    s->state = HandPause;
    s->pointer.stillFrames = 0;
    s->shared.lastCursor.store({300, 300});
    for (int i = 1; i <= 5; ++i) {
        desktop.cursor = {300 + 7 * i, 300};  // sliding sideways only
        stepHandPause(*s, desktop, input);
    }
    EXPECT_EQ(s->pointer.stillFrames, 5);
    EXPECT_EQ(s->shared.lastCursor.load(), (ScreenPoint{335, 300}));
    for (int i = 1; i <= 5; ++i) {
        desktop.cursor = {335 + i, 300 + i};  // diagonal every frame
        stepHandPause(*s, desktop, input);
        EXPECT_EQ(s->pointer.stillFrames, 0);
    }
    EXPECT_EQ(s->state, HandPause);
}

}  // namespace
}  // namespace quil
