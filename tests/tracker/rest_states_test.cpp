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
        s = testing::inCalibration();
        s->currentGrid = testing::gridOf(testing::texturedFrame(50));
        s->previousGrid = s->currentGrid;
        ASSERT_TRUE(setUpTracking(*s, desktop, testing::eyesSixtyApart()));
        desktop.calls.clear();
        input = FrameInput{std::span<uint8_t>(pixels), {0, 0}};
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
    Frame pixels = Frame(static_cast<size_t>(kFrameBytes), 0);
    FrameInput input;
};

TEST_F(RestStates, LostFreesTrackingDataAndRearmsThePause) {
    s->state = Lost;
    s->lastTargetX = 5;
    s->lastTargetY = 6;
    s->lastFoundX = 1.5;
    s->lastFoundY = 2.5;
    s->previewDwellFrames = 40;
    s->idleFrames = 77;
    s->detectFrames = 3;
    s->rowProfile[2] = 4;
    s->colProfile[60] = 4;
    s->optionFlags[0] = 1;  // unmirrored picture
    s->mirrorX = true;
    s->latticeRecords.push_back({});
    stepLost(*s, desktop, input);

    EXPECT_EQ(s->state, Restart);
    for (const IntList* l :
         {&s->headIndices, &s->headCurrent, &s->headPrevious, &s->latticeOffsets,
          &s->latticeReference, &s->circleScratch, &s->distanceMap, &s->eyePatchCurrent,
          &s->eyePatchPrevious, &s->eyePatchIndices, &s->mouthPatchCurrent, &s->mouthPatchPrevious,
          &s->mouthPatchIndices, &s->mouthPatchBlock, &s->eyePatchBlock, &s->searchIndices,
          &s->currentGrid, &s->previousGrid}) {
        EXPECT_TRUE(l->empty());
    }
    EXPECT_FALSE(s->eyeMotion.held());
    EXPECT_FALSE(s->mouthMotion.held());
    EXPECT_FALSE(s->circleOffsets.empty());  // the circle mask lives on
    EXPECT_EQ(s->neighbourOffsets, neighbourOffsetsFor(48));
    EXPECT_TRUE(s->pauseActive);
    EXPECT_EQ(s->pauseFrames, 0);
    EXPECT_TRUE(s->latticeRecords.empty());
    EXPECT_EQ((std::array{s->lastTargetX, s->lastTargetY, s->previewDwellFrames, s->detectFrames}),
              (std::array{0, 0, 0, 0}));
    EXPECT_EQ(s->lastFoundX, 0.0);
    EXPECT_EQ(s->lastFoundY, 0.0);
    EXPECT_EQ(s->rowProfile, IntList(48, 0));
    EXPECT_EQ(s->colProfile, IntList(64, 0));
    EXPECT_EQ(s->idleFrames, 77);
    EXPECT_EQ(s->refX, 272);
    EXPECT_EQ(s->headTop, 380);
    EXPECT_FALSE(s->mirrorX);  // the options were applied again
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(RestStates, LostHidesAVisibleKeyboardAndRemembersAHiddenOne) {
    s->keyboardWindow = testing::kKeyboardWindow;
    s->keyboardHidden = false;
    s->keyboardStayHidden = true;
    stepLost(*s, desktop, input);
    EXPECT_TRUE(s->keyboardHidden);
    EXPECT_FALSE(s->keyboardStayHidden);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kKeyboardWindow,
                                                        static_cast<int32_t>(ShowMode::Hide)}}));

    desktop.calls.clear();
    s->keyboardHidden = true;
    s->keyboardStayHidden = false;
    stepLost(*s, desktop, input);
    EXPECT_TRUE(s->keyboardHidden);
    EXPECT_TRUE(s->keyboardStayHidden);
    EXPECT_TRUE(desktop.calls.empty());

    s->keyboardWindow = 0;
    s->keyboardHidden = false;
    s->keyboardStayHidden = false;
    stepLost(*s, desktop, input);
    EXPECT_FALSE(s->keyboardHidden);
    EXPECT_FALSE(s->keyboardStayHidden);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(RestStates, RestartBringsBackTheLargeView) {
    s->state = Restart;
    stepRestart(*s, desktop, input);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_TRUE(s->largeView);
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{
            {DesktopCall::Show, testing::kMainWindow, static_cast<int32_t>(ShowMode::ShowNormal)},
            {DesktopCall::Move, testing::kMainWindow, 192, 144, 640, 480},
            {DesktopCall::Move, testing::kCaptureWindow, 0, 0, 640, 480},
        }));
}

TEST_F(RestStates, KeyboardToggleShowsAtTheDefaultPlaceAndHides) {
    s->keyboardWindow = testing::kKeyboardWindow;
    s->keyboardHidden = true;
    s->keyboardLeft = 612;  // docked elsewhere before
    s->keyboardTop = 0;
    s->state = KeyboardToggle;
    stepKeyboardToggle(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    EXPECT_FALSE(s->keyboardHidden);
    EXPECT_EQ((std::array{s->keyboardLeft, s->keyboardRight, s->keyboardTop, s->keyboardBottom}),
              (std::array{306, 718, 546, 738}));
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kKeyboardWindow,
                                                        static_cast<int32_t>(ShowMode::Show)}}));

    desktop.calls.clear();
    s->state = KeyboardToggle;
    s->keyboardStayHidden = true;
    stepKeyboardToggle(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    EXPECT_TRUE(s->keyboardHidden);
    EXPECT_TRUE(s->keyboardStayHidden);  // never touched here
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kKeyboardWindow,
                                                        static_cast<int32_t>(ShowMode::Hide)}}));
}

TEST_F(RestStates, KeyboardToggleWithoutAKeyboardReturnsToTrackingAtOnce) {
    s->keyboardWindow = 0;
    s->keyboardHidden = true;
    s->state = KeyboardToggle;
    stepKeyboardToggle(*s, desktop, input);
    EXPECT_EQ(s->state, Tracking);
    EXPECT_TRUE(s->keyboardHidden);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(RestStates, HandPauseResumesAfter41StillFrames) {
    s->state = HandPause;
    s->stillFrames = 0;
    s->lastCursor.store({300, 300});
    desktop.cursor = {300, 300};
    for (int i = 1; i <= 40; ++i) {
        stepHandPause(*s, desktop, input);
        ASSERT_EQ(s->state, HandPause) << i;
    }
    EXPECT_EQ(s->stillFrames, 40);
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
    s->stillFrames = 0;
    s->lastCursor.store({300, 300});
    for (int i = 1; i <= 5; ++i) {
        desktop.cursor = {300 + 7 * i, 300};  // sliding sideways only
        stepHandPause(*s, desktop, input);
    }
    EXPECT_EQ(s->stillFrames, 5);
    EXPECT_EQ(s->lastCursor.load(), (ScreenPoint{335, 300}));
    for (int i = 1; i <= 5; ++i) {
        desktop.cursor = {335 + i, 300 + i};  // diagonal every frame
        stepHandPause(*s, desktop, input);
        EXPECT_EQ(s->stillFrames, 0);
    }
    EXPECT_EQ(s->state, HandPause);
}

}  // namespace
}  // namespace quil
