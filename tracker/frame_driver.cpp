#include "tracker/frame_driver.h"

#include <algorithm>
#include <utility>

#include "imaging/grids.h"
#include "tracker/calibration.h"
#include "tracker/engines.h"
#include "tracker/head_detection.h"
#include "tracker/head_modes.h"
#include "tracker/imaging_steps.h"
#include "tracker/precise/precise_engine.h"
#include "tracker/rest_states.h"
#include "tracker/startup.h"
#include "tracker/tracking.h"
#include "tracker/views.h"

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
    if (s.view.largeView) return;
    if (s.keyboard.dockedCorner) {
        desktop.hideCameraView();
        s.view.previewDwellFrames = 0;
        return;
    }
    if (s.shared.menuOpen) return;
    const int W = s.session.screenWidth;
    const int H = s.session.screenHeight;
    const bool inside = W - W / 8 < p.x && p.x < W && H - H / 8 - kCornerMarginBottom < p.y &&
                        p.y < H - kCornerMarginBottom;
    if (!inside) {
        desktop.releasePointer();
        desktop.showCameraView();
        s.view.previewDwellFrames = 0;
        s.view.previewCaptured = false;
        return;
    }
    if (s.view.previewCaptured) {
        desktop.showCameraView();
        desktop.holdPointerOnCameraView();
        return;
    }
    ++s.view.previewDwellFrames;
    if (s.view.previewDwellFrames > kPreviewDwellLimit) {
        desktop.showCameraView();
        s.view.previewCaptured = true;
        s.view.previewDwellFrames = 0;
        desktop.holdPointerOnCameraView();
    } else {
        desktop.hideCameraView();
    }
}

// The whole-frame detection tables normally come from start-up; a driver
// used without them (a test, a replay) gets them here rather than indexing
// empty lists.
void ensureDetectionTables(TrackerState& s) {
    if (s.session.blockRows != kDetectionBlockRows || s.session.blockCols != kDetectionBlockCols ||
        s.detection.rowProfile.size() != kDetectionBlockRows ||
        s.detection.colProfile.size() != kDetectionBlockCols) {
        prepareDetectionTables(s);
    }
}

// First processed frame after start or a reset: detection buffers only.
void initialiseDetection(TrackerState& s) {
    ensureDetectionTables(s);
    s.detection.blockOffsets = makeBlockOffsets(kWholeFrameBlock, kWholeFrameBlock, kFrameRows);
    allocFeatureSet(s.detection.frameMotion, s.session.blockRows * s.session.blockCols);
    std::swap(s.frame.previousGrid, s.frame.currentGrid);
}

// One table lookup per cell; the table fixes the layout. The cells are
// visited a band of columns at a time, so that the frame's rows, which run
// across the columns, are read from cache once per band instead of once per
// column.
void intake(TrackerState& s, const uint8_t* bytes) {
    s.frame.currentGrid.resize(kFrameCells);
    const int32_t* table = s.session.intakeTable.data();
    int32_t* grid = s.frame.currentGrid.data();
    for (int x0 = 0; x0 < kFrameCols; x0 += kIntakeBand) {
        for (int y = 0; y < kFrameRows; ++y) {
            for (int i = x0 * kFrameRows + y; i < (x0 + kIntakeBand) * kFrameRows;
                 i += kFrameRows) {
                grid[i] = bytes[table[i]];
            }
        }
    }
}

// The precise engine reads the frame in grey; its steps need no grids.
FrameReport preciseFrame(TrackerState& s, Desktop& desktop, std::span<uint8_t> frame,
                         ScreenPoint frameStart, FrameReport report) {
    precisePictureIntake(s.precise.pictures, frame);
    if (s.state >= 0 && s.state < kStateCount) {
        FrameInput input{frame.first(static_cast<size_t>(kFrameBytes)), frameStart, report};
        kPreciseSteps[static_cast<size_t>(s.state)](s, desktop, input);
        report = input.report;
        report.stepped = true;
        report.stateAfter = s.state;
    }
    return report;
}

// Frames faster than the tick: only the frame that completes a tick runs
// the tick's work, so every count in ticks keeps its meaning in time.
bool tickDue(FrameState& f) {
    if (f.periodMs >= kTrackerTickMs || f.periodMs <= 0) return true;
    f.sinceTickMs += f.periodMs;
    if (f.sinceTickMs < kTrackerTickMs) return false;
    f.sinceTickMs -= kTrackerTickMs;
    return true;
}

