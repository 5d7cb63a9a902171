// The hands-free extras end to end: the scene's person scrolls with the head
// and pauses the tracker; the simulated desktop's wheel, mode and ring are
// checked against the script's moments and the head's true offsets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "pointer/scroll_wheel.h"

namespace quil::sim {
namespace {

using testing::play;

// The script's moments from the first one named `from` on, each to the next.
std::vector<testing::Span> stepsFrom(const ReplayResult& r, const std::string& from) {
    std::vector<testing::Span> out;
    bool started = false;
    for (size_t i = 0; i < r.marks.size(); ++i) {
        if (r.marks[i].what == "blink") continue;
        started = started || r.marks[i].what == from;
        if (!started) continue;
        int64_t end = static_cast<int64_t>(r.ticks.size());
        for (size_t j = i + 1; j < r.marks.size(); ++j) {
            if (r.marks[j].what != "blink") {
                end = r.marks[j].tick;
                break;
            }
        }
        out.push_back({r.marks[i].tick, end, r.marks[i].x, r.marks[i].y});
    }
    return out;
}

struct WheelSum {
    int64_t vertical = 0;
    int64_t horizontal = 0;
};
WheelSum wheelIn(const ReplayResult& r, const testing::Span& span) {
    WheelSum sum;
    for (int64_t t = span.from; t < span.to; ++t) {
        sum.vertical += r.ticks[static_cast<size_t>(t)].wheelVertical;
        sum.horizontal += r.ticks[static_cast<size_t>(t)].wheelHorizontal;
    }
    return sum;
}

const TickRecord& at(const ReplayResult& r, int64_t tick) {
    return r.ticks.at(static_cast<size_t>(tick));
}

bool pointerStill(const ReplayResult& r, int64_t from, int64_t to) {
    for (int64_t t = from + 1; t < to; ++t) {
        if (!(at(r, t).pointer == at(r, from).pointer)) return false;
    }
    return true;
}

// Steps of the scroll_pause scene after its scroll key, in order.
enum Step : size_t {
    ScrollKey,
    Anchor,
    MoveUp,
    HoldUp,
    MoveToDeadZone,
    HoldInDeadZone,
    MoveDown,
    HoldDown,
    MoveBack,
    RestStill,
    PauseKey,
    MoveWhilePaused,
    HoldWhilePaused,
    MouthWhilePaused,
    HoldAfterMouth,
    Nods,
    HoldAfterNods,
    MouthResumed,
    HoldAtEnd,
    StepCount
};

// The scene is played once and read by each test.
class ScrollAndPause : public ::testing::Test {
protected:
    static void SetUpTestSuite() { played = new ReplayResult(play("scroll_pause", 1)); }
    static void TearDownTestSuite() {
        delete played;
        played = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(r.exitCode, 0) << r.error;
        steps = stepsFrom(r, "scroll_key");
        ASSERT_EQ(steps.size(), StepCount);
        ASSERT_EQ(at(r, steps[ScrollKey].from).state, Tracking);
    }
    static inline ReplayResult* played = nullptr;
    const ReplayResult& r = *played;
    std::vector<testing::Span> steps;
};

TEST_F(ScrollAndPause, TheHeadScrollsTheRightWayByTheRightAmountWithThePointerStill) {
    EXPECT_EQ(at(r, steps[ScrollKey].from).mode, HeadMode::Scrolling);
    EXPECT_TRUE(pointerStill(r, steps[ScrollKey].from, steps[RestStill].from));
    EXPECT_EQ(wheelIn(r, steps[Anchor]).vertical, 0);

    // Up: the page scrolls up, by what the head's true offset asks for.
    const WheelSum up = wheelIn(r, steps[HoldUp]);
    EXPECT_GT(up.vertical, 0);
    EXPECT_EQ(up.horizontal, 0);
    const CalibrationInfo* calibration = testing::lastCalibrationBefore(r, steps[ScrollKey].from);
    ASSERT_NE(calibration, nullptr);
    const double eyeGap = calibration->eyeBX - calibration->eyeAX;
    const double anchorY = (*at(r, steps[Anchor].to - 1).truth)[1];
    double expected = 0.0;
    for (int64_t t = steps[HoldUp].from; t < steps[HoldUp].to; ++t) {
        expected += wheelRate((anchorY - (*at(r, t).truth)[1]) / eyeGap);
    }
    EXPECT_NEAR(static_cast<double>(up.vertical), expected, 0.3 * expected + kWheelQuantum);

    // Inside the dead zone nothing turns; down scrolls down.
    EXPECT_EQ(wheelIn(r, steps[HoldInDeadZone]).vertical, 0);
    EXPECT_EQ(wheelIn(r, steps[HoldInDeadZone]).horizontal, 0);
    EXPECT_LT(wheelIn(r, steps[HoldDown]).vertical, 0);
}

TEST_F(ScrollAndPause, HoldingStillEndsScrollingAfterAWhileWithoutAClick) {
    const testing::Span rest = steps[RestStill];
    EXPECT_EQ(at(r, rest.from).mode, HeadMode::Scrolling);
    EXPECT_EQ(at(r, rest.to - 1).mode, HeadMode::Pointing);
    EXPECT_EQ(wheelIn(r, rest).vertical, 0);
    EXPECT_EQ(testing::countIn(r, "click", steps[ScrollKey].from, steps[PauseKey].from), 0);
}

TEST_F(ScrollAndPause, ThePauseStopsEverythingUntilTwoNods) {
    const int64_t paused = steps[PauseKey].from;
    const int64_t nods = steps[Nods].from;
    EXPECT_EQ(at(r, paused).mode, HeadMode::Paused);
    EXPECT_EQ(at(r, nods).mode, HeadMode::Paused);
    EXPECT_TRUE(pointerStill(r, paused, nods));
    for (const std::string event : {"click", "press", "release", "lost", "keyboard_shown"}) {
        EXPECT_EQ(testing::countIn(r, event, paused, nods), 0) << event;
    }
    // Without a dwell gesture (the defaults) no ring ever shows.
    for (const TickRecord& t : r.ticks) EXPECT_EQ(t.ring, 0);
    // The nods bring it back, and the mouth clicks again.
    EXPECT_EQ(at(r, steps[HoldAfterNods].to - 1).mode, HeadMode::Pointing);
    EXPECT_GE(testing::countIn(r, "click", steps[MouthResumed].from, steps[HoldAtEnd].to), 1);
}

// With dwell clicks, the ring appears half way through each dwell, fills to
// the click and is gone with it.
TEST(DwellRing, AppearsHalfWayAndGoesWithTheClick) {
    ReplayOptions o;
    o.scene = "dwell";
    o.seed = 1;
    o.optionsContent = "1 0 0 0 1 0 0 1 0 0 0 1 0 0 0\n";
    const ReplayResult dwell = runReplay(o, {});
    const auto clicks = testing::ticksWith(dwell, "click");
    ASSERT_GE(clicks.size(), 3u);
    for (const int64_t c : clicks) {
        EXPECT_EQ(at(dwell, c).ring, 0) << c;
        int64_t shown = 0;
        for (int64_t t = c - 1; t >= 0 && at(dwell, t).ring > 0; --t) ++shown;
        EXPECT_GE(shown, 9) << c;
        EXPECT_LE(shown, 11) << c;
        EXPECT_EQ(at(dwell, c - shown).ring, 500) << c;
        EXPECT_GE(at(dwell, c - 1).ring, 900) << c;
    }
}

// The precise engine: a head tilt held toward a shoulder starts scrolling,
// measured from the face once it is upright again; the head lowered scrolls
// down, and holding still ends it.
TEST(TiltToScroll, AHeldTiltStartsScrollingAndTheHeadThenScrollsDown) {
    if (!std::filesystem::exists(defaultModelFile())) GTEST_SKIP() << "no landmark model";
    ReplayOptions o;
    o.scene = "tilt_scroll";
    o.precise = true;
    const ReplayResult r = runReplay(o, {});
    ASSERT_EQ(r.exitCode, 0) << r.error;
    const auto steps = stepsFrom(r, "tilt");
    ASSERT_EQ(steps.size(), 6u);  // tilt, hold, move down, hold, move back, hold still
    EXPECT_EQ(at(r, steps[0].from).mode, HeadMode::Pointing);
    EXPECT_EQ(at(r, steps[1].from).mode, HeadMode::Scrolling);
    EXPECT_EQ(wheelIn(r, steps[1]).vertical, 0);
    EXPECT_LT(wheelIn(r, steps[3]).vertical, 0);
    EXPECT_TRUE(pointerStill(r, steps[1].from, steps[5].from));
    EXPECT_EQ(at(r, steps[5].to - 1).mode, HeadMode::Pointing);
    EXPECT_EQ(testing::countIn(r, "click", steps[0].from, steps[5].to), 0);
}

}  // namespace
}  // namespace quil::sim
