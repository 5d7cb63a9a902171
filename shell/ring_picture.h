// The dwell ring's picture: a circle of track around the pointer whose arc
// fills clockwise from the top as the click approaches. Pure arithmetic, so
// that it is tested without a window.
#pragma once

#include <cstdint>
#include <span>

namespace quil::win {

// The ring's square picture, in pixels a side; the pointer sits at its
// centre.
inline constexpr int32_t kRingSide = 44;

// Draws the ring filled to `thousandths` (clamped to 0..1000) into `pixels`,
// a top-down square of side `side`, as premultiplied BGRA words (the layout
// UpdateLayeredWindow blends). Does nothing when the span is shorter than
// side * side.
void drawRing(std::span<uint32_t> pixels, int32_t side, int32_t thousandths);

}  // namespace quil::win
