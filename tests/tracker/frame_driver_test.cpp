#include "tracker/frame_driver.h"

#include <gtest/gtest.h>

#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::Frame;
using testing::RecordingDesktop;

TEST(FrameIntake, TableSendsEachCornerPixelToItsCell) {
    auto s = testing::startedState();
    ASSERT_EQ(s->session.intakeTable.size(), static_cast<size_t>(kFrameCells));
    EXPECT_EQ(s->session.intakeTable[0], 919682);       // top-left red byte, last row in memory
    EXPECT_EQ(s->session.intakeTable[307199], 1919);    // bottom-right: end of the first row
    EXPECT_EQ(s->session.intakeTable[306720], 921599);  // top-right: the frame's last byte
    EXPECT_EQ(s->session.intakeTable[479], 2);          // bottom-left: the first red byte
    EXPECT_EQ(s->session.intakeTable[1 * 480 + 0], 919685);  // next column steps 3 bytes

    RecordingDesktop desktop;
    Frame blank(static_cast<size_t>(kFrameBytes), 0);
    testing::feed(*s, desktop, blank, 21);
    Frame f(static_cast<size_t>(kFrameBytes), 0);
    f[919682] = 200;
    f[1919] = 201;
    f[921599] = 202;
    f[919681] = 99;  // green of the top-left pixel is never read
    testing::feed(*s, desktop, f, 1);
    // The initialising frame keeps its grid as the previous one.
    ASSERT_EQ(s->frame.previousGrid.size(), static_cast<size_t>(kFrameCells));
    EXPECT_EQ(s->frame.previousGrid[0], 200);
    EXPECT_EQ(s->frame.previousGrid[307199], 201);
    EXPECT_EQ(s->frame.previousGrid[306720], 202);
    int64_t total = 0;
    for (int32_t v : s->frame.previousGrid) total += v;
    EXPECT_EQ(total, 603);
}

TEST(FramePause, DropsTwentyOneFramesInitialisesOnTheNextThenSteps) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    Frame f = testing::texturedFrame(1);

    testing::feed(*s, desktop, f, 20);
    EXPECT_TRUE(s->frame.pauseActive);
    EXPECT_EQ(s->frame.pauseFrames, 20);
    // 21st: ends the pause, still dropped
    EXPECT_FALSE(frameCallback(*s, desktop, std::span<uint8_t>(f)).processed);
    EXPECT_FALSE(s->frame.pauseActive);
    EXPECT_EQ(s->frame.pauseFrames, 0);
    EXPECT_TRUE(s->frame.previousGrid.empty());

    // 22nd: initialises only
    const FrameReport first = frameCallback(*s, desktop, std::span<uint8_t>(f));
    EXPECT_TRUE(first.processed);
    EXPECT_FALSE(first.stepped);
    EXPECT_EQ(s->detection.blockOffsets, makeBlockOffsets(10, 10, 480));
    EXPECT_EQ(s->detection.frameMotion.size(), 3072);
    EXPECT_FALSE(s->frame.previousGrid.empty());
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_EQ(s->detection.detectFrames, 0);

    // 23rd: the first MotionSearch step
    const FrameReport stepped = frameCallback(*s, desktop, std::span<uint8_t>(f));
    EXPECT_TRUE(stepped.stepped);
    EXPECT_EQ(stepped.stateBefore, MotionSearch);
    EXPECT_EQ(s->detection.detectFrames, 1);
    EXPECT_EQ(s->detection.motionRows.size(), 3072u);
}

TEST(FramePause, ShortFramesAreIgnoredAndDoNotCountTowardThePause) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    Frame shortFrame(static_cast<size_t>(kFrameBytes - 1), 7);
    testing::feed(*s, desktop, shortFrame, 30);
    EXPECT_TRUE(s->frame.pauseActive);
    EXPECT_EQ(s->frame.pauseFrames, 0);

    Frame f = testing::texturedFrame(2);
    testing::feed(*s, desktop, f, 22);
    ASSERT_FALSE(s->frame.previousGrid.empty());
    testing::feed(*s, desktop, shortFrame, 5);
    EXPECT_EQ(s->detection.detectFrames, 0);  // no step ran on the short frames
}

// Frames faster than the tick: the tick's work runs on the frames that
// complete a tick (here the 3rd, 5th, 7th, 10th, ...), so the warm-up pause
// and every other count keep their length in time.
TEST(FrameClock, FramesFasterThanTheTickCountOnlyTheTicks) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    Frame f = testing::texturedFrame(1);
    s->frame.periodMs = kCameraFramePeriodMs;
    std::vector<int> tickFrames;
    for (int k = 1; k <= 10; ++k) {
        const FrameReport r = frameCallback(*s, desktop, std::span<uint8_t>(f));
        EXPECT_FALSE(r.processed);  // the classic engine: nothing between ticks, and paused
        if (!r.betweenTicks) tickFrames.push_back(k);
    }
    EXPECT_EQ(tickFrames, (std::vector<int>{3, 5, 7, 10}));
    EXPECT_EQ(s->frame.pauseFrames, 4);
    // 33 ms frames end the pause after as long as 21 frames of 75 ms do: on
    // the 48th (1584 ms), not the 47th (1551 ms).
    testing::feed(*s, desktop, f, 37);
    EXPECT_TRUE(s->frame.pauseActive);
    EXPECT_EQ(s->frame.pauseFrames, 20);
    testing::feed(*s, desktop, f, 1);
    EXPECT_FALSE(s->frame.pauseActive);
    // The classic engine takes one frame a tick.
    EXPECT_EQ(engineFramePeriodMs(*s), kTrackerTickMs);
    EXPECT_EQ(wantedFramePeriodMs(*s), kTrackerTickMs);
}

