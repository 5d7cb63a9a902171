#include "pointer/smooth_pointer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "pointer/pointer_mapping.h"

namespace quil {
namespace {

constexpr double kFrame = 0.075;

TEST(SmoothPointer, AStillHeadWithATremorGivesAPointerThatDoesNotMove) {
    SmoothPointer p;
    ScreenPlace first = smoothPointerStep(p, {500.0, 300.0}, kFrame);
    for (int k = 0; k < 400; ++k) {
        // A tremor of a pixel and a half either way, on both axes.
        const double wobble = 1.5 * std::sin(k * 2.1);
        const ScreenPlace at =
            smoothPointerStep(p, {500.0 + wobble, 300.0 - wobble * 0.7}, kFrame);
        ASSERT_EQ(at.x, first.x) << "frame " << k;
        ASSERT_EQ(at.y, first.y) << "frame " << k;
    }
}

TEST(SmoothPointer, AMoveIsFollowedFromItsFirstFrameAndEndsCloseToTheGoal) {
    SmoothPointer p;
    static_cast<void>(smoothPointerStep(p, {100.0, 100.0}, kFrame));
    // 200 px to the right in six frames, then held.
    ScreenPlace at{};
    for (int k = 1; k <= 6; ++k) {
        at = smoothPointerStep(p, {100.0 + 200.0 * k / 6, 100.0}, kFrame);
        if (k == 1) EXPECT_GT(at.x, 101.0);
    }
    EXPECT_GT(at.x, 240.0);
    for (int k = 0; k < 20; ++k) at = smoothPointerStep(p, {300.0, 100.0}, kFrame);
    EXPECT_NEAR(at.x, 300.0, 2.0);
    EXPECT_LE(at.x, 300.0);
    EXPECT_EQ(at.y, 100.0);
}

// The precise engine's mapping, on a head range that spans the screen.
class PreciseMapping : public ::testing::Test {
protected:
    void SetUp() override {
        s.engine = PreciseEngine;
        s.shared.clampMinX = 1;
        s.shared.clampMaxX = 1014;
        s.shared.clampMinY = 1;
        s.shared.clampMaxY = 758;
        s.shared.mapWidth = 1024;
        s.shared.mapHeight = 768;
        s.shared.headRangeMinX = 0;
        s.shared.headRangeMaxX = 1024;
        s.shared.headRangeMinY = 0;
        s.shared.headRangeMaxY = 768;
        s.shared.mirrorX = true;
    }
    ScreenPoint aimAt(double x, double y, bool frozen = false) {
        s.track.smooth.aimGiven = true;
        s.track.smooth.aimX = x;
        s.track.smooth.aimY = y;
        s.track.smooth.frozen = frozen;
        mapPointer(s, -1000.0, -1000.0);  // the reported face place is not used
        return {s.pointer.targetX, s.pointer.targetY};
    }
    TrackerState s;
};

TEST_F(PreciseMapping, GoesWhereTheAimPointsAtOnceWithinTheBounds) {
    EXPECT_EQ(aimAt(400, 300), (ScreenPoint{400, 300}));
    // Far off the screen: held at the bounds, not beyond.
    EXPECT_EQ(aimAt(5000, -5000), (ScreenPoint{1013, 1}));
}

TEST_F(PreciseMapping, AGestureHoldsThePointerWhereItWasAsTheGestureBegan) {
    std::vector<ScreenPoint> before;
    for (double x : {400.0, 420.0, 440.0, 460.0}) before.push_back(aimAt(x, 300));
    ASSERT_NE(before[1], before[3]);
    // The gesture counts now, having shown for two frames: the pointer goes
    // back to where it was then and stays there while the face moves.
    EXPECT_EQ(aimAt(480, 320, true), before[1]);
    EXPECT_EQ(aimAt(520, 360, true), before[1]);
    // Over, the pointer follows again from there, without a jump.
    EXPECT_EQ(aimAt(before[1].x + 1.0, before[1].y), before[1]);
}

}  // namespace
}  // namespace quil
