// The precise engine's reading of the 68-point outlines, stage by stage, on
// outlines drawn here: the measures, what makes a hold act and what never
// does, the pointer held during a gesture, and the gesture check.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "options/options_file.h"
#include "recording_desktop.h"
#include "tracker/precise/precise_internal.h"

namespace quil::precise {
namespace {

using landmarks::FullLandmarks;
using landmarks::Point;

// A face drawn as outlines: eyes 60 px apart, each 30 wide; open is the
// lids' gap over the eye's width, mouth the inner lips' gap over their width;
// brows this high above the eyes' corners; the nose tip this far aside; the
// whole turned by roll radians about the eyes' midpoint.
struct Face {
    double open = 0.3;
    double mouth = 0.02;
    double mouthWidth = 50;
    double brows = 25;
    double noseAside = 0;
    double roll = 0;
    double x = 320, y = 200;
};

FullLandmarks draw(const Face& f) {
    FullLandmarks m{};
    const auto put = [&](int i, double dx, double dy) {
        const double c = std::cos(f.roll), s = std::sin(f.roll);
        m[static_cast<size_t>(i)] = {f.x + c * dx - s * dy, f.y + s * dx + c * dy};
    };
    for (int side = 0; side < 2; ++side) {
        const double cx = side == 0 ? -30 : 30;
        const int eye = side == 0 ? 36 : 42, brow = side == 0 ? 17 : 22;
        const double half = 15, lid = f.open * 30 / 2;
        put(eye, cx - half, 0), put(eye + 3, cx + half, 0);
        put(eye + 1, cx - 5, -lid), put(eye + 2, cx + 5, -lid);
        put(eye + 4, cx + 5, lid), put(eye + 5, cx - 5, lid);
        for (int k = 0; k < 5; ++k) put(brow + k, cx - 12 + 6 * k, -f.brows);
    }
    for (int k = 0; k < 9; ++k)
        put(27 + k, (k == 3 ? f.noseAside : 0) + (k > 3 ? 4 * (k - 6) : 0),
            10 + 8 * std::min(k, 4));
    const double w = f.mouthWidth / 2, gap = f.mouth * 30;
    put(48, -w, 90), put(54, w, 90);
    put(60, -15, 90), put(64, 15, 90);
    for (int k = 0; k < 3; ++k)
        put(61 + k, -8 + 8 * k, 90 - gap / 2), put(67 - k, -8 + 8 * k, 90 + gap / 2);
    return m;
}

struct Outlines : ::testing::Test {
    std::unique_ptr<TrackerState> state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    testing::RecordingDesktop desktop;
    bool eyeEvent = false, mouthEvent = false;
    double x = 0, y = 0;  // where the pointer is held, after the last tick

