// Frames per second of the whole tracker pipeline (frame callback: intake,
// state step, pointer, clicks) on the demo scene, scene rendering excluded,
// with the median and 99th percentile time per frame of each state.
#include <benchmark/benchmark.h>

#include "sim/replay.h"

namespace {

void BM_DemoScene(benchmark::State& state) {
    quil::sim::ReplayOptions o;
    o.scene = "demo";
    o.keyboard = true;
    quil::sim::Summary summary;
    double frames = 0, seconds = 0;
    for (auto _ : state) {
        const auto r = quil::sim::runReplay(o, {});
        double ms = 0;
        for (const auto& t : r.ticks) {
            if (t.processed) ms += t.ms;
        }
        state.SetIterationTime(ms / 1000.0);
        frames += static_cast<double>(r.summary.processed);
        seconds += ms / 1000.0;
        summary = r.summary;
    }
    state.counters["fps"] = frames / seconds;
    state.counters["frames"] = static_cast<double>(summary.processed);
    state.counters["median_ms"] = summary.all.medianMs;
    state.counters["p99_ms"] = summary.all.p99Ms;
    for (const auto& [s, t] : summary.perState) {
        const std::string name = quil::sim::kStateNames[s & 7];
        state.counters[name + "_median_ms"] = t.medianMs;
        state.counters[name + "_p99_ms"] = t.p99Ms;
    }
}
BENCHMARK(BM_DemoScene)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
