// The circle mask: frame-grid index offsets covering a filled disc around a
// centre pixel, drawn by radii at every whole degree with pi taken as 3.1416.
#pragma once

#include <cstdint>

#include "imaging/feature_set.h"

namespace quil {

struct AnglePoint {
    int32_t dx = 0;
    int32_t dy = 0;
};

// (r cos a, r sin a) for a in whole degrees, each truncated toward zero.
[[nodiscard]] AnglePoint anglePoint(int degrees, int radius);

// The offsets dy + dx*480 of the disc of the given radius, in ascending order.
[[nodiscard]] IntList circleMaskOffsets(int radius);

}  // namespace quil
