// The scroll mode, the pause and the head tilt, driven through the frame
// steps both engines share, with the face placed where each test wants it.
#include "tracker/head_modes.h"

#include <gtest/gtest.h>

#include "keyboard_link/keyboard_link.h"
#include "pointer/clicks.h"
#include "pointer/pointer_mapping.h"
#include "tracker/calibration.h"
#include "tracker/lifecycle.h"
#include "tracker/views.h"
#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

// What the stand-in event detector raises on the next frame.
struct PlannedEvents {
    bool eye = false;
};
PlannedEvents planned;

void plannedEvents(TrackerState& s, double /*x*/, double /*y*/) {
    if (planned.eye) s.pointer.eyeEvent = true;
    planned = {};
    // The dwell counts as the engines count it.
    if (s.pointer.moveDistance >= 1.0) {
        s.pointer.dwellFrames = 0;
    } else if (s.shared.clickGestures[GestureDwell] == 1 &&
               ++s.pointer.dwellFrames >= s.pointer.dwellLimit) {
        s.pointer.dwellEvent = true;
        s.pointer.dwellFrames = 0;
    }
}

// Eyes 60 pixels apart: offsets of 6 pixels are a tenth of the eye gap, 7.2
// the dead zone's edge.
constexpr double kX = 300.0;
constexpr double kY = 200.0;

class HeadModes : public ::testing::Test {
protected:
    void SetUp() override {
        planned = {};
        s = testing::justCalibrated(desktop, 40);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->state, Tracking);
        s->shared.mirrorX = true;
        face(kX, kY);
        desktop.calls.clear();
    }
    FrameReport face(double x, double y, int frames = 1) {
        FrameInput in{std::span<uint8_t>(pixels), desktop.cursor, {}};
        for (int i = 0; i < frames; ++i) {
            in.frameStartCursor = desktop.cursor;
            followFace(*s, desktop, in, x, y, plannedEvents);
        }
        return in.report;
    }
    void request(std::atomic<bool> SharedState::*what) {
        s->shared.*what = true;
        takeHeadModeRequests(*s, desktop);
    }
    // Five alternating steps of four rows: one nod.
    void nod() {
        for (int i = 0; i < 6; ++i) face(kX, kY + (i % 2 == 0 ? 4 : 0));
        face(kX, kY, 3);
    }
    int64_t wheel(bool vertical) const {
        int64_t sum = 0;
        for (const auto& c : desktop.of(DesktopCall::Wheel)) sum += vertical ? c.a : c.b;
        return sum;
    }
    std::vector<int32_t> modes() const {
        std::vector<int32_t> out;
        for (const auto& c : desktop.of(DesktopCall::HeadMode)) out.push_back(c.a);
        return out;
    }
    void showKeyboard() {
        onKeyboardHello(*s, testing::kKeyboardWindow);
        s->keyboard.left = 0, s->keyboard.top = 0, s->keyboard.right = 400,
        s->keyboard.bottom = 300;
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
    testing::Frame pixels = testing::Frame(static_cast<size_t>(kFrameBytes), 0);
};

constexpr int32_t kPointing = static_cast<int32_t>(HeadMode::Pointing);
constexpr int32_t kScrolling = static_cast<int32_t>(HeadMode::Scrolling);
constexpr int32_t kPaused = static_cast<int32_t>(HeadMode::Paused);

TEST_F(HeadModes, ScrollingUpAndDownFasterTheFurtherWithThePointerStill) {
    request(&SharedState::scrollToggleRequested);
    EXPECT_TRUE(s->shared.scrolling);
    EXPECT_EQ(modes(), std::vector<int32_t>{kScrolling});
    face(kX, kY);  // the anchor
    face(kX, kY - 10, 10);
    const int64_t near = wheel(true);
    EXPECT_GT(near, 0);
    face(kX, kY - 20, 10);
    EXPECT_GT(wheel(true) - near, near);
    desktop.calls.clear();
    face(kX, kY + 12, 10);
    EXPECT_LT(wheel(true), 0);
    EXPECT_EQ(wheel(false), 0);
    for (const auto& c : desktop.of(DesktopCall::Wheel)) EXPECT_EQ(c.a % 30, 0);
    EXPECT_TRUE(desktop.of(DesktopCall::SetCursor).empty());
    EXPECT_TRUE(desktop.of(DesktopCall::ButtonDown).empty());
}

