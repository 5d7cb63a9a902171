// Grid and block-motion types shared by the whole tracker.
//
// Every grid in the tracker is a flat, column-major array of int32: a grid of
// R rows keeps cell (column c, row r) at index c*R + r, rows counted from the
// top. The frame grid has 480 rows and 640 columns and holds one red byte
// (0..255) per pixel. An empty vector stands for a buffer that is not held.
#pragma once

#include <cstdint>
#include <vector>

namespace quil {

using IntList = std::vector<int32_t>;
using Grid = std::vector<int32_t>;

inline constexpr int kFrameRows = 480;
inline constexpr int kFrameCols = 640;
inline constexpr int kFrameCells = kFrameRows * kFrameCols;      // 307200
inline constexpr int kFrameRowBytes = kFrameCols * 3;            // 1920, bottom-up BGR rows
inline constexpr int kFrameBytes = kFrameRowBytes * kFrameRows;  // 921600

// Block motion of one region: five arrays of one common length, held and
// released together. Magnitudes are split by direction and never negative.
struct FeatureSet {
    IntList mask;
    IntList upShift;
    IntList downShift;
    IntList leftShift;
    IntList rightShift;

    [[nodiscard]] int size() const { return static_cast<int>(mask.size()); }
    [[nodiscard]] bool held() const { return !mask.empty(); }
};

}  // namespace quil
