// The replay: runs the tracker core on a video file or a synthetic scene,
// one frame per 75 ms tick of video time, behind a simulated desktop, and
// records what happened on every tick.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim/scene.h"
#include "tracker/desktop.h"
#include "tracker/frame_report.h"
#include "tracker/tracker_state.h"

namespace quil::sim {

struct ReplayOptions {
    std::string input;           // a .y4m file; empty for a scene
    std::string scene = "demo";  // used when input is empty
    uint64_t seed = 1;
    double driftPercent = 3.0;
    double noiseSigma = kDefaultNoise;
    int screenWidth = 1024;
    int screenHeight = 768;
    bool keyboard = false;       // run the simulated keyboard program
    std::string optionsFile;     // empty: the default options
    std::string optionsContent;  // the options' text itself, used instead of the file
    bool realtime = false;       // pace the ticks at 75 ms of wall time
    // Frames at the rate the engine can take from the camera; the records
    // stay one per tick, taken from the frames that complete one.
    bool cameraRate = false;
    int64_t maxTicks = -1;  // stop early (for benchmarks); -1 plays it all
    bool precise = false;   // the precise engine instead of the classic one
    std::string modelFile;  // its landmark model; empty: the one the build fetched
    // Its 68-point model: empty, the system's (if installed); "none", without.
    std::string fullModelFile;
};

// The landmark model the build fetched, for the precise engine.
std::string defaultModelFile();
// The 68-point model where Debian's libdlib-data installs it.
std::string defaultFullModelFile();
// Chooses the precise engine and loads its models (empty names: the
// defaults; "none": without the 68-point one). What could not be read, or
// empty.
std::string choosePreciseEngine(TrackerState& s, const std::string& modelFile,
                                const std::string& fullModelFile);

struct CalibrationInfo {
    int eyeAX = 0, eyeAY = 0, eyeBX = 0, eyeBY = 0, refX = 0, refY = 0, latticeCount = 0;
    int headRangeMinX = 0, headRangeMaxX = 0, headRangeMinY = 0, headRangeMaxY = 0;
    int mapWidth = 0, mapHeight = 0;
    double speedDivisor = 0;
    double faceX = 0, faceY = 0;  // the face position the template names at calibration
};

struct TickRecord {
    int64_t tick = 0;
    bool processed = false;  // taken in by the tracker, not dropped by its pause
    bool stepped = false;    // and a state's step ran on it
    int state = 0;           // the state whose step ran, or the waiting state on a dropped frame
    std::optional<std::array<double, 2>> face;
    std::optional<double> cost;
    ScreenPoint pointer;
    bool button = false;
    std::vector<std::string> events;
    std::optional<std::array<double, 2>> truth;
    std::optional<std::array<int, 4>> headBox;  // left, top, right, bottom
    std::optional<CalibrationInfo> calibration;
    std::string lostReason;
    // On the first tracked frame after a calibration: how far the face estimate
    // sits from the template point it names.
    std::optional<std::array<double, 2>> faceOffset;
    double ms = 0;                     // processing time of the frame callback
    double betweenMs = 0;              // and of the frames between the last tick and this one
    std::vector<ScreenPoint> between;  // the pointer after each of those frames
    GestureAction action = GestureAction::None;  // what a gesture did on this tick
    uint16_t doing = 0;  // what the scene's person was doing (Doing flags); 0 for a file
    // The hands-free extras, which the trace leaves out: the wheel turned on
    // this tick (120ths of a notch), the head's mode after it, the ring's fill.
    int32_t wheelVertical = 0;
    int32_t wheelHorizontal = 0;
    HeadMode mode = HeadMode::Pointing;
    int32_t ring = 0;
};

struct TimeStats {
    int64_t frames = 0;
    double medianMs = 0;
    double p99Ms = 0;
};

struct Summary {
    int64_t ticks = 0;
    int64_t processed = 0;
    std::array<int64_t, 8> framesPerState{};
    int64_t headBoxes = 0, calibrations = 0, calibrationTimeouts = 0, losses = 0;
    int64_t clicks = 0, presses = 0, releases = 0, keyPressMessages = 0;
    int64_t keyboardShown = 0, keyboardHidden = 0, handPauses = 0;
    TimeStats all;
    std::map<int, TimeStats> perState;
};

struct ReplayResult {
    int exitCode = 0;   // 0 played, 2 bad input or usage
    std::string error;  // what was wrong with the input
    std::vector<TickRecord> ticks;
    Summary summary;
    std::vector<SceneMark> marks;  // the scene's script moments
    int screenWidth = 0, screenHeight = 0;
    std::vector<std::array<int, 4>> keyboardRects;  // where the keyboard was shown
    // Which gestures the options made click and drag (eyes, mouth, dwell).
    std::array<int, 3> clickGestures{}, dragGestures{};
};

struct ReplayOutputs {
    std::ostream* timeline = nullptr;  // readable timeline and summary
    std::string annotatePath;          // .y4m of the frames as the camera view shows them
};

extern const char* const kStateNames[8];

ReplayResult runReplay(const ReplayOptions& options, const ReplayOutputs& outputs);

// One trace line per tick and the closing summary line.
void writeTrace(const ReplayResult& result, std::ostream& out);
void writeSummary(const ReplayResult& result, std::ostream& out);
// The face track against the truth and the pointer path over the screen.
void writePlot(const ReplayResult& result, const std::string& title, std::ostream& out);

}  // namespace quil::sim
