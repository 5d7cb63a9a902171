// Calibration: waits for the two eyes to blink as two clusters of changed
// blocks in the head box, then builds the face template and tracking buffers.
#pragma once

#include <array>

#include "tracker/frame_input.h"

namespace quil {

void stepCalibration(TrackerState& s, Desktop& desktop, FrameInput& frame);

// The eyes found in one head-box mask: the band of block rows first..last
// and the two clusters of block columns rising[i]..falling[i].
struct EyeClusters {
    int first = 0;
    int last = 0;
    std::array<int, 2> rising{};
    std::array<int, 2> falling{};
};

// Evaluates headMotion.mask (trimming it to the band in place, and using the
// head profiles as scratch); true when it shows two eye clusters.
[[nodiscard]] bool findEyeClusters(TrackerState& s, EyeClusters& eyes);

// The success set-up from the found eyes and currentGrid. Returns false and
// changes nothing when the face lattice would leave the frame grid.
bool setUpTracking(TrackerState& s, Desktop& desktop, const EyeClusters& eyes);

// The end of either engine's calibration: the eyes window closed, the corner
// view, the keyboard launched or shown, the pointer parked, Tracking.
void enterTracking(TrackerState& s, Desktop& desktop);

// Time-out: frees everything of detection and calibration, re-arms the pause.
void giveUpCalibration(TrackerState& s, Desktop& desktop);

// The report of a calibration, as far as the engines agree: the reference
// point and the pointer mapping it set. Each engine adds its eyes and face.
[[nodiscard]] CalibrationResult calibrationMapping(const TrackerState& s);

}  // namespace quil
