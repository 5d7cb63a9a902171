// The tracker's start-up, one path for every program that runs the tracker:
// the Windows program, the simulator, the tests and the benchmarks.
//
// In this order:
//   beginStartup    the intake table and the screen's defaults
//   (the options are loaded: loadOptions or applyOptionsText)
//   chooseLargeView the large centred placement, in which the platform then
//                   creates its windows and stores their handles in session
//   finishStartup   detection's tables, the keyboard rectangle, the circle mask
#pragma once

#include <string_view>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// The whole frame's block grid: 10 x 10 pixel blocks.
inline constexpr int kDetectionBlockRows = 48;
inline constexpr int kDetectionBlockCols = 64;
inline constexpr int kCircleRadius = 25;

void beginStartup(TrackerState& s, int screenWidth, int screenHeight);
void finishStartup(TrackerState& s);
// The part of finishStartup that detection cannot run without.
void prepareDetectionTables(TrackerState& s);

// The windows a platform without real ones names the main window and the
// capture view by.
struct SessionWindows {
    WindowHandle main = 0;
    WindowHandle capture = 0;
};

// The whole sequence for a platform whose windows already exist: the
// simulator, the tests and the benchmarks.
void startTracker(TrackerState& s, Desktop& desktop, int screenWidth, int screenHeight,
                  SessionWindows windows, std::string_view optionsText);

}  // namespace quil
