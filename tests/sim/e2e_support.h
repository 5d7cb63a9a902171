// Helpers for reading a replay's record in the end-to-end tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sim/replay.h"
#include "tracker/tracker_state.h"

namespace quil::sim::testing {

inline ReplayResult play(const std::string& scene, uint64_t seed, bool keyboard = false,
                         const std::string& options = "", double drift = 0.0) {
    ReplayOptions o;
    o.scene = scene;
    o.seed = seed;
    o.keyboard = keyboard;
    o.optionsFile = options;
    o.driftPercent = drift;
    return runReplay(o, {});
}

inline bool has(const TickRecord& r, const std::string& event) {
    return std::find(r.events.begin(), r.events.end(), event) != r.events.end();
}

// Ticks carrying an event.
inline std::vector<int64_t> ticksWith(const ReplayResult& r, const std::string& event) {
    std::vector<int64_t> out;
    for (const auto& t : r.ticks) {
        if (has(t, event)) out.push_back(t.tick);
    }
    return out;
}

inline int64_t countIn(const ReplayResult& r, const std::string& event, int64_t from, int64_t to) {
    int64_t n = 0;
    for (const auto& t : r.ticks) {
        if (t.tick >= from && t.tick < to && has(t, event)) ++n;
    }
    return n;
}

// The script's moments of one kind, with the tick at which the next moment
// starts (the end of this one).
struct Span {
    int64_t from, to;
    double x, y;
};
inline std::vector<Span> spans(const ReplayResult& r, const std::string& what) {
    std::vector<Span> out;
    for (size_t i = 0; i < r.marks.size(); ++i) {
        if (r.marks[i].what != what) continue;
        int64_t end = static_cast<int64_t>(r.ticks.size());
        for (size_t j = i + 1; j < r.marks.size(); ++j) {
            if (r.marks[j].what != "blink") {
                end = r.marks[j].tick;
                break;
            }
        }
        out.push_back({r.marks[i].tick, end, r.marks[i].x, r.marks[i].y});
    }
    return out;
}

inline const CalibrationInfo* lastCalibrationBefore(const ReplayResult& r, int64_t tick) {
    const CalibrationInfo* found = nullptr;
    for (const auto& t : r.ticks) {
        if (t.tick > tick) break;
        if (t.calibration) found = &*t.calibration;
    }
    return found;
}

}  // namespace quil::sim::testing
