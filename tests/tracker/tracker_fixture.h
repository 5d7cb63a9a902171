// Shared set-up of the tracker tests: a started tracker state on a
// 1024 x 768 screen, frames and grids built in memory, and a recording
// desktop.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/grids.h"
#include "tests/support/recording_desktop.h"
#include "tracker/calibration.h"
#include "tracker/frame_driver.h"
#include "tracker/head_detection.h"
#include "tracker/imaging_steps.h"
#include "tracker/startup.h"
#include "tracker/tracker_state.h"
#include "tracker/views.h"

namespace quil::testing {

inline constexpr WindowHandle kEyesWindow = 13;
inline constexpr WindowHandle kKeyboardWindow = 14;

using Frame = std::vector<uint8_t>;

// Byte offset of pixel (x, y)'s red byte in a bottom-up BGR frame.
inline size_t redByte(int x, int y) {
    return static_cast<size_t>(3 * ((kFrameRows - 1 - y) * kFrameCols + x) + 2);
}

// A deterministic texture: every pixel's red byte from a small generator.
inline Frame texturedFrame(uint32_t seed, int low = 0, int high = 255) {
    Frame f(static_cast<size_t>(kFrameBytes), 0);
    uint32_t v = seed * 2654435761u + 12345u;
    const auto span = static_cast<uint32_t>(high - low + 1);
    for (int x = 0; x < kFrameCols; ++x) {
        for (int y = 0; y < kFrameRows; ++y) {
            v = v * 1664525u + 1013904223u;
            f[redByte(x, y)] = static_cast<uint8_t>(low + static_cast<int>((v >> 24) % span));
        }
    }
    return f;
}

// The grid a frame turns into.
inline Grid gridOf(const Frame& f) {
    Grid g(static_cast<size_t>(kFrameCells));
    for (int x = 0; x < kFrameCols; ++x) {
        for (int y = 0; y < kFrameRows; ++y) {
            g[static_cast<size_t>(x * kFrameRows + y)] = f[redByte(x, y)];
        }
    }
    return g;
}

// A tracker as start-up leaves it, with the large view chosen.
inline std::unique_ptr<TrackerState> startedState(int width = 1024, int height = 768) {
    auto s = std::make_unique<TrackerState>();
    s->session.mainWindow = kMainWindow;
    s->session.captureWindow = kCaptureWindow;
    s->shared.eyesWindow = kEyesWindow;
    beginStartup(*s, width, height);
    finishStartup(*s);
    s->shared.rangeScale = 0.7;
    s->shared.speedDivisor = 45.0;
    RecordingDesktop ignored;
    chooseLargeView(*s, ignored);
    return s;
}

// Runs the frame callback n times with the same frame.
inline void feed(TrackerState& s, Desktop& desktop, Frame& f, int n) {
    for (int i = 0; i < n; ++i) frameCallback(s, desktop, std::span<uint8_t>(f));
}

// The state right after the head box (380, 114, 200, 400) was accepted:
// 44 x 33 head blocks, in Calibration.
inline std::unique_ptr<TrackerState> inCalibration() {
    auto s = startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    clearProfiles(*s);
    s->detection.rowProfile[8] = 10;
    for (int c = 20; c <= 39; ++c) s->detection.colProfile[static_cast<size_t>(c)] = 10;
    allocFeatureSet(s->detection.frameMotion, 3072);
    stepHeadBox(*s, desktop, frame);
    return s;
}

// Eyes at block columns 7 and 17 (pixels 42 and 102 from headLeft: 60 apart)
// in the band of block rows 10..12. In the box above: xA 242, xB 302, y0 183.
inline EyeClusters eyesSixtyApart() {
    EyeClusters e;
    e.first = 10;
    e.last = 12;
    e.rising = {5, 15};
    e.falling = {9, 19};
    return e;
}

// A tracker that has just calibrated (eyesSixtyApart) on a textured frame
// and holds that frame as both grids; the desktop's calls are cleared.
inline std::unique_ptr<TrackerState> justCalibrated(RecordingDesktop& desktop, uint32_t seed) {
    auto s = inCalibration();
    s->frame.currentGrid = gridOf(texturedFrame(seed));
    s->frame.previousGrid = s->frame.currentGrid;
    if (!setUpTracking(*s, desktop, eyesSixtyApart())) return nullptr;
    desktop.calls.clear();
    return s;
}

}  // namespace quil::testing
