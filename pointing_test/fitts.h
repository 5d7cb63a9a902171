// The throughput of a multidirectional pointing test, computed the way the
// field's standard does: per condition (a distance and a target width), the
// spread of the selections along each movement's axis gives the effective
// width, the mean distance actually moved the effective amplitude, and their
// effective index of difficulty over the mean movement time the throughput;
// the test's throughput is the mean of its conditions'.
#pragma once

#include <span>
#include <vector>

namespace quil::pointing {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// One selection: where the movement started (the previous selection), the
// target's centre and width, where the user selected, and how long it took.
struct Trial {
    Point from;
    Point target;
    double width = 0.0;
    Point selected;
    double seconds = 0.0;
    // The condition it belongs to (an index the caller gives).
    int condition = 0;
};

// The standard's factor: 4.133 standard deviations hold 96 % of a normal
// distribution of selections, the share a target of the nominal width would.
inline constexpr double kEffectiveWidthFactor = 4.133;

struct ConditionResult {
    int condition = 0;
    int trials = 0;
    int misses = 0;
    double effectiveWidth = 0.0;      // pixels
    double effectiveAmplitude = 0.0;  // pixels
    double effectiveIndex = 0.0;      // bits
    double meanSeconds = 0.0;
    double throughput = 0.0;  // bits per second
};

struct TestResult {
    std::vector<ConditionResult> conditions;
    int trials = 0;
    int misses = 0;
    double throughput = 0.0;   // mean of the conditions' throughputs
    double meanSeconds = 0.0;  // over all trials
    [[nodiscard]] double errorRate() const {
        return trials > 0 ? static_cast<double>(misses) / trials : 0.0;
    }
};

// Whether a selection falls on its (round) target.
[[nodiscard]] bool hit(const Trial& t);

// The selection's signed offset along the movement's axis: positive past
// the target, negative short of it. A trial that starts on its target has
// no axis; its offset is the plain distance.
[[nodiscard]] double offsetAlongAxis(const Trial& t);

// Every condition's figures and the test's. A condition with fewer than two
// trials has no spread and is left out of the mean; so is one whose movement
// time is zero.
[[nodiscard]] TestResult computeThroughput(std::span<const Trial> trials);

}  // namespace quil::pointing
