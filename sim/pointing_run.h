// The pointing test taken by the model user through the whole tracker: the
// synthetic person sits down and calibrates, tries the pointer out, then
// selects the lit targets of the test with the gesture their options click
// with; and the pointer's latency and stillness measured on scripted head
// motion and on a real clip.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pointing_test/pointing_session.h"
#include "sim/model_user.h"
#include "sim/scene.h"

namespace quil::sim {

// The options with the fast pointer and the short head range: the least
// head motion and the quickest pointer the table offers.
inline constexpr const char* kFastestOptionsText = "1 0 0 1 0 0 1 0 0 0 1 0 1 0 0\n";

struct PointingOptions {
    uint64_t seed = 1;
    int rounds = 1;  // per condition
    bool precise = false;
    bool cameraRate = false;     // frames at the rate the engine can take (precise: 30/s)
    std::string modelFile;       // the precise engine's; empty: the build's
    std::string optionsContent;  // the options' text; empty: the defaults
    int screenWidth = 1024;
    int screenHeight = 768;
    double driftPercent = 0.0;
    double noiseSigma = kDefaultNoise;
    MotorParams motor;
    // The test's conditions (empty: the standard ones), and a stop after this
    // many trials (0: the whole test), for short runs.
    std::vector<pointing::Condition> conditions;
    int maxTrials = 0;
    std::ostream* trace = nullptr;  // a line per tick of the steered phase
};

struct PointingOutcome {
    int exitCode = 0;  // 0 ran (finished or not), 2 bad options or model
    std::string error;
    bool calibrated = false;
    bool finished = false;
    std::string stopReason;  // why an unfinished test stopped
    double seconds = 0.0;    // simulated, the whole run
    double testSeconds = 0.0;
    SelectBy selectBy = SelectBy::Mouth;
    std::vector<pointing::Condition> conditions;
    std::vector<pointing::Trial> trials;
    pointing::TestResult result;
    int losses = 0;
    int corrections = 0;
    int gestures = 0;
    std::array<double, 2> learnedGain{};
};

[[nodiscard]] PointingOutcome runPointing(const PointingOptions& o);

// From the start of a scripted head turn to the pointer's first move, and
// the pointer's wander while the head is held still.
struct MotionFigures {
    int exitCode = 0;
    std::string error;
    bool calibrated = false;
    std::vector<double> latenciesMs;  // one per head turn the pointer followed
    int unanswered = 0;               // head turns the pointer never followed
    int losses = 0;                   // the tracker gave the face up
    int notAtRest = 0;                // head turns begun with the pointer still moving
    std::optional<double> medianLatencyMs;
    double jitterRms = 0.0;  // screen pixels, about the still stretch's mean
    double stillSpan = 0.0;  // largest distance between two pointer places there
    int stillTicks = 0;
    double frameMs = 75.0;  // the time between the frames the tracker took
};

[[nodiscard]] MotionFigures measureMotion(const PointingOptions& o);

// The pointer's wander on a recorded clip while its labels say the head is
// still (and the mouth and eyes are not held), per stretch and pooled.
struct StillStretch {
    int64_t firstFrame = 0, lastFrame = 0;
    int ticks = 0;
    double rms = 0.0;      // about the stretch's mean: wander and closing in alike
    double stepRms = 0.0;  // of the moves from tick to tick (75 ms)
    // The labels' reference point's own moves from tick to tick, in screen
    // pixels at the default head range: what a pointer that followed the
    // head exactly would do. A person's "still" head is not.
    double headStepRms = 0.0;
    bool talking = false;
};
struct ClipJitter {
    int exitCode = 0;
    std::string error;
    std::vector<StillStretch> stretches;
    double pooledRms = 0.0;  // over every still tick, each about its stretch's mean
    int ticks = 0;
};

// With cameraRate, at the rate each engine can take from the camera, every
// frame's pointer counted.
[[nodiscard]] ClipJitter clipJitter(const std::string& clip, const std::string& labelsFile,
                                    bool precise, const std::string& modelFile,
                                    bool cameraRate = false);

// The root mean square distance of points from their mean.
[[nodiscard]] double rmsAboutMean(const std::vector<std::array<double, 2>>& points);

}  // namespace quil::sim
