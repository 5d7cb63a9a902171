// The keyboard's share of a key press: the tracker waits for the key-press
// message inside a frame, so its handling must stay far below 2 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "keyboard_link/protocol.h"
#include "onscreen_keyboard/plakette.h"

namespace quil::osk {
namespace {

// Points spread over the whole window and a little beyond, on keys and
// borders alike.
std::vector<std::pair<int, int>> samplePoints() {
    std::vector<std::pair<int, int>> points;
    constexpr int kStep = 7;
    for (int y = -4; y < keyboard::kKeyboardHeight + 4; y += kStep) {
        for (int x = -4; x < keyboard::kKeyboardWidth + 4; x += kStep) points.emplace_back(x, y);
    }
    return points;
}

// One key-press message: the key under the pointer, the typing rules and
// the result to send, as the program does it on each message.
void BM_KeyPressMessage(benchmark::State& state) {
    const auto points = samplePoints();
    Plakette keyboard;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto [x, y] = points[i];
        KeyResult r = keyboard.pressAt(x, y);
        benchmark::DoNotOptimize(r);
        keyboard.flashOver();
        i = (i + 1) % points.size();
    }
}
BENCHMARK(BM_KeyPressMessage);

// The pointer-over message, sent on every tracked frame over the keyboard.
void BM_PointerOverMessage(benchmark::State& state) {
    const auto points = samplePoints();
    Plakette keyboard;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto [x, y] = points[i];
        benchmark::DoNotOptimize(keyboard.pointerOver(x, y));
        i = (i + 1) % points.size();
    }
}
BENCHMARK(BM_PointerOverMessage);

}  // namespace
}  // namespace quil::osk
