#include "tracker/tracking.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imaging/template_search.h"
#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::Frame;
using testing::RecordingDesktop;

// A tracker that has just calibrated on a textured frame and sees that same
// frame again; no gesture is assigned, so nothing clicks.
class TrackingFrame : public ::testing::Test {
protected:
    void SetUp() override {
        s = testing::justCalibrated(desktop, 40);
        ASSERT_NE(s, nullptr);
    }
    // The face position this frame will find.
    FaceFix expectedFix() { return locateFace(*s, s->frame.currentGrid); }
    FrameReport step() {
        FrameInput in{std::span<uint8_t>(pixels), desktop.cursor, {}};
        trackFrame(*s, desktop, in);
        return in.report;
    }
    // Pins the pointer target to one point, so that the pointer stays put.
    void pinTarget(int x, int y) {
        s->shared.clampMinX = x;
        s->shared.clampMaxX = x + 1;
        s->shared.clampMinY = y;
        s->shared.clampMaxY = y + 1;
        s->shared.lastCursor.store({x, y});
        desktop.cursor = {x, y};
    }
    // Sets the recognisers so that this frame completes a shake or a nod.
    void armShake() {
        s->gestures.shakeHistory = "LRLRL";
        s->gestures.shakeFrames = 3;
    }
    void armNod(const FaceFix& fix) {
        s->gestures.nodHistory = "UDUD";
        s->gestures.nodFrames = 2;
        s->gestures.nodLastRow = static_cast<int>(fix.faceY) + 3;
        s->gestures.nodLastCol = static_cast<int>(fix.faceX);
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
    Frame pixels = Frame(static_cast<size_t>(kFrameBytes), 0);
};

TEST_F(TrackingFrame, FollowsTheFaceAndKeepsTheBooks) {
    const FaceFix fix = expectedFix();
    EXPECT_FLOAT_EQ(fix.cost, 0.0f);
    step();
    EXPECT_EQ(s->state, Tracking);
    EXPECT_DOUBLE_EQ(s->track.lastFoundX, fix.faceX);
    EXPECT_DOUBLE_EQ(s->track.lastFoundY, fix.faceY);
    EXPECT_DOUBLE_EQ(s->pointer.moveDistance,
                     std::sqrt(fix.faceX * fix.faceX + fix.faceY * fix.faceY));
    EXPECT_EQ(s->track.lastTargetX, s->pointer.targetX);
    EXPECT_EQ(s->track.lastTargetY, s->pointer.targetY);
    const auto sets = desktop.of(DesktopCall::SetCursor);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].a, s->pointer.targetX);
    EXPECT_EQ(s->shared.lastCursor.load(), (ScreenPoint{s->pointer.targetX, s->pointer.targetY}));
    // The green cross at the head range centre (column 272, row 183).
    const size_t centre = static_cast<size_t>((480 - 183) * 1920 + 272 * 3);
    EXPECT_EQ(pixels[centre], 0);
    EXPECT_EQ(pixels[centre + 1], 255);
    EXPECT_EQ(pixels[centre + 2], 0);
}

TEST_F(TrackingFrame, HandMoveOfMoreThanTwentyPixelsStartsHandPause) {
    for (auto [dx, dy, expected] : {std::tuple{20, 0, Tracking}, std::tuple{21, 0, HandPause},
                                    std::tuple{0, -20, Tracking}, std::tuple{0, -21, HandPause}}) {
        s->state = Tracking;
        s->pointer.stillFrames = 9;
        s->shared.lastCursor.store({100, 100});
        desktop.cursor = {100 + dx, 100 + dy};
        step();
        EXPECT_EQ(s->state, expected) << dx << "," << dy;
        if (expected == HandPause) {
            EXPECT_EQ(s->pointer.stillFrames, 0);
        }
    }
}

TEST_F(TrackingFrame, ALostFaceMovesNothingOverridesHandPauseAndStillDrawsTheCross) {
    s->face.latticeReference.assign(s->face.latticeReference.size(), 255);
    s->frame.currentGrid = testing::gridOf(testing::texturedFrame(41, 0, 100));
    s->track.lastTargetX = 17;
    s->track.lastFoundX = 3.5;
    s->pointer.moveDistance = 2.5;
    s->pointer.idleFrames = 12;
    s->shared.lastCursor.store({100, 100});
    desktop.cursor = {200, 100};  // moved by hand as well
    const FrameReport report = step();
    EXPECT_EQ(s->state, Lost);
    EXPECT_EQ(report.loss, LossReason::FaceLost);
    EXPECT_FALSE(report.faceX);
    ASSERT_TRUE(report.cost);
    EXPECT_GE(*report.cost, 45.4545);
    EXPECT_TRUE(desktop.of(DesktopCall::SetCursor).empty());
    EXPECT_TRUE(desktop.of(DesktopCall::ButtonDown).empty());
    EXPECT_EQ(s->track.lastTargetX, 17);
    EXPECT_DOUBLE_EQ(s->track.lastFoundX, 3.5);
    EXPECT_DOUBLE_EQ(s->pointer.moveDistance, 2.5);
    EXPECT_EQ(s->pointer.idleFrames, 12);
    EXPECT_EQ(s->shared.lastCursor.load(), (ScreenPoint{100, 100}));
    const size_t centre = static_cast<size_t>((480 - 183) * 1920 + 272 * 3);
    EXPECT_EQ(pixels[centre + 1], 255);
}

