// The two engines side by side on the same scene, in the same run: the time
// of a frame in each state (tracking above all), and the precise engine's
// face search at the two sizes it searches.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "sim/replay.h"
#include "sim/scene.h"
#include "sim/y4m.h"
#include "tracker/engines.h"
#include "tracker/precise/precise_engine.h"
#include "tracker/precise/precise_internal.h"
#include "tracker/tracker_state.h"

namespace {

using quil::sim::kStateNames;

// range(0): 0 classic, 1 precise with the 5-point model alone, 2 precise
// with the 68-point outlines too, 3 that at the camera's 30 frames a second.
// cpu_share_percent: the tracker's time while tracking, frames between ticks
// included, against the video time it covers (one core).
void BM_PointingScene(benchmark::State& state) {
    quil::sim::ReplayOptions o;
    o.scene = "pointing";
    o.precise = state.range(0) >= 1;
    if (state.range(0) == 1) o.fullModelFile = "none";
    o.cameraRate = state.range(0) == 3;
    quil::sim::Summary summary;
    double share = 0;
    for (auto _ : state) {
        const auto r = quil::sim::runReplay(o, {});
        if (r.exitCode != 0) {
            state.SkipWithError(r.error.c_str());
            return;
        }
        double ms = 0, trackingMs = 0;
        int tracking = 0;
        for (const auto& t : r.ticks) {
            ms += t.processed ? t.ms + t.betweenMs : 0.0;
            if (t.stepped && t.state == quil::Tracking) {
                trackingMs += t.ms + t.betweenMs;
                ++tracking;
            }
        }
        state.SetIterationTime(ms / 1000.0);
        summary = r.summary;
        share = tracking > 0 ? 100.0 * trackingMs / (tracking * quil::sim::kTickMs) : 0.0;
    }
    state.counters["cpu_share_percent"] = share;
    state.counters["median_ms"] = summary.all.medianMs;
    state.counters["p99_ms"] = summary.all.p99Ms;
    for (const auto& [s, t] : summary.perState) {
        const std::string name = kStateNames[s & 7];
        state.counters[name + "_median_ms"] = t.medianMs;
        state.counters[name + "_p99_ms"] = t.p99Ms;
    }
}
BENCHMARK(BM_PointingScene)
    ->ArgName("engine")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// One run of the face detector over the whole frame: range(0) is the pyramid
// level searched (0 the whole 640 x 480 frame, 1 its half size).
void BM_FaceSearch(benchmark::State& state) {
    auto s = std::make_unique<quil::TrackerState>();
    if (!quil::loadPreciseEngine(*s, quil::sim::defaultModelFile())) {
        state.SkipWithError("no landmark model");
        return;
    }
    auto scene = quil::sim::makeScene("pointing", 1, 0.0);
    quil::sim::UserView view;
    for (int64_t tick = 0; tick < 30; ++tick) scene->advance(tick, view);
    std::vector<uint8_t> frame(quil::sim::kBgrBytes);
    scene->render(frame);
    quil::precisePictureIntake(s->precise.pictures, frame);
    const auto& plane = s->precise.pictures.current.levels[static_cast<size_t>(state.range(0))];
    for (auto _ : state) {
        s->precise.tools.detector->find(quil::precise::viewOf(plane), s->precise.pictures.boxes);
        benchmark::DoNotOptimize(s->precise.pictures.boxes.data());
    }
    if (s->precise.pictures.boxes.empty()) state.SkipWithError("no face found");
}
BENCHMARK(BM_FaceSearch)->ArgName("level")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
