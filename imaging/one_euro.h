// The One Euro filter: a low-pass filter whose cut-off rises with the signal's
// speed, so that a still signal is smoothed hard and a moving one is followed
// with little lag. Timed by the real interval between samples.
#pragma once

namespace quil {

struct OneEuroParams {
    double minCutoff = 1.0;    // Hz, at rest
    double beta = 0.0;         // how fast the cut-off opens, per unit of speed
    double speedCutoff = 1.0;  // Hz, of the speed's own smoothing
};

struct OneEuro {
    double value = 0.0;
    double speed = 0.0;
    bool primed = false;
};

// One sample, `seconds` after the last; the first sample is taken as it is.
double oneEuroStep(OneEuro& f, double raw, double seconds, const OneEuroParams& p);

}  // namespace quil