TEST_F(HeadModes, SidewaysScrollsTheWayTheUserTurnsWithEitherPicture) {
    request(&SharedState::scrollToggleRequested);
    face(kX, kY);
    face(kX + 14, kY, 5);  // mirrored: the face moves the way the head does
    EXPECT_GT(wheel(false), 0);
    EXPECT_EQ(wheel(true), 0);
    desktop.calls.clear();
    s->shared.mirrorX = false;
    face(kX + 14, kY, 5);
    EXPECT_LT(wheel(false), 0);
}

TEST_F(HeadModes, TheDeadZoneScrollsNothingAndHoldingStillThereEndsTheMode) {
    request(&SharedState::scrollToggleRequested);
    face(kX, kY);
    face(kX + 6, kY - 6, 38);  // inside: a tenth of the eye gap
    EXPECT_TRUE(desktop.of(DesktopCall::Wheel).empty());
    EXPECT_TRUE(s->shared.scrolling);
    face(kX + 6, kY - 6, 1);
    EXPECT_FALSE(s->shared.scrolling);
    EXPECT_EQ(modes(), (std::vector<int32_t>{kScrolling, kPointing}));
    // Scrolling in between starts the count again.
    request(&SharedState::scrollToggleRequested);
    face(kX, kY);
    face(kX, kY, 30);
    face(kX, kY - 12, 1);
    face(kX, kY, 30);
    EXPECT_TRUE(s->shared.scrolling);
}

TEST_F(HeadModes, AnEyeGestureEndsScrollingWithoutClickingAndNoDwellFollows) {
    s->shared.clickGestures[GestureEye] = 1;
    s->shared.clickGestures[GestureDwell] = 1;
    request(&SharedState::scrollToggleRequested);
    face(kX, kY);
    planned.eye = true;
    face(kX, kY);
    EXPECT_FALSE(s->shared.scrolling);
    face(kX, kY, 40);  // held still: the dwell waits for a move
    EXPECT_TRUE(desktop.of(DesktopCall::ButtonDown).empty());
    face(kX + 3, kY);
    face(kX + 3, kY, 25);
    EXPECT_EQ(desktop.of(DesktopCall::ButtonDown).size(), 1u);
}

TEST_F(HeadModes, ScrollingNeedsAFollowedFaceAndNoPauseAndALossEndsIt) {
    s->state = MotionSearch;
    request(&SharedState::scrollToggleRequested);
    EXPECT_FALSE(s->shared.scrolling);
    s->state = Tracking;
    request(&SharedState::pauseToggleRequested);
    request(&SharedState::scrollToggleRequested);
    EXPECT_FALSE(s->shared.scrolling);
    request(&SharedState::pauseToggleRequested);
    request(&SharedState::scrollToggleRequested);
    EXPECT_TRUE(s->shared.scrolling);
    endTracking(*s, desktop, Ending::TrackingLost);
    EXPECT_FALSE(s->shared.scrolling);
    EXPECT_EQ(modes(), (std::vector<int32_t>{kPaused, kPointing, kScrolling, kPointing}));
}

TEST_F(HeadModes, TheKeyboardsScrollKeyScrollsTheWindowTheUserCameFrom) {
    showKeyboard();
    s->keyboard.left = 500, s->keyboard.top = 400, s->keyboard.right = 900;
    s->keyboard.bottom = 700;
    face(kX, kY);
    const ScreenPoint before = desktop.cursor;
    ASSERT_FALSE(insideKeyboard(*s, before));
    desktop.cursor = {700, 600};  // on the key
    s->shared.lastCursor.store(desktop.cursor);
    EXPECT_TRUE(handleKeyboardMessage(*s, keyboard::kMsgKeyboardScroll, 0, 0));
    takeHeadModeRequests(*s, desktop);
    EXPECT_TRUE(s->shared.scrolling);
    EXPECT_EQ(desktop.cursor, before);
}