// The shells' clock: at the tick's rate every frame is a tick whatever the
// timer's jitter; faster, a late camera's frames count for the time they
// took, up to a tick.
TEST(FrameClock, TheShellsClockCountsTheTimeBetweenFrames) {
    FrameState f;
    timeFrame(f, kTrackerTickMs, 1000);
    EXPECT_EQ(f.periodMs, kTrackerTickMs);
    timeFrame(f, kTrackerTickMs, 1060);
    EXPECT_EQ(f.periodMs, kTrackerTickMs);
    FrameState g;
    timeFrame(g, kCameraFramePeriodMs, 5000);  // the first frame: the timer's period
    EXPECT_EQ(g.periodMs, kCameraFramePeriodMs);
    timeFrame(g, kCameraFramePeriodMs, 5034);
    EXPECT_EQ(g.periodMs, 34);
    timeFrame(g, kCameraFramePeriodMs, 5100);  // a frame missed in dim light
    EXPECT_EQ(g.periodMs, 66);
    timeFrame(g, kCameraFramePeriodMs, 9000);  // back after a camera loss
    EXPECT_EQ(g.periodMs, kTrackerTickMs);
    timeFrame(g, kCameraFramePeriodMs, 9000);
    EXPECT_EQ(g.periodMs, 1);
}

TEST(FrameHandOver, PreviousGridHoldsTheLastProcessedFrame) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    Frame a = testing::texturedFrame(3);
    Frame b = testing::texturedFrame(4);
    testing::feed(*s, desktop, a, 22);
    EXPECT_EQ(s->frame.previousGrid, testing::gridOf(a));
    testing::feed(*s, desktop, b, 1);
    EXPECT_EQ(s->frame.previousGrid, testing::gridOf(b));
    testing::feed(*s, desktop, a, 1);
    EXPECT_EQ(s->frame.previousGrid, testing::gridOf(a));
}

TEST(FramePause, AfterLostRestartRunsOnThe23rdFrameAndMotionSearchOnThe24th) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    Frame f = testing::texturedFrame(5);
    testing::feed(*s, desktop, f, 22);
    s->state = Lost;
    s->view.largeView = false;
    s->session.screenWidth = 1024;
    desktop.cursor = {10, 10};  // away from the corner preview
    testing::feed(*s, desktop, f, 1);
    EXPECT_EQ(s->state, Restart);
    EXPECT_TRUE(s->frame.pauseActive);
    EXPECT_TRUE(s->frame.previousGrid.empty());
    EXPECT_TRUE(s->frame.currentGrid.empty());

    testing::feed(*s, desktop, f, 21);
    EXPECT_EQ(s->state, Restart);
    EXPECT_FALSE(s->frame.pauseActive);
    testing::feed(*s, desktop, f, 1);  // 22nd: initialises
    EXPECT_EQ(s->state, Restart);
    EXPECT_FALSE(s->frame.previousGrid.empty());

    desktop.calls.clear();
    testing::feed(*s, desktop, f, 1);  // 23rd: Restart
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_TRUE(s->view.largeView);
    EXPECT_EQ(s->detection.detectFrames, 0);
    const auto moves = desktop.of(DesktopCall::Move);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0], (DesktopCall{DesktopCall::Move, testing::kMainWindow, 192, 144, 640, 480}));
    EXPECT_EQ(moves[1], (DesktopCall{DesktopCall::Move, testing::kCaptureWindow, 0, 0, 640, 480}));

    testing::feed(*s, desktop, f, 1);  // 24th: MotionSearch
    EXPECT_EQ(s->detection.detectFrames, 1);
}

