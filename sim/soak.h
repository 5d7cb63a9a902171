// The soak: a day of a user's life replayed in a loop. Each cycle the person
// sits down, calibrates, points, clicks and drags with each gesture, nods the
// keyboard away and back, leaves the picture and comes back. The run keeps no
// per-frame record: it samples resident memory every simulated minute, keeps
// processing-time histograms, counts presses, releases, losses and clicks,
// and checks them against limits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "sim/scene.h"

namespace quil::sim {

inline constexpr int64_t kTicksPerMinute = 800;  // of 75 ms
inline constexpr int64_t kTicksPerHour = 48000;

struct SoakOptions {
    int64_t ticks = 100000;
    uint64_t seed = 1;
    bool precise = false;
    std::string modelFile;  // empty: the one the build fetched
    // Limits; 0 leaves one unchecked (a sanitised build's memory and time
    // say nothing about the product's).
    double maxGrowthMb = 1.0;       // resident memory after the first minute
    double maxTimeDriftPct = 10.0;  // last hour's median frame time against the first's
    // How many rendered frames to keep for reuse; 0 renders every tick.
    int cacheFrames = 640;
};

struct SoakFigures {
    int64_t ticks = 0;
    double wallSeconds = 0;
    int64_t cycles = 0;
    // Memory, bytes: before the first tick, at the first minute, the most
    // after it, at the end.
    int64_t rssStart = 0, rssFirstMinute = 0, rssMax = 0, rssEnd = 0;
    // Frame time, ms: medians of the first and last hour (or window).
    double firstMedianMs = 0, lastMedianMs = 0, firstP99Ms = 0, lastP99Ms = 0;
    int64_t calibrations = 0, calibrationTimeouts = 0, headBoxes = 0;
    int64_t losses = 0, detectionsAfterLoss = 0;
    int64_t presses = 0, releases = 0;  // of the button, a click's own down and up apart
    int64_t clicks = 0, keyPresses = 0;
    int64_t clicksAway = 0;  // while the room was empty
    // Clicks and drag toggles by what the person was doing: eyes, mouth, dwell.
    std::array<int64_t, 3> clicksBy{}, dragsBy{};
    int64_t keyboardShown = 0, keyboardHidden = 0;
    int64_t cacheHits = 0, cacheMisses = 0;
    // Faults seen on the way: a press held past its deadline, a loss never
    // followed by a detection.
    int64_t stuckPresses = 0, unansweredLosses = 0;
};

// Runs the soak, printing a line per simulated hour and the figures; returns
// 0 within the limits, 1 when one is broken, 2 when it cannot run.
int runSoak(const SoakOptions& options, std::ostream& out, SoakFigures* figures = nullptr);

// The cycle's script (soak_frames.cpp), and the options of even and odd
// cycles: the mouth clicks and the eyes drag, then the eyes and dwell click
// and the mouth drags.
std::vector<Phase> soakCycleScript();
extern const char* const kSoakOptions[2];

// Rendered scene pictures kept for reuse by pose, since the cycles repeat
// the same poses, and the sensor noise and lighting drift laid over them per
// tick from a fixed pool. All storage is taken at construction, so that
// filling it does not grow the process.
class FrameCache {
public:
    FrameCache(int capacity, uint64_t seed, double noiseSigma);
    // The frame of the scene's current pose at a tick, into bgr (921600
    // bytes, bottom-up). hidden: the empty room.
    void frame(Scene& scene, bool hidden, int64_t tick, std::span<uint8_t> bgr);
    int64_t hits() const { return hits_; }
    int64_t misses() const { return misses_; }

private:
    struct Slot {
        std::array<int64_t, 8> key{};
        int index = -1;
    };
    const uint8_t* clean(Scene& scene, bool hidden);
    static void toBgr(const std::vector<float>& rgb, uint8_t* out);

    int capacity_;
    int used_ = 0;
    std::vector<uint8_t> pictures_;  // capacity frames, bottom-up BGR without noise
    std::vector<Slot> slots_;
    std::vector<uint8_t> scratch_;  // a picture not kept
    std::vector<uint8_t> room_;
    std::vector<int16_t> noise_;  // in 1/4096 of a level
    int64_t hits_ = 0, misses_ = 0;
};

}  // namespace quil::sim
