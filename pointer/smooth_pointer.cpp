#include "pointer/smooth_pointer.h"

#include <cmath>

namespace quil {

namespace {

// The aim the precise engine gives is steady already: a light smoothing
// against the last of its tremor, opened further by speed.
constexpr OneEuroParams kScreenFilter{3.0, 0.01, 1.0};
// Longer than what is left of the tremor, far shorter than any target.
constexpr double kLeashPixels = 1.5;

}  // namespace

ScreenPlace smoothPointerStep(SmoothPointer& p, ScreenPlace raw, double seconds) {
    const double x = oneEuroStep(p.filterX, raw.x, seconds, kScreenFilter);
    const double y = oneEuroStep(p.filterY, raw.y, seconds, kScreenFilter);
    if (!p.holding) {
        p.heldX = x;
        p.heldY = y;
        p.holding = true;
    }
    const double leash = kLeashPixels;
    const double dx = x - p.heldX, dy = y - p.heldY;
    const double pull = std::hypot(dx, dy);
    if (pull > leash) {
        const double share = 1.0 - leash / pull;
        p.heldX += share * dx;
        p.heldY += share * dy;
    }
    return {p.heldX, p.heldY};
}

}  // namespace quil