class CornerPreview : public ::testing::Test {
protected:
    void SetUp() override {
        s = testing::startedState();
        chooseCornerView(*s);  // 128 x 96 at (896, 642)
    }
    // One call during the pause: only the preview logic acts.
    void frameAt(int x, int y) {
        desktop.cursor = {x, y};
        frameCallback(*s, desktop, std::span<uint8_t>(frame));
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
    Frame frame = Frame(static_cast<size_t>(kFrameBytes), 0);
};

TEST_F(CornerPreview, HidesWhileThePointerRestsThenReturnsWithTheCaptureOnFrame131) {
    for (int i = 1; i <= 130; ++i) {
        desktop.calls.clear();
        frameAt(900, 700);
        ASSERT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kMainWindow,
                                                            static_cast<int32_t>(ShowMode::Hide)}}))
            << "dwell frame " << i;
        ASSERT_EQ(s->view.previewDwellFrames, i);
    }
    desktop.calls.clear();
    frameAt(900, 700);
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{
            {DesktopCall::Show, testing::kMainWindow, static_cast<int32_t>(ShowMode::ShowNormal)},
            {DesktopCall::Capture, testing::kMainWindow},
        }));
    EXPECT_TRUE(s->view.previewCaptured);
    EXPECT_EQ(s->view.previewDwellFrames, 0);

    // Captured: shown and captured again each frame, no counting.
    desktop.calls.clear();
    frameAt(1000, 650);
    EXPECT_EQ(desktop.of(DesktopCall::Capture).size(), 1u);
    EXPECT_EQ(s->view.previewDwellFrames, 0);

    // Leaving the region releases the capture and clears everything.
    desktop.calls.clear();
    frameAt(500, 300);
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{
            {DesktopCall::ReleaseCapture},
            {DesktopCall::Show, testing::kMainWindow, static_cast<int32_t>(ShowMode::ShowNormal)},
        }));
    EXPECT_FALSE(s->view.previewCaptured);
}

TEST_F(CornerPreview, RegionEdgesCountAsOutside) {
    // The region is 896 < x < 1024 and 642 < y < 738.
    for (auto [x, y] :
         {std::pair{896, 700}, std::pair{1024, 700}, std::pair{900, 642}, std::pair{900, 738}}) {
        s->view.previewDwellFrames = 5;
        desktop.calls.clear();
        frameAt(x, y);
        EXPECT_EQ(s->view.previewDwellFrames, 0) << x << "," << y;
        EXPECT_EQ(desktop.of(DesktopCall::ReleaseCapture).size(), 1u);
    }
    for (auto [x, y] : {std::pair{897, 643}, std::pair{1023, 737}}) {
        s->view.previewDwellFrames = 5;
        frameAt(x, y);
        EXPECT_EQ(s->view.previewDwellFrames, 6) << x << "," << y;
    }
}

TEST_F(CornerPreview, LargeViewDockedKeyboardAndOpenMenuOverrideThePointer) {
    s->view.largeView = true;
    frameAt(900, 700);
    frameAt(10, 10);
    EXPECT_TRUE(desktop.calls.empty());

    s->view.largeView = false;
    s->keyboard.dockedCorner = true;
    s->view.previewDwellFrames = 50;
    desktop.calls.clear();
    frameAt(10, 10);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::Show, testing::kMainWindow,
                                                        static_cast<int32_t>(ShowMode::Hide)}}));
    EXPECT_EQ(s->view.previewDwellFrames, 0);

    s->keyboard.dockedCorner = false;
    s->shared.menuOpen = true;
    s->view.previewDwellFrames = 50;
    desktop.calls.clear();
    frameAt(900, 700);
    frameAt(10, 10);
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_EQ(s->view.previewDwellFrames, 50);
}

TEST(Views, PlacementsAndScreenDefaultsOnCommonScreens) {
    auto s = testing::startedState(1024, 768);
    EXPECT_EQ((std::array{s->view.viewX, s->view.viewY, s->view.viewWidth, s->view.viewHeight}),
              (std::array{192, 144, 640, 480}));
    EXPECT_TRUE(s->view.largeView);
    EXPECT_EQ((std::array{s->shared.clampMinX.load(), s->shared.clampMaxX.load(),
                          s->shared.clampMinY.load(), s->shared.clampMaxY.load(),
                          s->shared.mapWidth.load(), s->shared.mapHeight.load()}),
              (std::array{1, 1014, 1, 758, 1024, 768}));
    EXPECT_EQ(
        (std::array{s->keyboard.left, s->keyboard.right, s->keyboard.top, s->keyboard.bottom}),
        (std::array{306, 718, 546, 738}));
    chooseCornerView(*s);
    EXPECT_EQ((std::array{s->view.viewX, s->view.viewY, s->view.viewWidth, s->view.viewHeight}),
              (std::array{896, 642, 128, 96}));
    EXPECT_FALSE(s->view.largeView);

    auto wide = testing::startedState(1366, 768);
    chooseCornerView(*wide);
    EXPECT_EQ((std::array{wide->view.viewX, wide->view.viewY, wide->view.viewWidth,
                          wide->view.viewHeight}),
              (std::array{1196, 642, 170, 96}));
    EXPECT_EQ(wide->view.viewX + wide->view.viewWidth, 1366);
    EXPECT_EQ(wide->keyboard.left, 477);
    EXPECT_EQ(wide->keyboard.right, 889);

    RecordingDesktop desktop;
    moveViewWindows(*wide, desktop);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{
                                 {DesktopCall::Move, testing::kMainWindow, 1196, 642, 170, 96},
                                 {DesktopCall::Move, testing::kCaptureWindow, 0, 0, 170, 96},
                             }));
}

}  // namespace
}  // namespace quil