TEST_F(HeadModes, PauseReleasesTheDragFirstAndThenNothingActs) {
    showKeyboard();
    s->shared.clickGestures[GestureEye] = 1;
    s->shared.clickGestures[GestureDwell] = 1;
    s->pointer.buttonHeld = true;
    s->state = KeyboardToggle;  // a nod just before
    EXPECT_TRUE(handleKeyboardMessage(*s, keyboard::kMsgKeyboardPause, 0, 0));
    takeHeadModeRequests(*s, desktop);
    ASSERT_EQ(desktop.calls.size(), 2u);
    EXPECT_EQ(desktop.calls[0].kind, DesktopCall::ButtonUp);
    EXPECT_EQ(desktop.calls[1], (DesktopCall{DesktopCall::HeadMode, 0, kPaused}));
    EXPECT_TRUE(s->shared.paused);
    EXPECT_EQ(s->state, Tracking);
    desktop.calls.clear();
    desktop.cursor = {100, 100};  // over the keyboard
    s->shared.lastCursor.store(desktop.cursor);
    for (int i = 0; i < 300; ++i) {
        planned.eye = i % 7 == 0;
        face(kX + (i % 40), kY + (i % 3), 1);
    }
    face(kX, kY, 300);
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_EQ(s->state, Tracking);  // no nod toggle, no shake, no idle loss
}

TEST_F(HeadModes, TwoNodsCloseTogetherResumeAndOneAloneDoesNot) {
    request(&SharedState::pauseToggleRequested);
    nod();
    EXPECT_TRUE(s->shared.paused);
    face(kX, kY, 90);
    nod();
    EXPECT_TRUE(s->shared.paused);  // the first nod was too long ago
    nod();
    EXPECT_FALSE(s->shared.paused);
    EXPECT_EQ(modes(), (std::vector<int32_t>{kPaused, kPointing}));
}

TEST_F(HeadModes, ThePauseOutlivesEveryEndingAndACalibrationLeavesThePointer) {
    request(&SharedState::pauseToggleRequested);
    for (Ending e : {Ending::TrackingLost, Ending::CameraLost, Ending::EngineSwitch}) {
        s->state = Tracking;
        endTracking(*s, desktop, e);
        EXPECT_TRUE(s->shared.paused);
    }
    desktop.calls.clear();
    enterTracking(*s, desktop);
    EXPECT_TRUE(desktop.of(DesktopCall::SetCursor).empty());
    EXPECT_EQ(modes(), std::vector<int32_t>{});
}

TEST_F(HeadModes, AHeldTiltStartsScrollingWhereThePointerWasAndOnlyOnce) {
    desktop.cursor = {321, 222};
    s->shared.lastCursor.store(desktop.cursor);
    for (int i = 0; i < 30; ++i) followHeadTilt(*s, desktop, 17.0);  // not far enough
    EXPECT_FALSE(s->handsFree.scroll.on);
    followHeadTilt(*s, desktop, 10.0);
    desktop.cursor = {350, 230};  // the tilt moved it
    s->shared.lastCursor.store(desktop.cursor);
    for (int i = 0; i < 7; ++i) followHeadTilt(*s, desktop, -24.0);
    EXPECT_FALSE(s->handsFree.scroll.on);
    followHeadTilt(*s, desktop, -24.0);
    EXPECT_TRUE(s->handsFree.scroll.on);
    EXPECT_EQ(desktop.cursor, (ScreenPoint{321, 222}));
    // Still tilted, the face is no anchor; upright, it is.
    face(kX + 20, kY);
    EXPECT_FALSE(s->handsFree.scroll.anchored);
    followHeadTilt(*s, desktop, 2.0);
    face(kX, kY);
    EXPECT_TRUE(s->handsFree.scroll.anchored);
    endScrollMode(*s, desktop);
    // The same tilt held on does not start it again; a new one does.
    for (int i = 0; i < 20; ++i) followHeadTilt(*s, desktop, -24.0);
    EXPECT_TRUE(s->handsFree.scroll.on);
    endScrollMode(*s, desktop);
    for (int i = 0; i < 20; ++i) followHeadTilt(*s, desktop, -24.0);
    EXPECT_FALSE(s->handsFree.scroll.on);
    followHeadTilt(*s, desktop, 0.0);
    for (int i = 0; i < 8; ++i) followHeadTilt(*s, desktop, 24.0);
    EXPECT_TRUE(s->handsFree.scroll.on);
}

