#include "imaging/circle_mask.h"

#include <cmath>
#include <cstddef>

#include "imaging/grids.h"

namespace quil {

namespace {

// The program's own geometry takes pi as this, not a more precise value; the
// disc's exact shape depends on it.
constexpr double kPi = 3.1416;
constexpr int kFullTurn = 360;

size_t at(int i) { return static_cast<size_t>(i); }

}  // namespace

AnglePoint anglePoint(int degrees, int radius) {
    const double angle = degrees * kPi / 180.0;
    return {static_cast<int32_t>(radius * std::cos(angle)),
            static_cast<int32_t>(radius * std::sin(angle))};
}

// The disc drawn by radii: for every whole degree, the row segment between
// the centre's column and the circle point is filled.
IntList circleMaskOffsets(int radius) {
    if (radius < 0) return {};
    const int n = 2 * radius + 1;
    std::vector<uint8_t> marked(at(n * n), 0);  // row-major work grid: cell (i, j) at i*n + j
    for (int a = 0; a <= kFullTurn; ++a) {
        const AnglePoint p = anglePoint(a, radius);
        const int row = radius + p.dy;
        const int from = p.dx < 0 ? radius + p.dx : radius;
        const int to = p.dx < 0 ? radius : radius + p.dx;
        for (int j = from; j <= to; ++j) marked[at(row * n + j)] = 1;
    }
    IntList offsets;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            if (marked[at(i * n + j)] != 0)
                offsets.push_back((i - radius) + (j - radius) * kFrameRows);
        }
    }
    return offsets;
}

}  // namespace quil
