#include "tracker/calibration.h"

#include <cstdint>

#include "imaging/grids.h"
#include "keyboard_link/keyboard_link.h"
#include "pointer/clicks.h"
#include "pointer/pointer_mapping.h"
#include "tracker/imaging_steps.h"
#include "tracker/views.h"

namespace quil {

namespace {

constexpr int kCalibrationFrameLimit = 65;
constexpr int kHeadBlock = 6;
constexpr int kHeadSearch = 5;
// Two blinking eyes change about this many head-box blocks; fewer is noise,
// more is the whole head moving.
constexpr int kMinEyeBlocks = 48;
constexpr int kMaxEyeBlocks = 93;
constexpr int kMinRowBlocks = 5;    // a band row needs this many changed blocks
constexpr int kMinColBlocks = 4;    // a cluster column needs more than 3
constexpr int kMinClusterSpan = 4;  // falling - rising: five block columns
constexpr int kEyeRowDrop = 3;      // block rows from the band's middle to the eye row

// The lattice: 6 rows 10 pixels apart from 5 above the eye row, columns 10
// apart from 15 left of one eye to 15 right of the other.
constexpr int kLatticeRows = 6;
constexpr int kLatticeStep = 10;
constexpr int kLatticeLeftMargin = 15;
constexpr int kLatticeTopMargin = 5;
constexpr int kLatticeColumnStep = kLatticeStep * kFrameRows;  // 4800

// The search window around the lattice's first point.
constexpr int kSearchLeft = 70;
constexpr int kSearchRight = 70;
constexpr int kSearchUp = 60;
constexpr int kSearchDown = 60;
constexpr int kSearchCols = kSearchLeft + kSearchRight + 1;  // 141
constexpr int kSearchRows = kSearchUp + kSearchDown + 1;     // 121
static_assert(kSearchCols == kSearchWindowCols && kSearchRows == kSearchWindowRows);

constexpr int kCircleRadius = 25;

constexpr int kPatchBlock = 5;

constexpr ScreenPoint kPointerPark{1, 1};

size_t at(int i) { return static_cast<size_t>(i); }

struct Placement {
    int eyeAX, eyeAY, eyeBX;
    int y0, xA, xB;
    int latticeCols;
};

Placement placeEyes(const TrackerState& s, const EyeClusters& e) {
    Placement p{};
    p.eyeAX = ((e.rising[0] + e.falling[0]) / 2) * kHeadBlock;
    p.eyeAY = ((e.first + e.last) / 2 + kEyeRowDrop) * kHeadBlock;
    p.eyeBX = ((e.rising[1] + e.falling[1]) / 2) * kHeadBlock;
    p.y0 = kFrameRows - s.detection.headTop + p.eyeAY - 1;
    p.xA = s.detection.headLeft + p.eyeAX;
    p.xB = s.detection.headLeft + p.eyeBX;
    p.latticeCols = (p.xB - p.xA + 2 * kLatticeLeftMargin) / kLatticeStep + 1;
    return p;
}

// Lattice indices grow with column and row, so its first and last points
// bound it. A row past 479 runs on into the next column, which is kept.
bool latticeInsideGrid(const Placement& p) {
    const int64_t firstIndex =
        int64_t{p.xA - kLatticeLeftMargin} * kFrameRows + (p.y0 - kLatticeTopMargin);
    const int64_t lastIndex =
        int64_t{p.xA - kLatticeLeftMargin + kLatticeStep * (p.latticeCols - 1)} * kFrameRows +
        (p.y0 - kLatticeTopMargin + kLatticeStep * (kLatticeRows - 1));
    return p.latticeCols > 0 && firstIndex >= 0 && lastIndex < kFrameCells;
}

void sampleLattice(TrackerState& s, const Placement& p) {
    s.face.latticeRecords.clear();
    for (int c = 0; c < p.latticeCols; ++c) {
        const int x = p.xA - kLatticeLeftMargin + c * kLatticeStep;
        for (int r = 0; r < kLatticeRows; ++r) {
            const int y = p.y0 - kLatticeTopMargin + r * kLatticeStep;
            s.face.latticeRecords.push_back({s.frame.currentGrid[at(x * kFrameRows + y)],
                                             c * kLatticeColumnStep + r * kLatticeStep, x, y});
        }
    }
    s.face.latticeCentre = (p.latticeCols / 2) * kLatticeColumnStep;
    s.face.latticeCount = kLatticeRows * p.latticeCols;
    s.face.latticeOffsets.resize(at(s.face.latticeCount));
    s.face.latticeReference.resize(at(s.face.latticeCount));
    for (size_t i = 0; i < s.face.latticeRecords.size(); ++i) {
        s.face.latticeOffsets[i] = s.face.latticeRecords[i].offset;
        s.face.latticeReference[i] = s.face.latticeRecords[i].value;
    }
    s.face.latticeRecords.clear();
}

// Candidate positions of the lattice's first point, row by row.
void buildSearchWindow(TrackerState& s, const Placement& p) {
    s.face.searchWindow.indices.resize(at(kSearchCols * kSearchRows));
    size_t n = 0;
    const int firstX = p.xA - kLatticeLeftMargin - kSearchLeft;
    const int firstY = p.y0 - kLatticeTopMargin - kSearchUp;
    for (int y = firstY; y < firstY + kSearchRows; ++y) {
        for (int x = firstX; x < firstX + kSearchCols; ++x) {
            s.face.searchWindow.indices[n++] = x * kFrameRows + y;
        }
    }
    s.face.searchWindow.rectangle = true;
}

void freeHeadProfiles(TrackerState& s) {
    freeFeatureSet(s.detection.headMotion);
    s.detection.headColProfile.clear();
    s.detection.headRowProfile.clear();
    s.detection.headRowIndices.clear();
    s.detection.headColStarts.clear();
}

}  // namespace

// Two eyes blinking show as one band of changed block rows holding two
// separate clusters of changed block columns.
bool findEyeClusters(TrackerState& s, EyeClusters& eyes) {
    const int R = s.detection.headBlockRows;
    const int C = s.detection.headBlockCols;
    IntList& mask = s.detection.headMotion.mask;
    if (R <= 0 || C <= 0 || mask.size() != at(R * C) ||
        s.detection.headRowProfile.size() != at(R) || s.detection.headColProfile.size() != at(C)) {
        return false;
    }

    int total = 0;
    for (int32_t m : mask) total += m;
    if (total < kMinEyeBlocks || total > kMaxEyeBlocks) return false;

    headRowSums(s.detection, mask);
    int first = -1;
    int last = -1;
    int rowsWithMarks = 0;
    for (int r = 0; r < R; ++r) {
        int32_t& entry = s.detection.headRowProfile[at(r)];
        if (entry < kMinRowBlocks) entry = 0;
        if (entry == 0) continue;
        if (first < 0) first = r;
        last = r;
        ++rowsWithMarks;
    }
    if (rowsWithMarks < 2) return false;

    // Keep the band and one row either side of it.
    for (int c = 0; c < C; ++c) {
        int32_t* column = mask.data() + at(c * R);
        for (int r = 0; r <= first - 2; ++r) column[r] = 0;
        for (int r = last + 2; r < R; ++r) column[r] = 0;
    }

    headColSums(s.detection, mask);
    for (int32_t& entry : s.detection.headColProfile) entry = entry >= kMinColBlocks ? 1 : 0;

    int risingCount = 0;
    int fallingCount = 0;
    for (int c = 0; c + 1 < C; ++c) {
        const int32_t here = s.detection.headColProfile[at(c)];
        const int32_t next = s.detection.headColProfile[at(c + 1)];
        if (here == 0 && next == 1) {
            if (risingCount < 2) eyes.rising[at(risingCount)] = c + 1;
            ++risingCount;
        } else if (here == 1 && next == 0) {
            if (fallingCount < 2) eyes.falling[at(fallingCount)] = c;
            ++fallingCount;
        }
    }
    eyes.first = first;
    eyes.last = last;
    return risingCount == 2 && fallingCount == 2 &&
           eyes.falling[0] - eyes.rising[0] >= kMinClusterSpan &&
           eyes.falling[1] - eyes.rising[1] >= kMinClusterSpan;
}

bool setUpTracking(TrackerState& s, Desktop& desktop, const EyeClusters& eyes) {
    const Placement p = placeEyes(s, eyes);
    if (!latticeInsideGrid(p) || s.frame.currentGrid.size() != at(kFrameCells)) return false;

    s.face.eyeAX = p.eyeAX;
    s.face.eyeAY = p.eyeAY;
    s.face.eyeBX = p.eyeBX;
    s.face.eyeBY = p.eyeAY;
    sampleLattice(s, p);

    s.face.refX = p.xA + (p.xB - p.xA) / 2;
    s.face.refY = p.y0;
    s.face.halfEyeGap = (p.xB - p.xA) / 2;
    setHeadRange(s);

    if (s.session.circleOffsets.empty()) buildCircleMask(s, kCircleRadius);
    s.face.circleScratch.assign(at(s.session.circleCount), 0);
    buildSearchWindow(s, p);
    resetDistanceMap(s.face.distanceMap);

    s.clickPatches.eyePatchRows = kEyePatchRows;
    s.clickPatches.eyePatchCols = kEyePatchCols;
    s.clickPatches.eyePatchSize = kEyePatchRows * kEyePatchCols;
    s.clickPatches.eyePatchCurrent.assign(at(s.clickPatches.eyePatchSize), 0);
    s.clickPatches.eyePatchPrevious.assign(at(s.clickPatches.eyePatchSize), 0);
    s.clickPatches.eyePatchIndices.assign(at(s.clickPatches.eyePatchSize), 0);
    s.clickPatches.eyePatchBlock =
        makeBlockOffsets(kPatchBlock, kPatchBlock, s.clickPatches.eyePatchRows);
    s.clickPatches.eyeBlockRows = s.clickPatches.eyePatchRows / kPatchBlock;
    s.clickPatches.eyeBlockCols = s.clickPatches.eyePatchCols / kPatchBlock;
    allocFeatureSet(s.clickPatches.eyeMotion,
                    s.clickPatches.eyeBlockRows * s.clickPatches.eyeBlockCols);

    const int mouthSize = kMouthPatchRows * kMouthPatchCols;
    s.clickPatches.mouthPatchCurrent.assign(at(mouthSize), 0);
    s.clickPatches.mouthPatchPrevious.assign(at(mouthSize), 0);
    s.clickPatches.mouthPatchIndices.assign(at(mouthSize), 0);
    s.clickPatches.mouthPatchBlock = makeBlockOffsets(kPatchBlock, kPatchBlock, kMouthPatchRows);
    s.clickPatches.mouthBlockRows = kMouthPatchRows / kPatchBlock;
    s.clickPatches.mouthBlockCols = kMouthPatchCols / kPatchBlock;
    allocFeatureSet(s.clickPatches.mouthMotion,
                    s.clickPatches.mouthBlockRows * s.clickPatches.mouthBlockCols);

    computeGains(s);
    freeHeadProfiles(s);
    enterTracking(s, desktop);
    return true;
}

void enterTracking(TrackerState& s, Desktop& desktop) {
    desktop.closeEyesWindow(s.shared.eyesWindow);
    chooseCornerView(s);
    moveViewWindows(s, desktop);
    if (s.keyboard.window == 0) desktop.launchKeyboard();
    // Paused, the pointer stays where the user left it.
    if (s.shared.paused.load()) {
        s.shared.lastCursor.store(desktop.cursorPos());
    } else {
        desktop.setCursorPos(kPointerPark.x, kPointerPark.y);
        s.shared.lastCursor.store(kPointerPark);
    }
    s.state = Tracking;
    keyboardOnCalibrated(s.keyboard, desktop);
}

void giveUpCalibration(TrackerState& s, Desktop& desktop) {
    s.state = MotionSearch;
    restartDetection(s);
    desktop.closeEyesWindow(s.shared.eyesWindow);
    desktop.showCameraView();
    ++s.detection.calibFrames;
}

// Where both engines' calibrations leave the pointer mapping.
CalibrationResult calibrationMapping(const TrackerState& s) {
    CalibrationResult c;
    c.refX = s.face.refX;
    c.refY = s.face.refY;
    c.headRangeMinX = s.shared.headRangeMinX;
    c.headRangeMaxX = s.shared.headRangeMaxX;
    c.headRangeMinY = s.shared.headRangeMinY;
    c.headRangeMaxY = s.shared.headRangeMaxY;
    c.mapWidth = s.shared.mapWidth;
    c.mapHeight = s.shared.mapHeight;
    c.speedDivisor = s.shared.speedDivisor;
    return c;
}

namespace {

CalibrationResult calibrationResult(const TrackerState& s) {
    CalibrationResult c = calibrationMapping(s);
    c.eyeAX = s.face.eyeAX;
    c.eyeAY = s.face.eyeAY;
    c.eyeBX = s.face.eyeBX;
    c.eyeBY = s.face.eyeBY;
    c.latticeCount = s.face.latticeCount;
    const int xA = s.detection.headLeft + s.face.eyeAX;
    const int y0 = kFrameRows - s.detection.headTop + s.face.eyeAY - 1;
    c.templateX =
        xA - kLatticeLeftMargin + s.face.latticeCentre / kLatticeColumnStep * kLatticeStep;
    c.templateY = y0 - kLatticeTopMargin;
    return c;
}

}  // namespace

void stepCalibration(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    if (s.detection.calibFrames == kCalibrationFrameLimit) {
        giveUpCalibration(s, desktop);
        frame.report.calibrationTimedOut = true;
        return;
    }
    const int H = s.detection.headTop - s.detection.headBottom + 1;
    const int W = s.detection.headRight - s.detection.headLeft + 1;
    const int cells = static_cast<int>(s.detection.headIndices.size());
    gather(s.frame.currentGrid, s.detection.headCurrent, s.detection.headIndices, cells);
    gather(s.frame.previousGrid, s.detection.headPrevious, s.detection.headIndices, cells);
    const BlockSamplerArgs args{kHeadBlock, kHeadBlock, kHeadSearch, kHeadSearch, H, W};
    sampleBlocks(s, args, s.detection.headCurrent, s.detection.headPrevious, s.detection.headMotion,
                 s.detection.blockOffsets);

    EyeClusters eyes;
    if (findEyeClusters(s, eyes) && setUpTracking(s, desktop, eyes)) {
        frame.report.calibration = calibrationResult(s);
    }
    ++s.detection.calibFrames;
}

}  // namespace quil
