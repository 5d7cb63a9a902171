#include "pointer/scroll_wheel.h"

#include <algorithm>
#include <cmath>

namespace quil {

namespace {

// Offsets are shares of the eye gap, so that they mean the same head motion
// near the camera and far from it. A still face wanders, and the classic
// engine's estimate of it jitters, by up to about 8% of the eye gap; the
// pointer's whole head range spans about +-27% at its middle setting. So the
// dead zone is 12% (a deliberate nudge leaves it, sway and jitter do not),
// and the speed stops growing at 40%, a little past the head range.
constexpr double kDeadZone = 0.12;
constexpr double kFullSpeedOffset = 0.40;
// Just past the dead zone the wheel turns at a reading pace (about two thirds
// of a notch a second at 13 frames a second); at full offset a notch every
// frame. Between them the speed grows with the square of the excess, which
// leaves room for fine control near the dead zone.
constexpr double kSlowestPerFrame = 6.0;
constexpr double kFastestPerFrame = 120.0;
// A carry never grows past a few frames' worth, whatever a frame brings.
constexpr double kCarryLimit = 4 * kFastestPerFrame;

// Whole quanta out of the carry, toward zero; the rest stays.
int32_t takeQuanta(double& carry) {
    const double quanta = std::trunc(carry / kWheelQuantum);
    carry -= quanta * kWheelQuantum;
    return static_cast<int32_t>(quanta) * kWheelQuantum;
}

}  // namespace

bool insideScrollDeadZone(HeadOffset offset) {
    return std::fabs(offset.up) <= kDeadZone && std::fabs(offset.right) <= kDeadZone;
}

double wheelRate(double offset) {
    const double excess = std::fabs(offset) - kDeadZone;
    if (!(excess > 0.0)) return 0.0;
    const double t = std::min(1.0, excess / (kFullSpeedOffset - kDeadZone));
    const double rate = kSlowestPerFrame + (kFastestPerFrame - kSlowestPerFrame) * t * t;
    return offset > 0.0 ? rate : -rate;
}

WheelTurn turnWheel(ScrollMode& mode, HeadOffset offset) {
    if (!std::isfinite(offset.up) || !std::isfinite(offset.right)) return {};
    // Turning back empties the carry of the other direction at once, so the
    // page never moves on the wrong way.
    // One axis at a time, the one the head has left the centre along most:
    // reading down a page, a head that drifts aside must not scroll sideways.
    const bool upright = std::fabs(offset.up) >= std::fabs(offset.right);
    const double v = upright ? wheelRate(offset.up) : 0.0;
    const double h = upright ? 0.0 : wheelRate(offset.right);
    if (v * mode.carryVertical < 0.0 || v == 0.0) mode.carryVertical = 0.0;
    if (h * mode.carryHorizontal < 0.0 || h == 0.0) mode.carryHorizontal = 0.0;
    mode.carryVertical = std::clamp(mode.carryVertical + v, -kCarryLimit, kCarryLimit);
    mode.carryHorizontal = std::clamp(mode.carryHorizontal + h, -kCarryLimit, kCarryLimit);
    return {takeQuanta(mode.carryVertical), takeQuanta(mode.carryHorizontal)};
}

}  // namespace quil
