#include "tracker/head_detection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/block_sampler.h"
#include "imaging/grids.h"

namespace quil {

namespace {

constexpr int kWholeFrameBlock = 10;
constexpr int kWholeFrameSearch = 10;
constexpr int kDetectionLastFrame = 10;  // eleven frames: counts 0..10
// The box's top edge sits two block rows below the first strongly moving row.
constexpr int kTopRowsSkipped = 2;
// Box height is width / 0.75: a head is taller than wide.
constexpr double kWidthToHeight = 0.75;
constexpr int kMinBoxHeight = 200;  // exclusive
constexpr int kMinBoxWidth = 50;    // exclusive
constexpr int kHeadBlock = 6;

// First index from `from` stepping by `step` whose entry is above half the
// maximum (2*entry > max, the integer form of the comparison), or -1.
int firstStrong(const IntList& profile, int32_t max, int from, int step) {
    const int n = static_cast<int>(profile.size());
    for (int i = from; i >= 0 && i < n; i += step) {
        if (2 * static_cast<int64_t>(profile[static_cast<size_t>(i)]) > max) return i;
    }
    return -1;
}

int32_t maxOf(const IntList& profile) {
    int32_t m = 0;
    for (int32_t v : profile) m = std::max(m, v);
    return m;
}

}  // namespace

// Block motion over the whole frame, summed per block row and column over
// eleven frames: where the head moves, both profiles rise.
void stepMotionSearch(TrackerState& s, Desktop& /*desktop*/, FrameInput& /*frame*/) {
    const BlockSamplerArgs args{kWholeFrameBlock,  kWholeFrameBlock, kWholeFrameSearch,
                                kWholeFrameSearch, kFrameRows,       kFrameCols};
    sampleBlocks(s, args, s.currentGrid, s.previousGrid, s.frameMotion);
    transposeToRows(s.frameMotion.mask, s.blockRows, s.blockCols, s.motionRows);
    accumulateProfiles(s, s.motionRows);
    if (s.detectFrames == kDetectionLastFrame) {
        s.state = HeadBox;
        s.detectFrames = 0;
    } else {
        ++s.detectFrames;
    }
}

// Top from the first strong row, sides from the first and last strong
// columns, height 4/3 of the width; then the plausibility limits.
bool boxFromProfiles(TrackerState& s) {
    const int32_t rowMax = maxOf(s.rowProfile);
    const int32_t colMax = maxOf(s.colProfile);
    const int i = firstStrong(s.rowProfile, rowMax, 0, 1);
    const int j = firstStrong(s.colProfile, colMax, 0, 1);
    const int k = firstStrong(s.colProfile, colMax, static_cast<int>(s.colProfile.size()) - 1, -1);
    if (i < 0 || j < 0 || k < 0) return false;

    const int blockRows = static_cast<int>(s.rowProfile.size());
    s.headTop = (blockRows - i - kTopRowsSkipped) * kWholeFrameBlock;
    s.headLeft = j * kWholeFrameBlock;
    s.headRight = (k + 1) * kWholeFrameBlock;
    s.headBottom =
        s.headTop - static_cast<int32_t>(std::abs(s.headRight - s.headLeft) / kWidthToHeight);

    return std::abs(s.headTop - s.headBottom) > kMinBoxHeight &&
           std::abs(s.headLeft - s.headRight) > kMinBoxWidth && s.headTop > 0 &&
           s.headTop < kFrameRows && s.headBottom > 0 && s.headBottom < kFrameRows &&
           s.headLeft > 0 && s.headLeft < kFrameCols && s.headRight > 0 && s.headRight < kFrameCols;
}

void stepHeadBox(TrackerState& s, Desktop& desktop, FrameInput& /*frame*/) {
    if (!boxFromProfiles(s)) {
        clearProfiles(s);
        s.state = MotionSearch;
        return;
    }
    const int H = s.headTop - s.headBottom;
    const int W = s.headRight - s.headLeft;
    const auto cells = static_cast<size_t>((H + 1) * (W + 1));

    freeFeatureSet(s.frameMotion);
    rectIndexList(s.headTop, s.headBottom, s.headRight, s.headLeft, s.headIndices);
    s.headCurrent.assign(cells, 0);
    s.headPrevious.assign(cells, 0);
    s.headBlockRows = (H + 1) / kHeadBlock;
    s.headBlockCols = (W + 1) / kHeadBlock;
    allocFeatureSet(s.headMotion, s.headBlockRows * s.headBlockCols);
    setNeighbourOffsets(s, s.headBlockRows);
    // Column length 6 whatever the box: 36 consecutive samples of one column.
    s.blockOffsets = makeBlockOffsets(kHeadBlock, kHeadBlock, kHeadBlock);
    s.blockOffsetsIn = TrackerState::BlockList::Own;
    makeHeadProfiles(s);
    s.state = Calibration;
    desktop.startEyesWindow();
    s.calibFrames = 0;
}

}  // namespace quil
