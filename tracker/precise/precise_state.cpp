#include "tracker/precise/precise_state.h"

#include <utility>

namespace quil {

void PreciseState::forgetFace() {
    search.reset();
    face.reset();
    deliberate = {};
    pictures.detectedLastFrame = false;
}

void PreciseSearch::reset() { *this = PreciseSearch{}; }

// Keeps this frame's measures, which calibration takes as the baselines.
void PreciseOutline::reset() {
    const OutlineMeasures keep = now;
    *this = PreciseOutline{};
    now = keep;
}

void PreciseFace::reset() {
    PreciseFace fresh;
    for (auto list : {&PreciseFace::origin, &PreciseFace::last, &PreciseFace::found,
                      &PreciseFace::back, &PreciseFace::corners}) {
        fresh.*list = std::move(this->*list);
        (fresh.*list).clear();
    }
    fresh.ok = std::move(ok);
    fresh.ok.clear();
    fresh.okBack = std::move(okBack);
    fresh.okBack.clear();
    fresh.residuals = std::move(residuals);
    fresh.residuals.clear();
    fresh.cornerScratch = std::move(cornerScratch);
    *this = std::move(fresh);
}

}  // namespace quil
