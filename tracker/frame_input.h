// What every state step of either engine is handed: the frame and the pointer
// as the frame found them, and the report it fills in. Apart from the frame
// driver, so that the steps need not see the driver that calls them.
#pragma once

#include <cstdint>
#include <span>

#include "tracker/desktop.h"
#include "tracker/frame_report.h"
#include "tracker/tracker_state.h"

namespace quil {

// What a state step receives besides the state: the captured frame's bytes
// (640 x 480, bottom-up rows of 1920 bytes, blue-green-red), into which the
// tracking states draw their cross, and the pointer position read at the
// very start of the frame.
struct FrameInput {
    std::span<uint8_t> pixels;
    ScreenPoint frameStartCursor;
    // What the step did, for the frame's report.
    FrameReport report;
};

using StateStep = void (*)(TrackerState&, Desktop&, FrameInput&);

}  // namespace quil
