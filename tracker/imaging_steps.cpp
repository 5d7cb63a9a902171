#include "tracker/imaging_steps.h"

#include <algorithm>
#include <cstddef>

#include "imaging/circle_mask.h"
#include "imaging/grids.h"

namespace quil {

namespace {
size_t at(int i) { return static_cast<size_t>(i); }
}  // namespace

void setNeighbourOffsets(FrameState& frame, int R) {
    frame.neighbourOffsets = neighbourOffsetsFor(R);
}

void makeFrameProfiles(TrackerState& s) {
    s.detection.rowProfile.assign(at(s.session.blockRows), 0);
    s.detection.colProfile.assign(at(s.session.blockCols), 0);
    s.session.rowStarts.resize(at(s.session.blockRows));
    for (int r = 0; r < s.session.blockRows; ++r) {
        s.session.rowStarts[at(r)] = r * s.session.blockCols;
    }
    s.session.colIndices.resize(at(s.session.blockCols));
    for (int c = 0; c < s.session.blockCols; ++c) {
        s.session.colIndices[at(c)] = c;
    }
}

void restartDetection(TrackerState& s) {
    s.detection.reset();
    makeFrameProfiles(s);
    s.frame.restartDetection(s.session.blockRows);
}

void accumulateProfiles(TrackerState& s, const IntList& rowMajor) {
    for (int r = 0; r < s.session.blockRows; ++r) {
        for (int c = 0; c < s.session.blockCols; ++c) {
            s.detection.rowProfile[at(r)] +=
                rowMajor[at(s.session.rowStarts[at(r)] + s.session.colIndices[at(c)])];
        }
    }
    for (int c = 0; c < s.session.blockCols; ++c) {
        for (int r = 0; r < s.session.blockRows; ++r) {
            s.detection.colProfile[at(c)] += rowMajor[at(c + s.session.rowStarts[at(r)])];
        }
    }
}

void clearProfiles(TrackerState& s) {
    std::fill(s.detection.rowProfile.begin(), s.detection.rowProfile.end(), 0);
    std::fill(s.detection.colProfile.begin(), s.detection.colProfile.end(), 0);
}

void makeHeadProfiles(DetectionState& detection) {
    detection.headRowProfile.assign(at(detection.headBlockRows), 0);
    detection.headColProfile.assign(at(detection.headBlockCols), 0);
    detection.headRowIndices.resize(at(detection.headBlockRows));
    for (int r = 0; r < detection.headBlockRows; ++r) {
        detection.headRowIndices[at(r)] = r;
    }
    detection.headColStarts.resize(at(detection.headBlockCols));
    for (int c = 0; c < detection.headBlockCols; ++c) {
        detection.headColStarts[at(c)] = c * detection.headBlockRows;
    }
}

void headRowSums(DetectionState& detection, const IntList& grid) {
    for (int r = 0; r < detection.headBlockRows; ++r) {
        int32_t sum = 0;
        for (int c = 0; c < detection.headBlockCols; ++c) {
            sum += grid[at(detection.headColStarts[at(c)] + r)];
        }
        detection.headRowProfile[at(r)] = sum;
    }
}

void headColSums(DetectionState& detection, const IntList& grid) {
    for (int c = 0; c < detection.headBlockCols; ++c) {
        int32_t sum = 0;
        for (int r = 0; r < detection.headBlockRows; ++r) {
            sum += grid[at(detection.headRowIndices[at(r)] + c * detection.headBlockRows)];
        }
        detection.headColProfile[at(c)] = sum;
    }
}

void sampleBlocks(TrackerState& s, const BlockSamplerArgs& args, const IntList& current,
                  const IntList& previous, FeatureSet& result, const IntList& blockOffsets) {
    sampleBlocks(args, current, previous, result, blockOffsets, s.frame.neighbourOffsets,
                 s.frame.samplerScratch);
}

void buildCircleMask(TrackerState& s, int radius) {
    s.session.circleOffsets = circleMaskOffsets(radius);
    s.session.circleCount = static_cast<int32_t>(s.session.circleOffsets.size());
}

FaceFix locateFace(TrackerState& s, const Grid& grid) {
    const FaceLattice lattice{s.face.latticeOffsets, s.face.latticeReference, s.face.latticeCount,
                              s.face.latticeCentre};
    const CircleMask circle{s.session.circleOffsets, s.session.circleCount};
    return locateFace(grid, lattice, s.face.searchWindow, circle, s.face.distanceMap,
                      s.face.circleScratch);
}

}  // namespace quil
