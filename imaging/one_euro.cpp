#include "imaging/one_euro.h"

#include <cmath>

namespace quil {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The exponential smoother's weight for this cut-off and interval.
double alpha(double cutoff, double seconds) {
    const double tau = 1.0 / (2 * kPi * cutoff);
    return 1.0 / (1.0 + tau / seconds);
}

}  // namespace

double oneEuroStep(OneEuro& f, double raw, double seconds, const OneEuroParams& p) {
    if (!f.primed || !(seconds > 0)) {
        f = {raw, 0.0, true};
        return raw;
    }
    const double speed = (raw - f.value) / seconds;
    f.speed += alpha(p.speedCutoff, seconds) * (speed - f.speed);
    const double cutoff = p.minCutoff + p.beta * std::abs(f.speed);
    f.value += alpha(cutoff, seconds) * (raw - f.value);
    return f.value;
}

}  // namespace quil
