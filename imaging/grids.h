// Small routines that make flat column-major arrays usable as grids: block
// offset lists, 3x3 neighbourhoods, rectangle index lists, gathers, the
// row-major rearrangement and the row and column profiles.
//
// Per-frame loops in the tracker go through these precomputed lists; no
// coordinate arithmetic is done per cell.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/feature_set.h"

namespace quil {

struct ColRow {
    int32_t column = 0;
    int32_t row = 0;
    friend bool operator==(const ColRow&, const ColRow&) = default;
};

// Offsets, relative to a block's first cell, of a block of w columns x h rows
// in a grid of column length L: for each column j, for each row k, j*L + k.
[[nodiscard]] IntList makeBlockOffsets(int w, int h, int L);

// The 3x3 neighbourhood of a cell in a column-major grid of column length R:
// 0, -1, +1, +R, -R, -R-1, R-1, 1-R, R+1.
[[nodiscard]] std::array<int32_t, 9> neighbourOffsetsFor(int R);

void allocFeatureSet(FeatureSet& set, int n);
void freeFeatureSet(FeatureSet& set);

// destination[r*C + c] = source[c*R + r]. destination is resized to R*C.
void transposeToRows(const IntList& source, int R, int C, IntList& destination);

// Frame-grid indices of a rectangle whose vertical edges are heights above
// the image's bottom edge (grid row = 480 - height) and whose horizontal edges
// are pixel columns, column by column, each column top to bottom. destination
// is resized to the list's length. Indices are formed without clipping.
void rectIndexList(int top, int bottom, int right, int left, IntList& destination);

// destination[i] = source[index[i]] for i < count. An index outside source
// reads as 0: callers keep their lists inside the grid, and a stray index must
// never read outside the buffer.
void gather(const Grid& source, IntList& destination, const IntList& index, int count);

// Column and row of a frame-grid index.
[[nodiscard]] constexpr ColRow indexToColRow(int32_t i) { return {i / kFrameRows, i % kFrameRows}; }

}  // namespace quil
