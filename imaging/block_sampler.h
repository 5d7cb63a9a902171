// The block sampler: the tracker's motion detector and motion estimator.
//
// It compares two column-major sample grids of one region block by block:
// marks the blocks whose content changed, removes lone marks, estimates each
// marked block's displacement one axis at a time, and removes displacements
// that no neighbouring block shares. Results go into a FeatureSet.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/feature_set.h"

namespace quil {

// Scratch of the block sampler, kept between calls so that a steady-state
// frame allocates nothing. Its contents never carry over from one call to the
// next.
struct SamplerScratch {
    IntList previousBlock;
    IntList isolationCount;
    IntList zeroShiftCost;
};

struct BlockSamplerArgs {
    int blockWidth = 0;
    int blockHeight = 0;
    int searchCols = 0;  // largest horizontal shift tried
    int searchRows = 0;  // largest vertical shift tried
    int gridRows = 0;    // column length of both grids
    int gridCols = 0;
};

// The sampler proper. blockOffsets holds at least blockWidth*blockHeight
// offsets; neighbourOffsets matches gridRows / blockHeight block rows; result
// holds N = blockRows*blockCols entries per array. scratch is reused between
// calls; its contents never carry over.
void sampleBlocks(const BlockSamplerArgs& args, const IntList& current, const IntList& previous,
                  FeatureSet& result, const IntList& blockOffsets,
                  const std::array<int32_t, 9>& neighbourOffsets, SamplerScratch& scratch);

}  // namespace quil
