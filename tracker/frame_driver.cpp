#include "tracker/frame_driver.h"

#include <utility>

#include "imaging/grids.h"
#include "tracker/calibration.h"
#include "tracker/head_detection.h"
#include "tracker/rest_states.h"
#include "tracker/tracking.h"

namespace quil {

namespace {

// Frames swallowed by a pause: the paused frame that finds the count at this
// value ends the pause, so one more than this are dropped.
constexpr int kPauseLastCount = 20;
// Frames the pointer may rest on the corner preview before it comes back.
constexpr int kPreviewDwellLimit = 130;
constexpr int kCornerMarginBottom = 30;
constexpr int kWholeFrameBlock = 10;
// Columns taken together by the intake; divides 640.
constexpr int kIntakeBand = 16;
static_assert(kFrameCols % kIntakeBand == 0);
// Room for the largest lattice calibration can build (6 rows of at most 67
// columns), so that filling it never allocates after the first frame.
constexpr size_t kLatticeRecordReserve = 6 * 70;

// Keeps the corner preview out of the pointer's way and brings it back,
// holding the mouse capture, once the pointer has rested on it long enough.
void handleCornerPreview(TrackerState& s, Desktop& desktop, ScreenPoint p) {
    if (s.largeView) return;
    if (s.keyboardDockedCorner) {
        desktop.showWindow(s.mainWindow, ShowMode::Hide);
        s.previewDwellFrames = 0;
        return;
    }
    if (s.menuOpen) return;
    const int W = s.screenWidth;
    const int H = s.screenHeight;
    const bool inside = W - W / 8 < p.x && p.x < W && H - H / 8 - kCornerMarginBottom < p.y &&
                        p.y < H - kCornerMarginBottom;
    if (!inside) {
        desktop.releaseMouseCapture();
        desktop.showWindow(s.mainWindow, ShowMode::ShowNormal);
        s.previewDwellFrames = 0;
        s.previewCaptured = false;
        return;
    }
    if (s.previewCaptured) {
        desktop.showWindow(s.mainWindow, ShowMode::ShowNormal);
        desktop.setMouseCapture(s.mainWindow);
        return;
    }
    ++s.previewDwellFrames;
    if (s.previewDwellFrames > kPreviewDwellLimit) {
        desktop.showWindow(s.mainWindow, ShowMode::ShowNormal);
        s.previewCaptured = true;
        s.previewDwellFrames = 0;
        desktop.setMouseCapture(s.mainWindow);
    } else {
        desktop.showWindow(s.mainWindow, ShowMode::Hide);
    }
}

// The whole-frame detection tables normally come from start-up; a driver
// used without them (a test, a replay) gets them here rather than indexing
// empty lists.
void ensureDetectionTables(TrackerState& s) {
    if (s.blockRows != 48 || s.blockCols != 64 || s.rowProfile.size() != 48 ||
        s.colProfile.size() != 64) {
        s.blockRows = 48;
        s.blockCols = 64;
        makeFrameProfiles(s);
        setNeighbourOffsets(s, s.blockRows);
    }
}

// First processed frame after start or a reset: detection buffers only.
void initialiseDetection(TrackerState& s) {
    ensureDetectionTables(s);
    s.blockOffsets = makeBlockOffsets(kWholeFrameBlock, kWholeFrameBlock, kFrameRows);
    s.blockOffsetsIn = TrackerState::BlockList::Own;
    allocFeatureSet(s.frameMotion, s.blockRows * s.blockCols);
    std::swap(s.previousGrid, s.currentGrid);
}

// One table lookup per cell; the table fixes the layout. The cells are
// visited a band of columns at a time, so that the frame's rows, which run
// across the columns, are read from cache once per band instead of once per
// column.
void intake(TrackerState& s, const uint8_t* bytes) {
    s.currentGrid.resize(kFrameCells);
    const int32_t* table = s.intakeTable.data();
    int32_t* grid = s.currentGrid.data();
    for (int x0 = 0; x0 < kFrameCols; x0 += kIntakeBand) {
        for (int y = 0; y < kFrameRows; ++y) {
            for (int i = x0 * kFrameRows + y; i < (x0 + kIntakeBand) * kFrameRows;
                 i += kFrameRows) {
                grid[i] = bytes[table[i]];
            }
        }
    }
}

}  // namespace

const std::array<StateStep, kStateCount> kStateSteps = {
    stepMotionSearch, stepHeadBox, stepCalibration,    trackFrame,
    stepLost,         stepRestart, stepKeyboardToggle, stepHandPause,
};

void buildIntakeTable(TrackerState& s) {
    s.intakeTable.resize(kFrameCells);
    for (int x = 0; x < kFrameCols; ++x) {
        for (int y = 0; y < kFrameRows; ++y) {
            s.intakeTable[static_cast<size_t>(x * kFrameRows + y)] =
                3 * ((kFrameRows - 1 - y) * kFrameCols + x) + 2;
        }
    }
}

bool frameCallback(TrackerState& s, Desktop& desktop, std::span<uint8_t> frame) {
    if (s.latticeRecords.capacity() < kLatticeRecordReserve) {
        s.latticeRecords.reserve(kLatticeRecordReserve);
    }
    const ScreenPoint frameStart = desktop.cursorPos();
    handleCornerPreview(s, desktop, frameStart);

    // A short frame would be read past its end; it is dropped whole.
    if (frame.size() < static_cast<size_t>(kFrameBytes)) return true;

    if (s.pauseActive) {
        if (s.pauseFrames == kPauseLastCount) {
            s.pauseActive = false;
            s.pauseFrames = 0;
        } else {
            ++s.pauseFrames;
        }
        return true;
    }

    if (s.intakeTable.size() != static_cast<size_t>(kFrameCells)) buildIntakeTable(s);
    intake(s, frame.data());

    if (s.previousGrid.empty()) {
        initialiseDetection(s);
        return true;
    }

    if (s.state >= 0 && s.state < kStateCount) {
        FrameInput input{frame.first(static_cast<size_t>(kFrameBytes)), frameStart};
        kStateSteps[static_cast<size_t>(s.state)](s, desktop, input);
    }

    // Swapping keeps both grids' storage: previousGrid now holds this frame.
    // A reset has emptied both, and they stay empty.
    if (!s.currentGrid.empty()) std::swap(s.previousGrid, s.currentGrid);
    return true;
}

}  // namespace quil
