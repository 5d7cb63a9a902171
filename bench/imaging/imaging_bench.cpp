// Per-frame costs of the image routines, against the 75 ms frame period.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/block_sampler.h"
#include "imaging/circle_mask.h"
#include "imaging/grids.h"
#include "imaging/template_search.h"
#include "tracker/imaging_steps.h"

namespace quil {
namespace {

size_t at(int i) { return static_cast<size_t>(i); }

Grid texture(unsigned seed) {
    std::mt19937 rng(seed);
    Grid g(at(kFrameCells));
    for (int32_t& v : g) v = static_cast<int32_t>(rng() % 256);
    return g;
}

// The previous frame with the blocks of a share of the picture moved by a
// few pixels: a head-sized rectangle for 10%, the whole picture for 100%.
Grid movedBlocks(const Grid& previous, int x0, int y0, int x1, int y1) {
    Grid g = previous;
    for (int x = x0; x < x1; ++x) {
        for (int y = y0; y < y1; ++y) {
            const int sx = std::max(x - 3, 0);
            const int sy = std::min(y + 2, kFrameRows - 1);
            g[at(x * 480 + y)] = previous[at(sx * 480 + sy)];
        }
    }
    return g;
}

void runSampler(benchmark::State& state, const Grid& current, const Grid& previous) {
    const IntList offsets = makeBlockOffsets(10, 10, 480);
    FeatureSet result;
    allocFeatureSet(result, 48 * 64);
    SamplerScratch scratch;
    const auto neighbours = neighbourOffsetsFor(48);
    for (auto _ : state) {
        sampleBlocks({10, 10, 10, 10, 480, 640}, current, previous, result, offsets, neighbours,
                     scratch);
        benchmark::DoNotOptimize(result.mask.data());
    }
}

void BM_SamplerWholeFrameStill(benchmark::State& state) {
    const Grid previous = texture(1);
    runSampler(state, previous, previous);
}
BENCHMARK(BM_SamplerWholeFrameStill)->Unit(benchmark::kMicrosecond);

void BM_SamplerWholeFrameTenPercentMoving(benchmark::State& state) {
    const Grid previous = texture(1);
    // 18 x 17 blocks of 48 x 64 (about 10%).
    runSampler(state, movedBlocks(previous, 200, 150, 380, 320), previous);
}
BENCHMARK(BM_SamplerWholeFrameTenPercentMoving)->Unit(benchmark::kMicrosecond);

void BM_SamplerWholeFrameAllMoving(benchmark::State& state) {
    const Grid previous = texture(1);
    runSampler(state, movedBlocks(previous, 0, 0, kFrameCols, kFrameRows), previous);
}
BENCHMARK(BM_SamplerWholeFrameAllMoving)->Unit(benchmark::kMicrosecond);

void BM_LocateFaceSixtyPoints(benchmark::State& state) {
    TrackerState s;
    const Grid calib = texture(2);
    // Eyes 60 pixels apart: 10 lattice columns of 6 points.
    const int xA = 290, xB = 350, y0 = 200;
    const int ncols = (xB - xA + 30) / 10 + 1;
    for (int c = 0; c < ncols; ++c) {
        for (int r = 0; r < 6; ++r) {
            s.face.latticeOffsets.push_back(c * 4800 + r * 10);
            s.face.latticeReference.push_back(
                calib[at((xA - 15 + 10 * c) * 480 + y0 - 5 + 10 * r)]);
        }
    }
    s.face.latticeCount = 6 * ncols;
    s.face.latticeCentre = (ncols / 2) * 4800;
    for (int y = y0 - 65; y <= y0 + 55; ++y) {
        for (int x = xA - 85; x <= xA + 55; ++x) s.face.searchWindow.indices.push_back(x * 480 + y);
        s.face.searchWindow.rectangle = true;
    }
    buildCircleMask(s, 25);
    s.face.circleScratch.assign(at(s.session.circleCount), 0);
    resetDistanceMap(s.face.distanceMap);
    std::mt19937 rng(3);
    Grid frame = texture(2);
    for (int32_t& v : frame) v = std::clamp(v + static_cast<int32_t>(rng() % 7) - 3, 0, 255);
    for (auto _ : state) {
        const FaceFix fix = locateFace(s, frame);
        benchmark::DoNotOptimize(fix);
    }
}
BENCHMARK(BM_LocateFaceSixtyPoints)->Unit(benchmark::kMicrosecond);

// The physical floor: copying one captured 640x480 RGB24 frame.
void BM_CopyOneFrame(benchmark::State& state) {
    std::vector<unsigned char> from(at(kFrameBytes), 7);
    std::vector<unsigned char> to(at(kFrameBytes));
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyOneFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quil