TEST_F(HeadModes, TheDwellRingFillsFromHalfWayAndGoesWithMotionAndTheClick) {
    s->shared.clickGestures[GestureDwell] = 1;
    face(kX, kY, 9);
    EXPECT_TRUE(desktop.of(DesktopCall::DwellRing).empty());
    face(kX, kY, 1);
    ASSERT_EQ(desktop.of(DesktopCall::DwellRing).size(), 1u);
    EXPECT_EQ(desktop.of(DesktopCall::DwellRing)[0].c, 500);
    face(kX + 4, kY);  // moved: gone
    EXPECT_EQ(desktop.of(DesktopCall::DwellRing).back().c, 0);
    desktop.calls.clear();
    face(kX + 4, kY, 20);
    const auto ring = desktop.of(DesktopCall::DwellRing);
    ASSERT_EQ(ring.size(), 11u);  // 500, 550 .. 950, then away with the click
    EXPECT_EQ(ring[9].c, 950);
    EXPECT_EQ(ring[10].c, 0);
    EXPECT_EQ(desktop.of(DesktopCall::ButtonDown).size(), 1u);
}

TEST(EveryScreen, BoundsAndMapCoverTheDesktopWhenChosenAndOnlyThen) {
    auto s = testing::startedState(1024, 768);
    RecordingDesktop desktop;
    desktop.screens = {-1280, -200, 2304, 1024};
    followScreenChoice(*s, desktop);
    EXPECT_EQ(s->shared.clampMinX, 1);
    EXPECT_EQ(s->shared.mapWidth, 1024);
    s->shared.allScreens = true;
    followScreenChoice(*s, desktop);
    EXPECT_EQ(s->shared.clampMinX, -1279);
    EXPECT_EQ(s->shared.clampMaxX, 1014);
    EXPECT_EQ(s->shared.clampMinY, -199);
    EXPECT_EQ(s->shared.clampMaxY, 814);
    EXPECT_EQ(s->shared.mapWidth, 2304);
    EXPECT_EQ(s->shared.mapHeight, 1024);
    // The head range's left edge, mirrored, is the desktop's left edge.
    s->shared.mirrorX = true;
    s->shared.headRangeMinX = 100, s->shared.headRangeMaxX = 140;
    s->shared.headRangeMinY = 100, s->shared.headRangeMaxY = 120;
    s->shared.gainX = 1.0 / 280.0;
    s->track.lastTargetX = -1000;
    mapPointer(*s, 100.0, 110.0);
    EXPECT_EQ(s->pointer.targetX, -1279);
    // The options window's bounds are left alone, and every screen's come
    // back once it has put the primary screen's in place.
    s->shared.optionsOpen = true;
    s->shared.clampMinX = 300;
    followScreenChoice(*s, desktop);
    EXPECT_EQ(s->shared.clampMinX, 300);
    s->shared.optionsOpen = false;
    s->shared.clampMinX = 1;
    followScreenChoice(*s, desktop);
    EXPECT_EQ(s->shared.clampMinX, -1279);
    // Off again, or no rectangle known: the primary screen.
    desktop.screens = {};
    followScreenChoice(*s, desktop);
    EXPECT_EQ(s->shared.clampMinX, 1);
    EXPECT_EQ(s->shared.clampMaxX, 1014);
    EXPECT_EQ(s->shared.mapWidth, 1024);
    desktop.screens = {-1280, -200, 2304, 1024};
    followScreenChoice(*s, desktop);
    s->shared.allScreens = false;
    followScreenChoice(*s, desktop);
    EXPECT_EQ(s->shared.clampMinY, 1);
    EXPECT_EQ(s->shared.mapHeight, 768);
    EXPECT_FALSE(s->handsFree.screens.allScreens);
}

}  // namespace
}  // namespace quil
