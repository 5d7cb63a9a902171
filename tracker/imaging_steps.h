// The imaging primitives applied to the tracker's records: the neighbour
// offsets and profiles of detection, the block sampler with the frame's
// scratch, the circle mask and the face search on the template.
#pragma once

#include "imaging/block_sampler.h"
#include "imaging/template_search.h"
#include "tracker/tracker_state.h"

namespace quil {

// The sampler's 3x3 neighbourhood for block grids of R rows.
void setNeighbourOffsets(FrameState& frame, int R);

// The whole frame's row and column profiles (zeroed) and their tables.
void makeFrameProfiles(TrackerState& s);
// Adds each row's and each column's sum of a row-major blockRows x blockCols
// grid into rowProfile and colProfile.
void accumulateProfiles(TrackerState& s, const IntList& rowMajor);
void clearProfiles(TrackerState& s);

void makeHeadProfiles(DetectionState& detection);
// Recompute the head profiles from a column-major headBlockRows x
// headBlockCols grid.
void headRowSums(DetectionState& detection, const IntList& grid);
void headColSums(DetectionState& detection, const IntList& grid);

// The block sampler with the given block offsets and the frame's neighbour
// offsets and scratch.
void sampleBlocks(TrackerState& s, const BlockSamplerArgs& args, const IntList& current,
                  const IntList& previous, FeatureSet& result, const IntList& blockOffsets);

// Back to the start of head detection, as after a loss or a calibration
// time-out: detection forgotten, its profiles zeroed, the grids dropped and
// the warm-up pause re-armed.
void restartDetection(TrackerState& s);

// Sets circleCount and circleOffsets.
void buildCircleMask(TrackerState& s, int radius);

// The face search on the template, its search window and distance map.
FaceFix locateFace(TrackerState& s, const Grid& grid);

}  // namespace quil
