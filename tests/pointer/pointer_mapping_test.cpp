#include "pointer/pointer_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/recording_desktop.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

// A 1024 x 768 screen with the start-up bounds and the medium speed.
void setUpScreen(TrackerState& s, double speed = 45.0) {
    s.session.screenWidth = 1024;
    s.session.screenHeight = 768;
    s.shared.clampMinX = 1;
    s.shared.clampMaxX = 1014;
    s.shared.clampMinY = 1;
    s.shared.clampMaxY = 758;
    s.shared.mapWidth = 1024;
    s.shared.mapHeight = 768;
    s.shared.speedDivisor = speed;
    computeGains(s);
}

// The head range of a face calibrated at (320, 200) with the largest range.
void setUpRange(TrackerState& s) {
    s.shared.headRangeMinX = 297;
    s.shared.headRangeMaxX = 342;
    s.shared.headRangeMinY = 188;
    s.shared.headRangeMaxY = 212;
}

// A head range that spans exactly the map, so that the raw target is
// mapWidth - faceX (unmirrored) and faceY.
void setIdentityRange(TrackerState& s) {
    s.shared.headRangeMinX = 0;
    s.shared.headRangeMaxX = 1024;
    s.shared.headRangeMinY = 0;
    s.shared.headRangeMaxY = 768;
}

// The raw target along x, observed through the step: with gain 1/d from a
// last target d pixels away, the step is exactly the distance.
int observedRawX(TrackerState& s, double faceX, int expected, int from) {
    s.track.lastTargetX = from;
    s.shared.gainX = 1.0 / std::abs(expected - from);
    s.shared.clampMinX = std::numeric_limits<int32_t>::min() / 2;
    s.shared.clampMaxX = std::numeric_limits<int32_t>::max() / 2;
    mapPointer(s, faceX, s.shared.headRangeMinY);
    return s.pointer.targetX;
}

TEST(RoundNearest, TiesGoTowardMinusInfinity) {
    EXPECT_EQ(roundNearest(2.5), 2);
    EXPECT_EQ(roundNearest(-2.5), -3);
    EXPECT_EQ(roundNearest(0.5), 0);
    EXPECT_EQ(roundNearest(-0.5), -1);
    EXPECT_EQ(roundNearest(2.6), 3);
    EXPECT_EQ(roundNearest(-2.6), -3);
    EXPECT_EQ(roundNearest(2.4), 2);
    EXPECT_EQ(roundNearest(-7.0), -7);
}

