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
bool boxFromProfiles(DetectionState& detection) {
    const int32_t rowMax = maxOf(detection.rowProfile);
    const int32_t colMax = maxOf(detection.colProfile);
    const int i = firstStrong(detection.rowProfile, rowMax, 0, 1);
    const int j = firstStrong(detection.colProfile, colMax, 0, 1);
    const int k = firstStrong(detection.colProfile, colMax,
                              static_cast<int>(detection.colProfile.size()) - 1, -1);
    if (i < 0 || j < 0 || k < 0) return false;

    const int blockRows = static_cast<int>(detection.rowProfile.size());
    detection.headTop = (blockRows - i - kTopRowsSkipped) * kWholeFrameBlock;
    detection.headLeft = j * kWholeFrameBlock;
    detection.headRight = (k + 1) * kWholeFrameBlock;
    detection.headBottom =
        detection.headTop -
        static_cast<int32_t>(std::abs(detection.headRight - detection.headLeft) / kWidthToHeight);

    return std::abs(detection.headTop - detection.headBottom) > kMinBoxHeight &&
           std::abs(detection.headLeft - detection.headRight) > kMinBoxWidth &&
           detection.headTop > 0 && detection.headTop < kFrameRows && detection.headBottom > 0 &&
           detection.headBottom < kFrameRows && detection.headLeft > 0 &&
           detection.headLeft < kFrameCols && detection.headRight > 0 &&
           detection.headRight < kFrameCols;
}

void stepHeadBox(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    if (!boxFromProfiles(s.detection)) {
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
    setNeighbourOffsets(s.frame, s.detection.headBlockRows);
    // Column length 6 whatever the box: 36 consecutive samples of one column.
    s.detection.blockOffsets = makeBlockOffsets(kHeadBlock, kHeadBlock, kHeadBlock);
    makeHeadProfiles(s.detection);
    s.state = Calibration;
    frame.report.headBox = HeadBoxFix{s.detection.headLeft, s.detection.headTop,
                                      s.detection.headRight, s.detection.headBottom};
    desktop.startEyesWindow();
    s.detection.calibFrames = 0;
}

}  // namespace quil