// A frame between ticks: the precise engine, following a face, carries the
// pointer along; nothing else happens and nothing is counted.
FrameReport betweenTicks(TrackerState& s, Desktop& desktop, std::span<uint8_t> frame,
                         FrameReport report) {
    report.betweenTicks = true;
    const bool following = s.engine == PreciseEngine && wantedEngine(s) == PreciseEngine &&
                           s.state == Tracking && !s.frame.pauseActive;
    if (!following || frame.size() < static_cast<size_t>(kFrameBytes)) return report;
    report.processed = true;
    precisePictureIntake(s.precise.pictures, frame);
    followPreciseBetweenTicks(s, desktop);
    return report;
}

}  // namespace

void timeFrame(FrameState& f, int32_t timerPeriodMs, int64_t nowMs) {
    const int64_t since = f.lastFrameAtMs < 0 ? timerPeriodMs : nowMs - f.lastFrameAtMs;
    f.lastFrameAtMs = nowMs;
    if (timerPeriodMs >= kTrackerTickMs) {
        f.periodMs = kTrackerTickMs;
        return;
    }
    f.periodMs = static_cast<int32_t>(std::clamp<int64_t>(since, 1, kTrackerTickMs));
}

int32_t engineFramePeriodMs(const TrackerState& s) {
    return wantedEngine(s) == PreciseEngine ? kCameraFramePeriodMs : kTrackerTickMs;
}

int32_t wantedFramePeriodMs(const TrackerState& s) {
    return kPreciseAsksCameraRate ? engineFramePeriodMs(s) : kTrackerTickMs;
}

const std::array<StateStep, kStateCount> kStateSteps = {
    stepMotionSearch, stepHeadBox, stepCalibration,    trackFrame,
    stepLost,         stepRestart, stepKeyboardToggle, stepHandPause,
};

void buildIntakeTable(TrackerState& s) {
    s.session.intakeTable.resize(kFrameCells);
    for (int x = 0; x < kFrameCols; ++x) {
        for (int y = 0; y < kFrameRows; ++y) {
            s.session.intakeTable[static_cast<size_t>(x * kFrameRows + y)] =
                3 * ((kFrameRows - 1 - y) * kFrameCols + x) + 2;
        }
    }
}

FrameReport frameCallback(TrackerState& s, Desktop& desktop, std::span<uint8_t> frame) {
    if (s.face.latticeRecords.capacity() < kLatticeRecordReserve) {
        s.face.latticeRecords.reserve(kLatticeRecordReserve);
    }
    FrameReport report;
    report.stateBefore = s.state;
    report.stateAfter = s.state;
    if (!tickDue(s.frame)) return betweenTicks(s, desktop, frame, report);
    // The user chose the other engine: it starts over from head detection.
    if (wantedEngine(s) != s.engine) {
        switchEngine(s, desktop);
        report.engineSwitched = true;
    }
    followScreenChoice(s, desktop);
    takeHeadModeRequests(s, desktop);
    const ScreenPoint frameStart = desktop.cursorPos();
    handleCornerPreview(s, desktop, frameStart);

    // A short frame would be read past its end; it is dropped whole.
    if (frame.size() < static_cast<size_t>(kFrameBytes)) return report;

    if (s.frame.pauseActive) {
        if (s.frame.pauseFrames == kPauseLastCount) {
            s.frame.pauseActive = false;
            s.frame.pauseFrames = 0;
        } else {
            ++s.frame.pauseFrames;
        }
        return report;
    }
    report.processed = true;
    if (s.engine == PreciseEngine) return preciseFrame(s, desktop, frame, frameStart, report);

    if (s.session.intakeTable.size() != static_cast<size_t>(kFrameCells)) buildIntakeTable(s);
    intake(s, frame.data());

    if (s.frame.previousGrid.empty()) {
        initialiseDetection(s);
        return report;
    }

    if (s.state >= 0 && s.state < kStateCount) {
        FrameInput input{frame.first(static_cast<size_t>(kFrameBytes)), frameStart, report};
        kStateSteps[static_cast<size_t>(s.state)](s, desktop, input);
        report = input.report;
        report.stepped = true;
        report.stateAfter = s.state;
    }

    // Swapping keeps both grids' storage: previousGrid now holds this frame.
    // A reset has emptied both, and they stay empty.
    if (!s.frame.currentGrid.empty()) std::swap(s.frame.previousGrid, s.frame.currentGrid);
    return report;
}

}  // namespace quil
