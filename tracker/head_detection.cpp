#include "tracker/head_detection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/grids.h"
#include "tracker/imaging_steps.h"

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
    sampleBlocks(s, args, s.frame.currentGrid, s.frame.previousGrid, s.detection.frameMotion,
                 s.detection.blockOffsets);
    transposeToRows(s.detection.frameMotion.mask, s.session.blockRows, s.session.blockCols,
                    s.detection.motionRows);
    accumulateProfiles(s, s.detection.motionRows);
    if (s.detection.detectFrames == kDetectionLastFrame) {
        s.state = HeadBox;
        s.detection.detectFrames = 0;
    } else {
        ++s.detection.detectFrames;
    }
}

// Top from the first strong row, sides from the first and last strong
// columns, height 4/3 of the width; then the plausibility limits.
bool boxFromProfiles(TrackerState& s) {
    const int32_t rowMax = maxOf(s.detection.rowProfile);
    const int32_t colMax = maxOf(s.detection.colProfile);
    const int i = firstStrong(s.detection.rowProfile, rowMax, 0, 1);
    const int j = firstStrong(s.detection.colProfile, colMax, 0, 1);
    const int k = firstStrong(s.detection.colProfile, colMax,
                              static_cast<int>(s.detection.colProfile.size()) - 1, -1);
    if (i < 0 || j < 0 || k < 0) return false;

    const int blockRows = static_cast<int>(s.detection.rowProfile.size());
    s.detection.headTop = (blockRows - i - kTopRowsSkipped) * kWholeFrameBlock;
    s.detection.headLeft = j * kWholeFrameBlock;
    s.detection.headRight = (k + 1) * kWholeFrameBlock;
    s.detection.headBottom =
        s.detection.headTop -
        static_cast<int32_t>(std::abs(s.detection.headRight - s.detection.headLeft) /
                             kWidthToHeight);

    return std::abs(s.detection.headTop - s.detection.headBottom) > kMinBoxHeight &&
           std::abs(s.detection.headLeft - s.detection.headRight) > kMinBoxWidth &&
           s.detection.headTop > 0 && s.detection.headTop < kFrameRows &&
           s.detection.headBottom > 0 && s.detection.headBottom < kFrameRows &&
           s.detection.headLeft > 0 && s.detection.headLeft < kFrameCols &&
           s.detection.headRight > 0 && s.detection.headRight < kFrameCols;
}

void stepHeadBox(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    if (!boxFromProfiles(s)) {
        clearProfiles(s);
        s.state = MotionSearch;
        return;
    }
    const int H = s.detection.headTop - s.detection.headBottom;
    const int W = s.detection.headRight - s.detection.headLeft;
    const auto cells = static_cast<size_t>((H + 1) * (W + 1));

    freeFeatureSet(s.detection.frameMotion);
    rectIndexList(s.detection.headTop, s.detection.headBottom, s.detection.headRight,
                  s.detection.headLeft, s.detection.headIndices);
    s.detection.headCurrent.assign(cells, 0);
    s.detection.headPrevious.assign(cells, 0);
    s.detection.headBlockRows = (H + 1) / kHeadBlock;
    s.detection.headBlockCols = (W + 1) / kHeadBlock;
    allocFeatureSet(s.detection.headMotion, s.detection.headBlockRows * s.detection.headBlockCols);
    setNeighbourOffsets(s, s.detection.headBlockRows);
    // Column length 6 whatever the box: 36 consecutive samples of one column.
    s.detection.blockOffsets = makeBlockOffsets(kHeadBlock, kHeadBlock, kHeadBlock);
    makeHeadProfiles(s);
    s.state = Calibration;
    frame.report.headBox = HeadBoxFix{s.detection.headLeft, s.detection.headTop,
                                      s.detection.headRight, s.detection.headBottom};
    desktop.startEyesWindow();
    s.detection.calibFrames = 0;
}

}  // namespace quil
