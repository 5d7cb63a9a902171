#include "imaging/one_euro.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quil {
namespace {

constexpr OneEuroParams kParams{1.0, 0.01, 1.0};

TEST(OneEuro, TakesTheFirstSampleAndAnyAfterABadIntervalAsTheyAre) {
    OneEuro f;
    EXPECT_EQ(oneEuroStep(f, 12.5, 0.075, kParams), 12.5);
    EXPECT_LT(oneEuroStep(f, 20.0, 0.075, kParams), 20.0);
    // No time passed, or a clock that ran back: no speed can be had from it.
    EXPECT_EQ(oneEuroStep(f, 30.0, 0.0, kParams), 30.0);
    EXPECT_EQ(oneEuroStep(f, 40.0, -1.0, kParams), 40.0);
    EXPECT_EQ(f.speed, 0.0);
}

TEST(OneEuro, SmoothsAStillSignalHardAndFollowsAMovingOneClosely) {
    // A still signal with a tremor of +-1: the filter keeps well inside it.
    OneEuro still;
    double widest = 0;
    for (int k = 0; k < 200; ++k) {
        const double v = oneEuroStep(still, 100.0 + ((k % 2 == 0) ? 1.0 : -1.0), 0.075, kParams);
        if (k > 50) widest = std::max(widest, std::abs(v - 100.0));
    }
    EXPECT_LT(widest, 0.3);
    // A steady ramp of 1000 units a second: the cut-off opens and the lag
    // stays within a few frames' travel.
    OneEuro moving;
    double lag = 0;
    for (int k = 0; k < 40; ++k) lag = 75.0 * k - oneEuroStep(moving, 75.0 * k, 0.075, kParams);
    EXPECT_GT(lag, 0.0);
    EXPECT_LT(lag, 2 * 75.0);
    // The same ramp at a rest cut-off alone would lag far more.
    OneEuro plain;
    double plainLag = 0;
    for (int k = 0; k < 40; ++k) {
        plainLag = 75.0 * k - oneEuroStep(plain, 75.0 * k, 0.075, {1.0, 0.0, 1.0});
    }
    EXPECT_GT(plainLag, 2 * lag);
}

}  // namespace
}  // namespace quil
