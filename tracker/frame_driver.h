// The frame driver: the tracker's entry point, called once per grabbed frame.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "tracker/frame_input.h"

namespace quil {

// The step of each state, indexed by the state's value.
extern const std::array<StateStep, kStateCount> kStateSteps;

// Fills intakeTable: entry x*480 + y is the byte offset of pixel (x, y)'s red
// byte in the bottom-up frame, 3*((479 - y)*640 + x) + 2.
void buildIntakeTable(TrackerState& s);

// One frame: corner preview, warm-up pause, intake, one state step, grid
// hand-over. A frame shorter than 921600 bytes is not processed: only the
// corner preview follows the pointer, and the pause does not count it.
// Returns what the frame did.
FrameReport frameCallback(TrackerState& s, Desktop& desktop, std::span<uint8_t> frame);

}  // namespace quil
