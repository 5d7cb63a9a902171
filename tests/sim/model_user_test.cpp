// The model user's motor model on its own (its movements' ends, spread and
// timing, and its corrections against a stand-in pointer), and one short
// pointing run through the whole tracker.
#include "sim/model_user.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/pointing_run.h"

namespace quil::sim {
namespace {

constexpr double kTick = 0.075;

struct Spread {
    double meanAlong = 0, sdAlong = 0, sdAcross = 0, worst = 0;
};

// Many movements from the origin along x toward `aim`.
Spread spreadOf(const MotorParams& p, double aim, bool primary, uint64_t seed) {
    MotorNoise noise(seed);
    constexpr int kCount = 2000;
    std::vector<std::array<double, 2>> ends;
    for (int i = 0; i < kCount; ++i)
        ends.push_back(planMovement(p, {0, 0}, {aim, 0}, 0, primary, noise).to);
    Spread s;
    for (const auto& e : ends) s.meanAlong += e[0] / kCount;
    for (const auto& e : ends) {
        s.sdAlong += (e[0] - s.meanAlong) * (e[0] - s.meanAlong) / kCount;
        s.sdAcross += e[1] * e[1] / kCount;
        s.worst = std::max(s.worst, std::hypot(e[0] - aim, e[1]));
    }
    s.sdAlong = std::sqrt(s.sdAlong);
    s.sdAcross = std::sqrt(s.sdAcross);
    return s;
}

TEST(MotorModel, MinimumJerkStartsAndEndsAtRest) {
    EXPECT_DOUBLE_EQ(minimumJerk(0.0), 0.0);
    EXPECT_DOUBLE_EQ(minimumJerk(1.0), 1.0);
    EXPECT_NEAR(minimumJerk(0.5), 0.5, 1e-12);
    // Flat at both ends: the first and last percent cover almost nothing.
    EXPECT_LT(minimumJerk(0.01), 1e-5);
    EXPECT_GT(minimumJerk(0.99), 1 - 1e-5);
    // Outside the movement the head stays at its ends.
    EXPECT_DOUBLE_EQ(minimumJerk(-3.0), 0.0);
    EXPECT_DOUBLE_EQ(minimumJerk(7.0), 1.0);
    const Movement m{{1, 2}, {5, -2}, 10.0, 0.5};
    EXPECT_EQ(m.at(9.0), (std::array<double, 2>{1, 2}));
    EXPECT_EQ(m.at(11.0), (std::array<double, 2>{5, -2}));
    EXPECT_NEAR(m.at(10.25)[0], 3.0, 1e-9);
}

TEST(MotorModel, MovementsEndNearTheirAimAndSpreadGrowsWithAmplitude) {
    const MotorParams p;
    const Spread small = spreadOf(p, 4.0, false, 1);
    const Spread large = spreadOf(p, 16.0, false, 2);
    EXPECT_NEAR(small.meanAlong, 4.0, 0.02);
    EXPECT_NEAR(large.meanAlong, 16.0, 0.05);
    // Longer, faster movements scatter more, more along than across.
    EXPECT_GT(large.sdAlong, 1.5 * small.sdAlong);
    EXPECT_NEAR(large.sdAcross / large.sdAlong, p.crossSpreadShare, 0.05);
    // About 5 % of the amplitude, and nothing wild.
    EXPECT_GT(large.sdAlong, 0.02 * 16);
    EXPECT_LT(large.sdAlong, 0.08 * 16);
    EXPECT_LT(large.worst, 6 * large.sdAlong);
    // A main movement falls short by its gain.
    EXPECT_NEAR(spreadOf(p, 16.0, true, 3).meanAlong, 16.0 * p.primaryGain, 0.05);
    // Longer movements take longer.
    MotorNoise noise(4);
    EXPECT_GT(planMovement(p, {0, 0}, {16, 0}, 0, true, noise).seconds,
              planMovement(p, {0, 0}, {4, 0}, 0, true, noise).seconds);
}

// A stand-in for the tracker's pointer: the head's place on the screen by a
// fixed gain (x reversed, as an unmirrored picture gives it), and a pointer
// that closes in on it by the square of the distance, with a dead zone.
class StandInPointer {
public:
    void follow(const HeadSteer& head) {
        const std::array<double, 2> raw{512 - kGain[0] * head.x, 384 + kGain[1] * head.y};
        for (size_t i = 0; i < 2; ++i) {
            const double d = raw[i] - at[i];
            at[i] += std::copysign(std::round(d * d / kDivisor[i]), d);
        }
    }
    std::array<double, 2> at{512, 384};

private:
    static constexpr std::array<double, 2> kGain{26.0, 36.0};
    static constexpr std::array<double, 2> kDivisor{5625.0, 10000.0};
};

struct Loop {
    ModelUser user;
    StandInPointer pointer;
    double t = 0;
    HeadSteer step(const ScreenView& target) {
        ScreenView v = target;
        v.pointerX = pointer.at[0];
        v.pointerY = pointer.at[1];
        const HeadSteer h = user.tick(t, v);
        pointer.follow(h);
        t += kTick;
        return h;
    }
    void settle() {
        while (!user.familiar() && t < 200) step({});
    }
};

MotorParams still() {
    MotorParams p;
    p.swayPixels = 0;
    p.tremorPixels = 0;
    return p;
}

TEST(ModelUser, LearnsThePointerAndWaitsItsReactionTime) {
    Loop loop{ModelUser(still(), SelectBy::Mouth, 5), {}};
    loop.settle();
    ASSERT_TRUE(loop.user.familiar());
    // The learned gains have the stand-in's signs and about its sizes (the
    // dead zone makes them look a little weaker).
    EXPECT_LT(loop.user.gain()[0], -13);
    EXPECT_GT(loop.user.gain()[0], -30);
    EXPECT_GT(loop.user.gain()[1], 18);
    EXPECT_LT(loop.user.gain()[1], 40);

    const double lit = loop.t;
    const auto before = loop.user.plannedHead(lit);
    const ScreenView target{0, 0, true, 1, 700, 300, 60};
    const MotorParams p = still();
    double firstMove = -1;
    while (loop.t < lit + 2 && firstMove < 0) {
        loop.step(target);
        const auto now = loop.user.plannedHead(loop.t);
        if (std::hypot(now[0] - before[0], now[1] - before[1]) > 1e-9) firstMove = loop.t;
    }
    ASSERT_GT(firstMove, 0);
    EXPECT_GE(firstMove, lit + p.perceptionDelaySeconds + p.reactionSeconds - 1e-9);
    EXPECT_LT(firstMove, lit + p.perceptionDelaySeconds + p.reactionSeconds + 3 * kTick);
}

TEST(ModelUser, CorrectionsBringThePointerOntoEachTargetBeforeSelecting) {
    Loop loop{ModelUser(MotorParams{}, SelectBy::Mouth, 6), {}};
    loop.settle();
    const std::array<std::array<double, 2>, 4> targets{
        {{300, 200}, {760, 560}, {512, 384}, {200, 600}}};
    int id = 0;
    for (const auto& c : targets) {
        const ScreenView target{0, 0, true, ++id, c[0], c[1], 50};
        const double start = loop.t;
        int before = loop.user.gestures();
        double mouthPeak = -1;
        std::array<double, 2> atPeak{};
        // Until the mouth opens fully: the selection.
        while (loop.t < start + 30) {
            const HeadSteer h = loop.step(target);
            if (loop.user.gestures() > before && h.mouthOpen > 0.99) {
                mouthPeak = loop.t;
                atPeak = loop.pointer.at;
                break;
            }
        }
        ASSERT_GT(mouthPeak, 0) << "never selected target " << id;
        EXPECT_LT(mouthPeak - start, 15.0) << "target " << id;
        EXPECT_LT(std::hypot(atPeak[0] - c[0], atPeak[1] - c[1]), 25.0 + 15.0) << "target " << id;
        before = loop.user.gestures();
    }
    EXPECT_GT(loop.user.corrections(), 0);
}

TEST(ModelUser, DwellingHoldsStillWithoutGestures) {
    Loop loop{ModelUser(MotorParams{}, SelectBy::Dwell, 7), {}};
    loop.settle();
    const ScreenView target{0, 0, true, 1, 600, 300, 80};
    bool dwelt = false;
    for (int k = 0; k < 400; ++k) {
        const HeadSteer h = loop.step(target);
        EXPECT_EQ(h.mouthOpen, 0.0);
        EXPECT_EQ(h.eyeClose, 0.0);
        if (h.doing & kDwellHeld) dwelt = true;
    }
    EXPECT_TRUE(dwelt);
    EXPECT_EQ(loop.user.gestures(), 0);
}

// Openings of the mouth on a target that stays lit, whatever they do: how
// long each stayed full, in seconds, for the first `count` of them.
std::vector<double> fullOpenings(Loop& loop, const ScreenView& target, size_t count) {
    std::vector<double> held;
    double full = 0;
    for (int k = 0; k < 2000 && held.size() < count; ++k) {
        if (loop.step(target).mouthOpen > 0.999) {
            full += kTick;
        } else if (full > 0) {
            held.push_back(full);
            full = 0;
        }
    }
    return held;
}

TEST(ModelUser, AGestureThatClickedNothingIsHeldLongerOnTheNextTry) {
    Loop loop{ModelUser(still(), SelectBy::Mouth, 8), {}};
    loop.settle();
    const ScreenView first{0, 0, true, 1, loop.pointer.at[0], loop.pointer.at[1], 200};
    const std::vector<double> held = fullOpenings(loop, first, 6);
    ASSERT_EQ(held.size(), 6u);
    // 0.35 s, then a quarter of a second more each time, up to a second more.
    for (size_t i = 0; i < held.size(); ++i) {
        EXPECT_NEAR(held[i], 0.35 + std::min(0.25 * static_cast<double>(i), 1.0), 0.1) << i;
    }
    // The next target starts again from the usual hold.
    const ScreenView next{0, 0, true, 2, loop.pointer.at[0], loop.pointer.at[1], 200};
    const std::vector<double> again = fullOpenings(loop, next, 1);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NEAR(again[0], 0.35, 0.1);
}

// The whole tracker, briefly: calibration, trying the pointer out quickly and
// two selections with the mouth, the default options and the classic engine.
TEST(PointingRun, TheClassicEngineTakesATrial) {
    PointingOptions o;
    o.seed = 2;
    o.conditions = {{350.0, 90.0}};
    o.maxTrials = 1;
    o.motor.tryWaitSeconds = 1.5;
    const PointingOutcome r = runPointing(o);
    ASSERT_EQ(r.exitCode, 0) << r.error;
    EXPECT_TRUE(r.calibrated);
    ASSERT_TRUE(r.finished) << r.stopReason;
    EXPECT_EQ(r.selectBy, SelectBy::Mouth);
    ASSERT_EQ(r.trials.size(), 1u);
    EXPECT_EQ(r.losses, 0);
    for (const auto& t : r.trials) {
        EXPECT_GT(t.seconds, 0.5);
        EXPECT_LT(t.seconds, 25.0);
    }
    // On the target or close by: one selection may just miss, as people's do.
    const auto& t = r.trials[0];
    EXPECT_LT(std::hypot(t.selected.x - t.target.x, t.selected.y - t.target.y), 1.5 * t.width);
}

TEST(PointingRun, OptionsWithoutAClickGestureAreRefused) {
    PointingOptions o;
    o.optionsContent = "1 0 0 0 1 0 0 1 0 0 0 0 1 0 0\n";
    const PointingOutcome r = runPointing(o);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(r.error.empty());
}

TEST(PointingRun, RmsAboutTheMean) {
    EXPECT_EQ(rmsAboutMean({}), 0.0);
    EXPECT_EQ(rmsAboutMean({{{5, 5}}}), 0.0);
    EXPECT_NEAR(rmsAboutMean({{{0, 0}}, {{2, 0}}}), 1.0, 1e-12);
    EXPECT_NEAR(rmsAboutMean({{{1, 1}}, {{1, 1}}, {{4, 5}}, {{-2, -3}}}),
                std::sqrt((0.0 + 0 + 9 + 16 + 9 + 16) / 4), 1e-12);
}

}  // namespace
}  // namespace quil::sim
