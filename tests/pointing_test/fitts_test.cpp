#include "pointing_test/fitts.h"

#include <gtest/gtest.h>

#include <vector>

namespace quil::pointing {
namespace {

// Four selections along a movement of 100 pixels to the right, 2 short,
// on the centre, 2 and 4 past it, each taking 1.5 s. Worked out by hand:
// offsets' standard deviation 2.58199, We = 4.133 * 2.58199 = 10.67136,
// Ae = 101, IDe = log2(101 / 10.67136 + 1) = 3.38744 bits, TP = 2.25830.
std::vector<Trial> handWorkedTrials() {
    std::vector<Trial> trials;
    for (double dx : {-2.0, 0.0, 2.0, 4.0}) {
        Trial t;
        t.from = {0, 50};
        t.target = {100, 50};
        t.width = 6;
        t.selected = {100 + dx, 50 + 1.0};  // off the axis by a pixel: does not count
        t.seconds = 1.5;
        trials.push_back(t);
    }
    return trials;
}

TEST(Throughput, MatchesTheHandCalculation) {
    const TestResult r = computeThroughput(handWorkedTrials());
    ASSERT_EQ(r.conditions.size(), 1u);
    const ConditionResult& c = r.conditions[0];
    EXPECT_NEAR(c.effectiveWidth, 10.671360113, 1e-6);
    EXPECT_NEAR(c.effectiveAmplitude, 101.0, 1e-9);
    EXPECT_NEAR(c.effectiveIndex, 3.387443260, 1e-6);
    EXPECT_NEAR(r.throughput, 2.258295507, 1e-6);
    EXPECT_NEAR(r.meanSeconds, 1.5, 1e-12);
    // Width 6: the centre and 2 either side (with the pixel off the axis,
    // 2.24 from the centre) hit; 4 past misses.
    EXPECT_EQ(r.trials, 4);
    EXPECT_EQ(r.misses, 1);
    EXPECT_DOUBLE_EQ(r.errorRate(), 0.25);
}

TEST(Throughput, AlongTheAxisWhateverTheDirection) {
    // The same movement turned to go up-left: the same figures.
    std::vector<Trial> turned = handWorkedTrials();
    for (Trial& t : turned) {
        const double along = t.selected.x - t.target.x;
        t.from = {300, 300};
        t.target = {300 - 60, 300 - 80};  // 100 pixels away
        t.selected = {t.target.x - 0.6 * along, t.target.y - 0.8 * along};
    }
    EXPECT_NEAR(computeThroughput(turned).throughput, 2.258295507, 1e-6);
}

TEST(Throughput, ConditionsAreAveragedNotPooled) {
    std::vector<Trial> trials = handWorkedTrials();
    std::vector<Trial> slower = handWorkedTrials();
    for (Trial& t : slower) {
        t.condition = 1;
        t.seconds = 3.0;
    }
    trials.insert(trials.end(), slower.begin(), slower.end());
    const TestResult r = computeThroughput(trials);
    ASSERT_EQ(r.conditions.size(), 2u);
    EXPECT_NEAR(r.conditions[1].throughput, 2.258295507 / 2, 1e-6);
    EXPECT_NEAR(r.throughput, 2.258295507 * 0.75, 1e-6);
}

TEST(Throughput, DegenerateInputsGiveNoFigureRatherThanInfinity) {
    EXPECT_EQ(computeThroughput({}).throughput, 0.0);
    EXPECT_EQ(computeThroughput({}).errorRate(), 0.0);
    // One trial has no spread; identical selections have none either.
    std::vector<Trial> one = handWorkedTrials();
    one.resize(1);
    EXPECT_EQ(computeThroughput(one).throughput, 0.0);
    std::vector<Trial> same = handWorkedTrials();
    for (Trial& t : same) t.selected = t.target;
    EXPECT_EQ(computeThroughput(same).throughput, 0.0);
    // Zero time: no division by it.
    std::vector<Trial> instant = handWorkedTrials();
    for (Trial& t : instant) t.seconds = 0.0;
    EXPECT_EQ(computeThroughput(instant).throughput, 0.0);
    // A movement that starts on its target has no axis: the plain distance.
    Trial still;
    still.from = still.target = {10, 10};
    still.selected = {13, 14};
    EXPECT_DOUBLE_EQ(offsetAlongAxis(still), 5.0);
}

}  // namespace
}  // namespace quil::pointing
