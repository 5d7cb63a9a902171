// The pointing test's figures worked out by the textbook, apart from the
// code under test, for the shells' window tests.
#pragma once

#include <cmath>
#include <numbers>
#include <vector>

namespace quil::testing {

struct Click {
    double x = 0;
    double y = 0;
    double seconds = 0;
};

// The k-th target of a round on a circle of `diameter` around the screen's
// centre: across the circle each time, 0 at the top, clockwise.
inline Click targetCentre(int k, double diameter, double screenWidth, double screenHeight) {
    const int index = (k * 6) % 11;
    const double angle = 2.0 * std::numbers::pi * index / 11.0;
    return {screenWidth / 2.0 + diameter / 2.0 * std::sin(angle),
            screenHeight / 2.0 - diameter / 2.0 * std::cos(angle), 0};
}

// One condition's throughput: the offsets along each movement's axis, their
// sample spread times 4.133 as the effective width, the mean distance moved
// as the effective amplitude.
struct ByHand {
    double width = 0;
    double throughput = 0;
    int misses = 0;
};
inline ByHand throughputByHand(const std::vector<Click>& clicks, double diameter, double width,
                               double screenWidth, double screenHeight) {
    std::vector<double> offsets;
    double amplitude = 0;
    double seconds = 0;
    ByHand out;
    for (size_t k = 1; k < clicks.size(); ++k) {
        const Click target = targetCentre(static_cast<int>(k), diameter, screenWidth, screenHeight);
        const double ax = target.x - clicks[k - 1].x;
        const double ay = target.y - clicks[k - 1].y;
        const double a = std::hypot(ax, ay);
        const double dx = ((clicks[k].x - target.x) * ax + (clicks[k].y - target.y) * ay) / a;
        offsets.push_back(dx);
        amplitude += a + dx;
        seconds += clicks[k].seconds - clicks[k - 1].seconds;
        if (std::hypot(clicks[k].x - target.x, clicks[k].y - target.y) > width / 2) ++out.misses;
    }
    const double n = static_cast<double>(offsets.size());
    double mean = 0;
    for (double d : offsets) mean += d / n;
    double squares = 0;
    for (double d : offsets) squares += (d - mean) * (d - mean);
    out.width = 4.133 * std::sqrt(squares / (n - 1));
    out.throughput = std::log2(amplitude / n / out.width + 1) / (seconds / n);
    return out;
}

}  // namespace quil::testing