TEST(RoundNearest, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(roundNearest(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(roundNearest(-1e300), std::numeric_limits<int>::min());
    EXPECT_EQ(roundNearest(std::numeric_limits<double>::infinity()),
              std::numeric_limits<int>::max());
    EXPECT_EQ(roundNearest(std::nan("")), 0);
}

TEST(HeadRange, EdgesAndCentreRoundDownOnTies) {
    TrackerState s;
    s.face.refX = 320;
    s.face.refY = 200;
    s.shared.rangeScale = 0.7;
    setHeadRange(s);
    EXPECT_EQ(s.shared.headRangeWidth, 45);
    EXPECT_EQ(s.shared.headRangeHeight, 24);
    EXPECT_EQ(s.shared.headRangeMinX, 297);
    EXPECT_EQ(s.shared.headRangeMaxX, 342);
    EXPECT_EQ(s.shared.headRangeCentreX, 319);
    EXPECT_EQ(s.shared.headRangeMinY, 188);
    EXPECT_EQ(s.shared.headRangeMaxY, 212);
    EXPECT_EQ(s.shared.headRangeCentreY, 200);

    s.shared.rangeScale = 0.5;
    setHeadRange(s);
    EXPECT_EQ(s.shared.headRangeWidth, 32);
    EXPECT_EQ(s.shared.headRangeHeight, 17);
}

TEST(MapPointer, DeadZoneIsFiftyThreePixelsAtC75) {
    TrackerState s;
    setUpScreen(s);
    EXPECT_DOUBLE_EQ(s.shared.gainX, 1.0 / 5625.0);  // c = 75
    EXPECT_DOUBLE_EQ(s.shared.gainY, 1.0 / 10000.0);
    setIdentityRange(s);
    s.track.lastTargetX = 500;
    s.track.lastTargetY = 400;

    mapPointer(s, 1024 - 553, 400);  // raw 553: 53 to the right
    EXPECT_EQ(s.pointer.targetX, 500);
    mapPointer(s, 1024 - 554, 400);  // 54 to the right
    EXPECT_EQ(s.pointer.targetX, 501);
    mapPointer(s, 1024 - 446, 400);  // 54 to the left
    EXPECT_EQ(s.pointer.targetX, 499);

    // Vertically c * width / height = 100: 70 rows still, 71 move one.
    mapPointer(s, 1024 - 500, 470);
    EXPECT_EQ(s.pointer.targetY, 400);
    mapPointer(s, 1024 - 500, 471);
    EXPECT_EQ(s.pointer.targetY, 401);
    mapPointer(s, 1024 - 500, 329);
    EXPECT_EQ(s.pointer.targetY, 399);
}

TEST(MapPointer, RangeEdgesMapToScreenEdges) {
    TrackerState s;
    setUpScreen(s);
    setUpRange(s);

    EXPECT_EQ(observedRawX(s, 297.0, 1024, 24), 1024);
    EXPECT_EQ(observedRawX(s, 342.0, 0, 100), 0);

    // The top edge maps to row 0, the bottom edge to mapHeight.
    s.shared.clampMinY = -100000;
    s.shared.clampMaxY = 100000;
    s.track.lastTargetY = 50;
    s.shared.gainY = 1.0 / 50.0;
    mapPointer(s, 300.0, 188.0);
    EXPECT_EQ(s.pointer.targetY, 0);
    s.track.lastTargetY = 700;
    s.shared.gainY = 1.0 / 68.0;
    mapPointer(s, 300.0, 212.0);
    EXPECT_EQ(s.pointer.targetY, 768);
}

// A mirrored picture moves the face the other way for the same head motion,
// so the horizontal response is reversed; everything else is unchanged.
TEST(MapPointer, MirroredPictureReversesHorizontalResponseOnly) {
    TrackerState s;
    setUpScreen(s);
    setUpRange(s);
    s.shared.mirrorX = true;
    EXPECT_EQ(observedRawX(s, 297.0, 0, 100), 0);
    EXPECT_EQ(observedRawX(s, 342.0, 1024, 24), 1024);

    // Face to the right of the range centre in the picture: the pointer goes
    // left with the captured picture and right with the mirrored one, by the
    // same amount; the vertical response is the same in both.
    for (const bool mirrored : {false, true}) {
        TrackerState t;
        setUpScreen(t);
        setUpRange(t);
        t.shared.mirrorX = mirrored;
        t.track.lastTargetX = 512;
        t.track.lastTargetY = 300;
        mapPointer(t, 338.0, 210.0);
        const int step =
            roundNearest(std::pow(std::abs(roundNearest(41.0 * 1024 / 45) - 512), 2) / 5625.0);
        EXPECT_EQ(t.pointer.targetX, mirrored ? 512 + step : 512 - step) << "mirrored " << mirrored;
        EXPECT_EQ(t.pointer.targetY, 300 + roundNearest(std::pow(704 - 300, 2) / 10000.0));
    }
}

TEST(MapPointer, TargetStaysWithinPointerBounds) {
    TrackerState s;
    setUpScreen(s);
    setIdentityRange(s);
    s.track.lastTargetX = 1000;
    s.track.lastTargetY = 750;
    mapPointer(s, -5000.0, 9000.0);  // far beyond the right and bottom edges
    EXPECT_EQ(s.pointer.targetX, 1013);
    EXPECT_EQ(s.pointer.targetY, 757);

    s.track.lastTargetX = 5;
    s.track.lastTargetY = 5;
    mapPointer(s, 9000.0, -5000.0);
    EXPECT_EQ(s.pointer.targetX, 1);
    EXPECT_EQ(s.pointer.targetY, 1);

    // A degenerate range (options never applied) must not escape the bounds.
    TrackerState t;
    setUpScreen(t);
    mapPointer(t, 10.0, 10.0);
    EXPECT_GE(t.pointer.targetX, 1);
    EXPECT_LE(t.pointer.targetX, 1013);
    EXPECT_GE(t.pointer.targetY, 1);
    EXPECT_LE(t.pointer.targetY, 757);
}

class KeyboardZone : public ::testing::Test {
protected:
    static constexpr WindowHandle kKeyboard = 77;
    TrackerState s;
    RecordingDesktop desktop;

    void SetUp() override {
        setUpScreen(s);
        s.shared.optionFlags[7] = 1;  // medium head movement: 45
        s.keyboard.window = kKeyboard;
        s.keyboard.hidden = false;
        s.keyboard.left = 306;
        s.keyboard.right = 718;
        s.keyboard.top = 546;
        s.keyboard.bottom = 738;
        s.pointer.targetX = 400;
        s.pointer.targetY = 600;
    }
};

TEST_F(KeyboardZone, UsesFrameStartPositionAndSlowsDownOnce) {
    // The frame that carries the pointer in sends nothing.
    movePointer(s, desktop, {100, 100});
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::SetCursor, 0, 400, 600}}));
    EXPECT_FALSE(s.pointer.overKeyboard);

    desktop.calls.clear();
    movePointer(s, desktop, {400, 600});
    ASSERT_EQ(desktop.calls.size(), 2u);
    EXPECT_EQ(desktop.calls[1], (DesktopCall{DesktopCall::KeyboardMessage, kKeyboard, 1055, 1, 0}));
    EXPECT_EQ(s.shared.speedDivisor, 90.0);
    EXPECT_DOUBLE_EQ(s.shared.gainX, 1.0 / (150.0 * 150.0));
    EXPECT_TRUE(s.pointer.overKeyboard);

    // Staying inside repeats the message but doubles nothing again.
    movePointer(s, desktop, {401, 601});
    EXPECT_EQ(desktop.keyboardMessages(), (std::vector<int32_t>{1055, 1055}));
    EXPECT_EQ(s.shared.speedDivisor, 90.0);

    // Leaving restores the speed, as chosen meanwhile, and says so once.
    s.shared.optionFlags[6] = 1;  // small head movement: 30
    movePointer(s, desktop, {100, 100});
    movePointer(s, desktop, {100, 100});
    EXPECT_EQ(desktop.keyboardMessages(), (std::vector<int32_t>{1055, 1055, 1058}));
    EXPECT_EQ(desktop.of(DesktopCall::KeyboardMessage).back(),
              (DesktopCall{DesktopCall::KeyboardMessage, kKeyboard, 1058, 0, 0}));
    EXPECT_EQ(s.shared.speedDivisor, 30.0);
    EXPECT_DOUBLE_EQ(s.shared.gainX, 1.0 / 2500.0);
    EXPECT_FALSE(s.pointer.overKeyboard);
}

TEST_F(KeyboardZone, RectangleEdgesCountAsOutside) {
    for (const ScreenPoint p : {ScreenPoint{306, 600}, ScreenPoint{718, 600}, ScreenPoint{400, 546},
                                ScreenPoint{400, 738}}) {
        movePointer(s, desktop, p);
    }
    EXPECT_TRUE(desktop.keyboardMessages().empty());
    movePointer(s, desktop, {307, 547});
    movePointer(s, desktop, {717, 737});
    EXPECT_EQ(desktop.keyboardMessages(), (std::vector<int32_t>{1055, 1055}));
}

TEST_F(KeyboardZone, HiddenOrUnannouncedKeyboardGetsNothing) {
    s.keyboard.hidden = true;
    movePointer(s, desktop, {400, 600});
    s.keyboard.hidden = false;
    s.keyboard.window = 0;
    movePointer(s, desktop, {400, 600});
    EXPECT_TRUE(desktop.keyboardMessages().empty());
    EXPECT_EQ(desktop.of(DesktopCall::SetCursor).size(), 2u);
    EXPECT_EQ(s.shared.speedDivisor, 45.0);
}

}  // namespace
}  // namespace quil
