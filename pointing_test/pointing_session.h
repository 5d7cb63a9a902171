// The pointing test a user takes: rounds of round targets on a circle, one
// lit at a time, each selection across the circle from the last, over three
// distances and two widths; then the figures. Both shells draw it and feed
// it the user's selections; the simulator's model user takes the same test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pointing_test/fitts.h"

namespace quil::pointing {

// Targets on the circle: an odd count lets each selection cross the circle
// to the target just past the opposite one.
inline constexpr int kTargetCount = 11;
// Each round selects every target once after a first selection that only
// starts the clock, and ends where it began.
inline constexpr int kSelectionsPerRound = kTargetCount + 1;
// The circle's diameters and the targets' widths, as shares of the screen's
// shorter side: a head-pointing user's range, from a short reach to most of
// the screen, and targets from a small button to a large one.
inline constexpr double kDistanceShares[] = {0.25, 0.45, 0.65};
inline constexpr double kWidthShares[] = {0.06, 0.12};
inline constexpr int kDefaultRounds = 2;

struct Condition {
    double distance = 0.0;  // the circle's diameter, pixels
    double width = 0.0;     // the targets' diameter, pixels
};

// The conditions in the order they are taken, each for `rounds` rounds.
[[nodiscard]] std::vector<Condition> standardConditions(int screenWidth, int screenHeight);

// The target the k-th selection of a round aims at: 0, 6, 1, 7, ... 5, 0.
[[nodiscard]] int targetInRound(int selection);

class PointingSession {
public:
    PointingSession(int screenWidth, int screenHeight, std::vector<Condition> conditions,
                    int rounds = kDefaultRounds);
    PointingSession(int screenWidth, int screenHeight);

    [[nodiscard]] bool finished() const { return round_ >= totalRounds(); }
    [[nodiscard]] int totalRounds() const { return static_cast<int>(conditions_.size()) * rounds_; }
    // The round being taken and its condition (the last one once finished).
    [[nodiscard]] int round() const { return round_; }
    [[nodiscard]] const Condition& condition() const;
    // The round's targets' centres, and the one lit now.
    [[nodiscard]] Point targetCentre(int index) const;
    [[nodiscard]] int litTarget() const { return targetInRound(selection_); }
    [[nodiscard]] int selectionInRound() const { return selection_; }

    // The user selected at p, `seconds` after the test began. The first
    // selection of a round only starts its clock; the rest are trials,
    // hit or missed, and each lights the next target.
    void select(Point p, double seconds);

    [[nodiscard]] const std::vector<Trial>& trials() const { return trials_; }
    [[nodiscard]] TestResult result() const { return computeThroughput(trials_); }

private:
    int width_;
    int height_;
    std::vector<Condition> conditions_;
    int rounds_;
    int round_ = 0;
    int selection_ = 0;
    Point lastSelected_;
    double lastSeconds_ = 0.0;
    std::vector<Trial> trials_;
};

// The results file: one line per test taken, so that progress over weeks
// can be seen in a spreadsheet.
inline constexpr char kResultsFile[] = "pointing_tests.csv";
[[nodiscard]] std::string csvHeader();
// when: the local date and time as the shell formats it ("2026-12-08 14:05").
[[nodiscard]] std::string csvLine(const TestResult& r, const std::string& when,
                                  const std::string& engine);
// Appends the line, with the header first when the file is new. False when
// the file could not be written.
bool appendResult(const std::filesystem::path& file, const std::string& line);

}  // namespace quil::pointing
