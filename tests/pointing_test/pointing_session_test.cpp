#include "pointing_test/pointing_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace quil::pointing {
namespace {

TEST(PointingSession, EachRoundVisitsEveryTargetAcrossTheCircleAndEndsWhereItBegan) {
    std::set<int> seen;
    for (int k = 1; k < kSelectionsPerRound; ++k) seen.insert(targetInRound(k));
    EXPECT_EQ(seen.size(), static_cast<size_t>(kTargetCount));
    EXPECT_EQ(targetInRound(0), 0);
    EXPECT_EQ(targetInRound(1), 6);
    EXPECT_EQ(targetInRound(2), 1);
    EXPECT_EQ(targetInRound(kSelectionsPerRound - 1), 0);
    // Every step crosses most of the circle: 5 or 6 targets on.
    for (int k = 1; k < kSelectionsPerRound; ++k) {
        const int step = (targetInRound(k) - targetInRound(k - 1) + kTargetCount) % kTargetCount;
        EXPECT_TRUE(step == 5 || step == 6) << k;
    }
}

TEST(PointingSession, ThreeDistancesTwoWidthsScaledToTheScreenAndInsideIt) {
    const auto conditions = standardConditions(1024, 768);
    ASSERT_EQ(conditions.size(), 6u);
    EXPECT_EQ(conditions.front().distance, 192);
    EXPECT_EQ(conditions.back().distance, 499);
    EXPECT_EQ(conditions.front().width, 46);
    PointingSession session(1024, 768);
    for (int r = 0; r < session.totalRounds(); ++r) {
        for (int t = 0; t < kTargetCount; ++t) {
            const Point c = session.targetCentre(t);
            const double half = session.condition().width / 2;
            EXPECT_GE(c.x - half, 0);
            EXPECT_LE(c.x + half, 1024);
            EXPECT_GE(c.y - half, 0);
            EXPECT_LE(c.y + half, 768);
        }
        for (int k = 0; k < kSelectionsPerRound; ++k) {
            session.select(session.targetCentre(session.litTarget()), r * 100.0 + k);
        }
    }
    EXPECT_TRUE(session.finished());
}

TEST(PointingSession, TheFirstSelectionOfARoundOnlyStartsTheClock) {
    PointingSession session(800, 600, {{300, 40}}, 2);
    double now = 5.0;
    for (int k = 0; k < 2 * kSelectionsPerRound; ++k) {
        session.select(session.targetCentre(session.litTarget()), now);
        now += 2.0;
    }
    EXPECT_TRUE(session.finished());
    // 11 trials a round, each 2 s, all hits; further selections do nothing.
    session.select({0, 0}, 100.0);
    const TestResult r = session.result();
    EXPECT_EQ(r.trials, 2 * kTargetCount);
    EXPECT_EQ(r.misses, 0);
    EXPECT_DOUBLE_EQ(r.meanSeconds, 2.0);
    // The movement starts from the previous selection: the lit target's
    // neighbour across the circle, 300 pixels of diameter away at most.
    for (const Trial& t : session.trials()) {
        const double a = std::hypot(t.target.x - t.from.x, t.target.y - t.from.y);
        EXPECT_GT(a, 290.0);
        EXPECT_LE(a, 300.0 + 1e-9);
    }
}

TEST(PointingSession, ResultsAppendToACsvWithOneHeader) {
    const auto file = std::filesystem::temp_directory_path() / "quil_pointing_test" / kResultsFile;
    std::filesystem::remove_all(file.parent_path());
    TestResult r;
    r.throughput = 1.23456;
    r.meanSeconds = 2.5;
    r.trials = 66;
    r.misses = 3;
    ASSERT_TRUE(appendResult(file, csvLine(r, "2026-12-08 14:05", "precise")));
    ASSERT_TRUE(appendResult(file, csvLine(r, "2026-12-09 10:00", "classic")));
    std::string header, first, second, extra;
    {
        // Closed before the folder goes: Windows keeps an open file's folder.
        std::ifstream in(file);
        std::getline(in, header);
        std::getline(in, first);
        std::getline(in, second);
        EXPECT_FALSE(std::getline(in, extra));
    }
    EXPECT_EQ(header, csvHeader());
    EXPECT_EQ(first, "2026-12-08 14:05,precise,1.235,2500,4.5,66");
    EXPECT_EQ(second.substr(0, 25), "2026-12-09 10:00,classic,");
    std::filesystem::remove_all(file.parent_path());
    // A folder where the file should be: refused, not thrown.
    std::filesystem::create_directories(file);
    EXPECT_FALSE(appendResult(file, "x"));
    std::filesystem::remove_all(file.parent_path());
}

}  // namespace
}  // namespace quil::pointing
