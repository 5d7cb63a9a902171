#include "pointing_test/fitts.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace quil::pointing {

namespace {

double distance(Point a, Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

struct Sums {
    int trials = 0;
    int misses = 0;
    double offsetSum = 0.0;
    double offsetSquares = 0.0;
    double amplitudeSum = 0.0;
    double secondsSum = 0.0;
};

}  // namespace

bool hit(const Trial& t) { return distance(t.selected, t.target) <= t.width / 2.0; }

double offsetAlongAxis(const Trial& t) {
    const double amplitude = distance(t.from, t.target);
    if (amplitude <= 0.0) return distance(t.target, t.selected);
    const double ux = (t.target.x - t.from.x) / amplitude;
    const double uy = (t.target.y - t.from.y) / amplitude;
    return (t.selected.x - t.target.x) * ux + (t.selected.y - t.target.y) * uy;
}

TestResult computeThroughput(std::span<const Trial> trials) {
    std::map<int, Sums> byCondition;
    TestResult result;
    double secondsSum = 0.0;
    for (const Trial& t : trials) {
        Sums& s = byCondition[t.condition];
        const double dx = offsetAlongAxis(t);
        ++s.trials;
        s.misses += hit(t) ? 0 : 1;
        s.offsetSum += dx;
        s.offsetSquares += dx * dx;
        s.amplitudeSum += distance(t.from, t.target) + dx;
        s.secondsSum += t.seconds;
        ++result.trials;
        result.misses += hit(t) ? 0 : 1;
        secondsSum += t.seconds;
    }
    if (result.trials > 0) result.meanSeconds = secondsSum / result.trials;

    double throughputSum = 0.0;
    int counted = 0;
    for (const auto& [condition, s] : byCondition) {
        ConditionResult c;
        c.condition = condition;
        c.trials = s.trials;
        c.misses = s.misses;
        c.meanSeconds = s.secondsSum / s.trials;
        c.effectiveAmplitude = s.amplitudeSum / s.trials;
        if (s.trials >= 2) {
            // The sample standard deviation of the offsets.
            const double n = s.trials;
            const double variance =
                std::max(0.0, (s.offsetSquares - s.offsetSum * s.offsetSum / n) / (n - 1.0));
            c.effectiveWidth = kEffectiveWidthFactor * std::sqrt(variance);
        }
        if (c.effectiveWidth > 0.0 && c.meanSeconds > 0.0) {
            c.effectiveIndex = std::log2(c.effectiveAmplitude / c.effectiveWidth + 1.0);
            c.throughput = c.effectiveIndex / c.meanSeconds;
            throughputSum += c.throughput;
            ++counted;
        }
        result.conditions.push_back(c);
    }
    if (counted > 0) result.throughput = throughputSum / counted;
    return result;
}

}  // namespace quil::pointing