TEST_F(TrackingFrame, ShakeLosesNodTogglesAndNodWinsOverShake) {
    const FaceFix fix = expectedFix();
    armShake();
    EXPECT_EQ(step().loss, LossReason::HeadShake);
    EXPECT_EQ(s->state, Lost);

    s->state = Tracking;
    armNod(fix);
    EXPECT_EQ(step().loss, LossReason::None);
    EXPECT_EQ(s->state, KeyboardToggle);

    s->state = Tracking;
    armShake();
    armNod(fix);
    s->shared.lastCursor.store({500, 500});  // a hand move too: both gestures override it
    desktop.cursor = {100, 100};
    step();
    EXPECT_EQ(s->state, KeyboardToggle);
}

TEST_F(TrackingFrame, HeadGesturesAreIgnoredWhileTheOptionsWindowIsOpen) {
    const FaceFix fix = expectedFix();
    s->shared.optionsOpen = true;
    armShake();
    armNod(fix);
    step();
    EXPECT_EQ(s->state, Tracking);
    EXPECT_EQ(s->gestures.shakeHistory, "LRLRL");
    EXPECT_EQ(s->gestures.nodHistory, "UDUD");
}

TEST_F(TrackingFrame, TwoHundredIdleFramesLoseTrackingAndOverrideANod) {
    pinTarget(100, 100);
    s->pointer.idleFrames = 198;
    step();
    EXPECT_EQ(s->state, Tracking);
    EXPECT_EQ(s->pointer.idleFrames, 199);
    armNod(expectedFix());
    EXPECT_EQ(step().loss, LossReason::Idle);
    EXPECT_EQ(s->pointer.idleFrames, 200);
    EXPECT_EQ(s->state, Lost);

    // A pointer that moves 2 pixels or more clears the count.
    s->state = Tracking;
    pinTarget(100, 100);
    s->pointer.idleFrames = 150;
    s->shared.clampMinX = 102;
    s->shared.clampMaxX = 103;
    step();
    EXPECT_EQ(s->pointer.idleFrames, 0);
    EXPECT_EQ(s->shared.lastCursor.load(), (ScreenPoint{102, 100}));
}

// Guard bytes around the frame show any write outside it.
class Cross : public ::testing::Test {
protected:
    static constexpr size_t kGuard = 8000;
    Frame buffer = Frame(kFrameBytes + 2 * kGuard, 0);
    std::span<uint8_t> frame() { return std::span<uint8_t>(buffer).subspan(kGuard, kFrameBytes); }
    uint8_t red(int col, int bufferRow) {
        return buffer[kGuard + static_cast<size_t>(bufferRow * 1920 + col * 3 + 2)];
    }
    int painted() {
        int n = 0;
        for (size_t i = kGuard; i < kGuard + kFrameBytes; i += 3) n += buffer[i + 2] == 9 ? 1 : 0;
        return n;
    }
    bool guardsClean() {
        for (size_t i = 0; i < kGuard; ++i) {
            if (buffer[i] != 0 || buffer[buffer.size() - 1 - i] != 0) return false;
        }
        return true;
    }
};

TEST_F(Cross, BarAndUprightSitWhereTheyBelong) {
    drawCross(frame(), 320, 240, 9, 8, 7);
    const int m = 240;  // buffer row of picture row 240
    EXPECT_EQ(red(245, m - 3), 9);
    EXPECT_EQ(red(395, m + 2), 9);
    EXPECT_EQ(red(244, m), 0);
    EXPECT_EQ(red(396, m), 0);
    EXPECT_EQ(red(300, m - 4), 0);
    EXPECT_EQ(red(300, m + 3), 0);
    EXPECT_EQ(red(317, m - 50), 9);
    EXPECT_EQ(red(322, m + 49), 9);
    EXPECT_EQ(red(316, m - 50), 0);
    EXPECT_EQ(red(323, m - 10), 0);
    EXPECT_EQ(red(316, m + 10), 0);
    EXPECT_EQ(red(320, m - 51), 0);
    EXPECT_EQ(red(320, m + 50), 0);
    EXPECT_EQ(painted(), 151 * 6 + 100 * 6 - 6 * 6);
    const size_t px = kGuard + static_cast<size_t>(m * 1920 + 320 * 3);
    EXPECT_EQ(buffer[px], 7);      // blue first
    EXPECT_EQ(buffer[px + 1], 8);  // then green
}

TEST_F(Cross, IsClippedAtEveryEdgeAndCorner) {
    for (auto [x, y] : {std::pair{0, 0}, std::pair{639, 479}, std::pair{0, 479}, std::pair{639, 0},
                        std::pair{-500, 240}, std::pair{320, 5000}, std::pair{10, 240},
                        std::pair{630, 240}, std::pair{320, 2}, std::pair{320, 478}}) {
        std::fill(buffer.begin(), buffer.end(), 0);
        drawCross(frame(), x, y, 9, 9, 9);
        EXPECT_TRUE(guardsClean()) << x << "," << y;
    }
    // Near the left edge the bar stops at column 0 rather than running into
    // the row below.
    std::fill(buffer.begin(), buffer.end(), 0);
    drawCross(frame(), 10, 240, 9, 9, 9);
    EXPECT_EQ(red(0, 240), 9);
    EXPECT_EQ(red(639, 239), 0);
    EXPECT_EQ(red(639, 240), 0);
    EXPECT_EQ(painted(), (10 + 76) * 6 + 100 * 6 - 6 * 6);
    // And a short buffer is never written past its end.
    Frame small(1920 * 10, 0);
    drawCross(std::span<uint8_t>(small), 320, 475, 9, 9, 9);
    EXPECT_EQ(small[static_cast<size_t>(5 * 1920 + 320 * 3 + 2)], 9);
}

}  // namespace
}  // namespace quil
