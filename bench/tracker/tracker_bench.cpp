// Per-frame costs of the tracker: intake against a plain copy of the frame,
// and one processed frame of each busy state.
#include <benchmark/benchmark.h>

#include <cstring>

#include "pointer/clicks.h"
#include "tests/support/quiet_desktop.h"
#include "tests/tracker/tracker_fixture.h"

namespace quil {
namespace {

using testing::QuietDesktop;

testing::Frame raised(const testing::Frame& a, int x0, int y0, int w, int h, int delta) {
    testing::Frame out = a;
    for (int x = x0; x < x0 + w; ++x) {
        for (int y = y0; y < y0 + h; ++y) {
            out[testing::redByte(x, y)] = static_cast<uint8_t>(out[testing::redByte(x, y)] + delta);
        }
    }
    return out;
}

// The floor for intake: copying the frame's bytes once.
void BM_FrameMemcpyFloor(benchmark::State& state) {
    testing::Frame frame = testing::texturedFrame(80);
    testing::Frame copy(frame.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.data(), frame.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameMemcpyFloor);

// Intake plus the cheapest step (HandPause: one pointer read and a cross).
void BM_FrameIntake(benchmark::State& state) {
    auto s = testing::startedState();
    QuietDesktop desktop;
    testing::Frame frame = testing::texturedFrame(81);
    testing::feed(*s, desktop, frame, 22);
    for (auto _ : state) {
        s->state = HandPause;
        s->pointer.stillFrames = 0;
        frameCallback(*s, desktop, std::span<uint8_t>(frame));
        benchmark::DoNotOptimize(s->frame.previousGrid.data());
    }
}
BENCHMARK(BM_FrameIntake);

void BM_MotionSearchFrame(benchmark::State& state) {
    auto s = testing::startedState();
    QuietDesktop desktop;
    testing::Frame a = testing::texturedFrame(82, 0, 150);
    testing::Frame b = raised(a, 200, 80, 200, 250, 60);
    testing::feed(*s, desktop, a, 22);
    bool odd = false;
    for (auto _ : state) {
        s->detection.detectFrames = 0;
        frameCallback(*s, desktop, std::span<uint8_t>(odd ? a : b));
        odd = !odd;
    }
}
BENCHMARK(BM_MotionSearchFrame);

// One eye blinking: the whole evaluation runs, and finds one cluster only.
void BM_CalibrationFrame(benchmark::State& state) {
    auto s = testing::inCalibration();
    QuietDesktop desktop;
    testing::Frame a = testing::texturedFrame(83, 0, 150);
    testing::Frame b = raised(a, 230, 166, 30, 20, 90);
    s->frame.pauseActive = false;
    s->frame.previousGrid = testing::gridOf(a);
    bool odd = false;
    for (auto _ : state) {
        s->detection.calibFrames = 0;
        frameCallback(*s, desktop, std::span<uint8_t>(odd ? a : b));
        odd = !odd;
    }
    if (s->state != Calibration) state.SkipWithError("calibration ended");
}
BENCHMARK(BM_CalibrationFrame);

// A still face: search, both patch samplers, pointer mapping.
void BM_TrackingFrame(benchmark::State& state) {
    auto s = testing::inCalibration();
    QuietDesktop desktop;
    testing::Frame a = testing::texturedFrame(84);
    s->frame.currentGrid = testing::gridOf(a);
    s->frame.previousGrid = s->frame.currentGrid;
    if (!setUpTracking(*s, desktop, testing::eyesSixtyApart())) {
        state.SkipWithError("no tracking");
        return;
    }
    s->frame.pauseActive = false;
    s->shared.clickGestures[GestureEye] = 1;
    s->shared.clickGestures[GestureMouth] = 1;
    testing::feed(*s, desktop, a, 2);
    for (auto _ : state) {
        s->pointer.idleFrames = 0;
        frameCallback(*s, desktop, std::span<uint8_t>(a));
    }
    if (s->state != Tracking) state.SkipWithError("tracking ended");
}
BENCHMARK(BM_TrackingFrame);

}  // namespace
}  // namespace quil
