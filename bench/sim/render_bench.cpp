// Rendering a scene's frame: the flat person and the turning head side by
// side, on frames of the scripts' busy middle (the head turned, the face
// moving), with sensor noise and, for a low-resolution seed, the scaling.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "sim/scene.h"
#include "sim/y4m.h"

namespace {

constexpr int64_t kFirstTick = 300;  // past sitting down and calibrating
constexpr int64_t kTicks = 200;

void renderScene(benchmark::State& state, const std::string& name, uint64_t seed) {
    auto scene = quil::sim::makeScene(name, seed, 3.0);
    std::vector<uint8_t> bgr(quil::sim::kBgrBytes);
    quil::sim::UserView view;
    int64_t tick = 0;
    while (tick < kFirstTick && scene->advance(tick, view)) ++tick;
    for (auto _ : state) {
        if (tick >= kFirstTick + kTicks || !scene->advance(tick, view)) {
            scene->restart();
            for (tick = 0; tick < kFirstTick && scene->advance(tick, view);) ++tick;
        }
        scene->render(bgr);
        benchmark::DoNotOptimize(bgr.data());
        ++tick;
    }
}

void BM_FlatPerson(benchmark::State& state) { renderScene(state, "gestures", 1); }
void BM_TurningHead(benchmark::State& state) { renderScene(state, "turning", 1); }
void BM_TurningHeadLowResolution(benchmark::State& state) {
    renderScene(state, "gestures_real", 2);  // seed 2: glasses, a 320x240 camera
}

BENCHMARK(BM_FlatPerson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurningHead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurningHeadLowResolution)->Unit(benchmark::kMillisecond);

}  // namespace
