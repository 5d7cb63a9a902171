// The frame driver: the tracker's entry point, called once per grabbed frame.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "tracker/frame_input.h"

namespace quil {

// The precise engine can take every frame of a 30-per-second camera: the
// frames between two ticks follow the face and carry the pointer along.
inline constexpr int32_t kCameraFramePeriodMs = 33;
// Whether the programs ask for that rate. Not yet: in the simulator it
// neither answered a head turn sooner (the pointer's quadratic step waits
// for the head to go some way, whatever the rate) nor pointed better (0.49
// bits/s against 0.69 at the tick), so the programs keep the tick and the
// simulator measures the camera's rate on request.
inline constexpr bool kPreciseAsksCameraRate = false;

// The frame period the engine in use can take frames at.
[[nodiscard]] int32_t engineFramePeriodMs(const TrackerState& s);
// The frame period the tracker wants from the shell for its engine now; the
// shell tells the driver the period it runs at in s.frame.periodMs.
[[nodiscard]] int32_t wantedFramePeriodMs(const TrackerState& s);

// A shell's clock, before each frame it hands over: with a timer at the tick,
// every frame is a tick (periodMs 75); with a faster one, periodMs is the
// time since the last frame (at most a tick), so that a camera that falls
// behind, as in dim light, does not slow the ticks down.
void timeFrame(FrameState& f, int32_t timerPeriodMs, int64_t nowMs);

// The step of each state, indexed by the state's value.
extern const std::array<StateStep, kStateCount> kStateSteps;

// Fills intakeTable: entry x*480 + y is the byte offset of pixel (x, y)'s red
// byte in the bottom-up frame, 3*((479 - y)*640 + x) + 2.
void buildIntakeTable(TrackerState& s);

// One frame. With a frame period shorter than the tick, only the frames that
// complete a tick do what follows; the others carry the precise engine's
// pointer along and do nothing else.
// A tick's frame: corner preview, warm-up pause, intake, one state step, grid
// hand-over. A frame shorter than 921600 bytes is not processed: only the
// corner preview follows the pointer, and the pause does not count it.
// Returns what the frame did.
FrameReport frameCallback(TrackerState& s, Desktop& desktop, std::span<uint8_t> frame);

}  // namespace quil