    void SetUp() override {
        applyOptionsText(s, kDefaultOptionsText);  // the mouth clicks, the eyes drag
        startWith(Face{});
    }
    void startWith(const Face& f) {
        s.precise.outline.now = measuresOf(draw(f));
        startOutline(s.precise.outline);
        for (int i = 0; i < 40; ++i) tick(f);
    }
    // One tracking tick with the face as drawn; moved is the head's motion.
    void tick(const Face& f, double moved = 0.0) {
        PreciseOutline& o = s.precise.outline;
        o.now = measuresOf(draw(f));
        readOutlineGestures(s, moved);
        followRest(o);
        runGestureCheck(s, desktop);
        x = f.x, y = f.y;
        holdPointerForGesture(s, x, y);
        s.pointer.eyeEvent = s.pointer.mouthEvent = false;
        detectOutlineEvents(s, x, y);
        eyeEvent = s.pointer.eyeEvent, mouthEvent = s.pointer.mouthEvent;
    }
    // Ticks with the face; how many of them raised each event.
    std::pair<int, int> hold(const Face& f, int ticks, double moved = 0.0) {
        int eyes = 0, mouths = 0;
        for (int i = 0; i < ticks; ++i) {
            tick(f, moved);
            eyes += eyeEvent, mouths += mouthEvent;
        }
        return {eyes, mouths};
    }
};

TEST(OutlineMeasures, AreRatiosOfTheFaceWhateverItsTiltOrPlace) {
    Face f;
    f.open = 0.3, f.mouth = 0.4;
    const OutlineMeasures a = measuresOf(draw(f));
    EXPECT_NEAR(a.eyes, 0.3, 1e-9);
    EXPECT_NEAR(a.mouth, 0.4, 1e-9);
    EXPECT_NEAR(a.eyeGap, 60, 1e-9);
    EXPECT_NEAR(a.brows, 25.0 / 60, 1e-9);
    EXPECT_NEAR(a.turn, 0, 1e-9);
    f.roll = 0.26, f.x = 100, f.noseAside = 12;
    const OutlineMeasures b = measuresOf(draw(f));
    EXPECT_NEAR(b.eyes, a.eyes, 1e-9);
    EXPECT_NEAR(b.mouth, a.mouth, 1e-9);
    EXPECT_NEAR(b.brows, a.brows, 1e-9);
    EXPECT_NEAR(b.turn, 12.0 / 60, 1e-9);
    // A degenerate outline (all points on one spot) measures nothing, and
    // divides by nothing.
    const OutlineMeasures z = measuresOf(FullLandmarks{});
    EXPECT_EQ(z.eyeGap, 0);
    EXPECT_EQ(z.eyes, 0);
    EXPECT_EQ(z.mouth, 0);
}

TEST_F(Outlines, AHeldClosingActsOnceAndABlinkNever) {
    Face shut;
    shut.open = 0.1;
    EXPECT_EQ(hold(shut, 4).first, 0);  // a blink: 0.3 s
    hold(Face{}, 10);
    // Held: one event, on the sixth tick (0.45 s), however long it lasts.
    for (int i = 0; i < 5; ++i) {
        tick(shut);
        EXPECT_FALSE(eyeEvent) << i;
    }
    tick(shut);
    EXPECT_TRUE(eyeEvent);
    EXPECT_EQ(hold(shut, 30).first, 0);
}

TEST_F(Outlines, TalkingNeverClicksAndAHeldOpeningDoes) {
    Face open, closed;
    open.mouth = 0.45;
    int clicks = 0;
    for (int i = 0; i < 100; ++i) clicks += hold(i % 4 < 2 ? open : closed, 1).second;
    EXPECT_EQ(clicks, 0);
    hold(closed, 10);
    EXPECT_EQ(hold(open, 20).second, 1);
}

TEST_F(Outlines, SmilesLooksDownTurnsAndSwingsAreNotClosings) {
    Face smile, down, turned, shut;
    shut.open = smile.open = down.open = turned.open = 0.1;
    smile.mouthWidth = 60;  // the mouth 20 % wider
    down.brows = 30;        // the eyes lower under the brows
    turned.noseAside = 20;
    EXPECT_EQ(hold(smile, 20).first, 0);
    EXPECT_EQ(hold(down, 20).first, 0);
    EXPECT_EQ(hold(turned, 20).first, 0);
    EXPECT_EQ(hold(shut, 20, 5.0).first, 0);  // the head swinging 5 px a tick
    // Shutting the eyes on purpose brings the brows down, which still counts.
    shut.brows = 21;
    EXPECT_EQ(hold(shut, 20).first, 1);
}

TEST_F(Outlines, TheSensitivityAndTheUsersOwnLevelsMoveTheThresholds) {
    Face slight;
    slight.mouth = 0.3;  // opened less than the medium level asks
    EXPECT_EQ(hold(slight, 20).second, 0);
    s.shared.gestureSensitivity = SensitivityHigh;
    hold(Face{}, 5);
    EXPECT_EQ(hold(slight, 20).second, 1);
    // A user whose mouth opens little: the check measured 0.2.
    s.shared.gestureSensitivity = SensitivityMedium;
    s.shared.mouthOpenLevel = 200;
    Face weak;
    weak.mouth = 0.15;
    hold(Face{}, 5);
    EXPECT_EQ(hold(weak, 20).second, 1);
}

TEST_F(Outlines, ThePointerStaysWhereTheGestureBegan) {
    Face f, open;
    open.mouth = 0.45;
    for (int i = 0; i < 5; ++i) {
        f.x = 300 + i;
        tick(f);
    }
    EXPECT_EQ(x, 304);
    open.x = 305;
    tick(open);
    // Held where it was two ticks before the mouth passed its threshold.
    EXPECT_EQ(x, 302);
    open.x = 320;
    tick(open);
    EXPECT_EQ(x, 302);
    f.x = 321;
    tick(f);
    EXPECT_EQ(x, 321);
}

TEST_F(Outlines, TheCheckAsksForEachGestureAndKeepsTheUsersLevels) {
    s.shared.gestureCheckRequested = true;
    Face shut, open;
    shut.open = 0.12;
    open.mouth = 0.25;
    // Nothing acts while the check runs, however long the gestures hold.
    EXPECT_EQ(hold(shut, 40), std::make_pair(0, 0));
    EXPECT_EQ(hold(open, 40), std::make_pair(0, 0));
    hold(Face{}, 25);
    std::vector<int32_t> prompts;
    for (const auto& c : desktop.calls) {
        if (c.kind == testing::DesktopCall::GesturePrompt) prompts.push_back(c.a);
    }
    const std::vector<int32_t> expected{static_cast<int32_t>(GesturePrompt::CloseEyes),
                                        static_cast<int32_t>(GesturePrompt::OpenMouth),
                                        static_cast<int32_t>(GesturePrompt::Done),
                                        static_cast<int32_t>(GesturePrompt::None)};
    EXPECT_EQ(prompts, expected);
    EXPECT_EQ(s.shared.eyesShutLevel, 400);  // 0.12 of an open 0.3
    EXPECT_EQ(s.shared.mouthOpenLevel, 250);
    EXPECT_TRUE(s.shared.optionsToSave.exchange(false));
    EXPECT_FALSE(s.shared.gestureCheckRequested);

    // A user who does nothing: the levels stay as they were.
    desktop.calls.clear();
    s.shared.gestureCheckRequested = true;
    hold(Face{}, 110);
    EXPECT_EQ(desktop.calls.at(2).a, static_cast<int32_t>(GesturePrompt::Failed));
    EXPECT_EQ(s.shared.eyesShutLevel, 400);
    EXPECT_FALSE(s.shared.optionsToSave);
}

TEST_F(Outlines, ALossTakesTheCheckOffTheScreen) {
    s.shared.gestureCheckRequested = true;
    tick(Face{});
    desktop.calls.clear();
    endOutline(s, desktop);
    ASSERT_EQ(desktop.calls.size(), 1u);
    EXPECT_EQ(desktop.calls[0].a, static_cast<int32_t>(GesturePrompt::None));
    EXPECT_EQ(s.precise.outline.check, CheckStep::Off);
    EXPECT_FALSE(s.shared.gestureCheckAvailable);
}

}  // namespace
}  // namespace quil::precise
