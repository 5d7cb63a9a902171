#include "shell/ring_picture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quil::win {

namespace {

// The band's middle radius and half its width, as fractions of the side:
// thick enough to be seen at a glance, thin enough to leave the pointer
// and what lies under it visible.
constexpr double kMiddleRadius = 0.38;
constexpr double kHalfWidth = 0.08;
// The filled arc is opaque; the track still to fill is a faint shade, so
// that the ring's whole extent shows from the start.
constexpr double kFilledAlpha = 1.0;
constexpr double kTrackAlpha = 0.35;
// Colours (red, green, blue): a strong blue that reads on light and dark
// windows, a dark track, and a thin light rim around both.
constexpr double kFilled[3] = {20, 110, 235};
constexpr double kTrack[3] = {40, 40, 40};
constexpr double kRim[3] = {255, 255, 255};
constexpr double kRimWidth = 1.0;

uint32_t premultiplied(const double rgb[3], double alpha) {
    const auto channel = [alpha](double v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v * alpha, 0.0, 255.0)));
    };
    const uint32_t a = static_cast<uint32_t>(std::lround(std::clamp(alpha * 255.0, 0.0, 255.0)));
    return (a << 24) | (channel(rgb[0]) << 16) | (channel(rgb[1]) << 8) | channel(rgb[2]);
}

}  // namespace

// Each pixel's coverage of the band comes from its centre's distance to the
// band's middle circle, so the edges are smooth without supersampling; its
// angle, measured clockwise from twelve o'clock, decides filled or track.
void drawRing(std::span<uint32_t> pixels, int32_t side, int32_t thousandths) {
    if (side <= 0 || pixels.size() < static_cast<size_t>(side) * static_cast<size_t>(side)) return;
    const double fill = std::clamp(thousandths, 0, 1000) / 1000.0;
    const double centre = side / 2.0;
    const double middle = kMiddleRadius * side;
    const double half = kHalfWidth * side;
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const double off = std::abs(std::hypot(dx, dy) - middle);
            // 1 inside the band, 0 beyond it and its rim, a pixel's ramp between.
            const double band = std::clamp(half + 0.5 - off, 0.0, 1.0);
            const double outer = std::clamp(half + kRimWidth + 0.5 - off, 0.0, 1.0);
            double angle = std::atan2(dx, -dy);
            if (angle < 0) angle += 2 * std::numbers::pi;
            const bool filled = angle < fill * 2 * std::numbers::pi;
            const double* colour = filled ? kFilled : kTrack;
            const double alpha = filled ? kFilledAlpha : kTrackAlpha;
            // The rim shows where the band's coverage ends; the band covers it.
            const double rimAlpha = (outer - band) * alpha;
            double rgb[3];
            for (int i = 0; i < 3; ++i) {
                const double total = band * alpha + rimAlpha;
                rgb[i] = total > 0 ? (colour[i] * band * alpha + kRim[i] * rimAlpha) / total : 0;
            }
            pixels[static_cast<size_t>(y) * static_cast<size_t>(side) + static_cast<size_t>(x)] =
                premultiplied(rgb, band * alpha + rimAlpha);
        }
    }
}

}  // namespace quil::win
