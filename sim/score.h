// A replay scored against what the person did: how closely the face track
// follows a reference point, how soon calibration came, and for each gesture
// how many deliberate ones acted and how many actions nobody asked for.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

namespace quil::sim {

inline constexpr int kGestureCount = 3;  // eyes, mouth, dwell (the options' order)
inline constexpr int kNoGesture = -1;
inline constexpr int kUnattributed = -2;  // an action no single gesture can explain

// One tick as the scorer sees it: what the person was doing (Doing flags),
// where the reference point was, and what the engine did.
struct ScoreTick {
    uint16_t doing = 0;
    std::optional<std::array<double, 2>> truth;  // the reference point, when known
    std::optional<std::array<double, 2>> face;   // the engine's face, when it tracked
    bool processed = false;  // the tracker took the frame in (not dropped by its warm-up)
    bool calibrated = false;
    bool lost = false;
    bool eyesWindowOpened = false;
    int gesture = kNoGesture;  // the gesture whose action this tick took
};

struct ScoreSetup {
    double tickSeconds = 0.075;
    // A deliberate gesture is recalled by an action while it is held or
    // within this long after; an action that late explains it still.
    double recallSeconds = 1.0;
    std::array<bool, kGestureCount> examined{};  // gestures the options make act
};

struct TrackingScore {
    int64_t samples = 0;  // tracked ticks with a reference point
    // After removing each calibrated stretch's mean offset; NaN without samples.
    double rmsX = 0, rmsY = 0, rms = 0;
    double corrX = 0, corrY = 0;  // NaN when an axis does not vary
    int64_t visibleTicks = 0;     // the face was in view
    int64_t trackedTicks = 0;     // of those, the engine followed it
    double trackedShare = 0;
};

struct CalibrationScore {
    // Seconds from the first frame the tracker took in with the face in view
    // (from the eyes window opening) to the first calibration; empty when it
    // never came.
    std::optional<double> seconds;
    std::optional<double> fromEyesWindow;
    int64_t calibrations = 0;
    int64_t losses = 0;
};

// Actions while the person was doing something in particular, over the time
// the engine followed the face then.
struct ContextRate {
    int64_t actions = 0;
    double minutes = 0;
    double perMinute() const;  // NaN without tracked time
};

struct GestureScore {
    bool examined = false;
    int64_t deliberate = 0;  // deliberate gestures once the tracker had seen the face
    int64_t recalled = 0;    // of those, the ones that acted
    int64_t repeats = 0;     // further actions one deliberate gesture explains
    int64_t wrong = 0;       // actions no deliberate gesture explains
    ContextRate talking, blinking, moving;
};

struct Score {
    double seconds = 0;  // length of what was played
    TrackingScore tracking;
    CalibrationScore calibration;
    std::array<GestureScore, kGestureCount> gestures{};
    int64_t unattributed = 0;
};

Score scoreTicks(std::span<const ScoreTick> ticks, const ScoreSetup& setup);

// The gesture of a tick whose action was a click (or a key press), or a
// press or release of a drag, given which gestures click and which drag.
// kUnattributed when more than one gesture could have made it.
int gestureOfAction(bool click, const std::array<int, kGestureCount>& clickGestures,
                    const std::array<int, kGestureCount>& dragGestures);

const char* gestureName(int gesture);

void writeScoreText(const Score& score, std::ostream& out);
// One JSON object; NaN and absent values are written as null.
void writeScoreJson(const Score& score, const std::string& label, const std::string& engine,
                    std::ostream& out);

}  // namespace quil::sim
