// The vision engines as the shells, the simulator and the frame driver see
// them, whichever runs: which one the user chose, which one can run, their
// model files read once, and the change from one to the other.
#pragma once

#include <cstdint>
#include <filesystem>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// The model file, looked for beside the programs.
inline constexpr const char* kLandmarkModelFile = "shape_predictor_5_face_landmarks.dat";

// The 68-point model, a separate file that may be missing: with it the
// precise engine reads the eyes, the mouth and the nose from their outlines;
// without it, from the 5-point model alone.
inline constexpr const char* kFullLandmarkModelFile = "shape_predictor_68_face_landmarks.dat";

// Reads the landmark model and builds the face detector. True when the model
// could be read: the precise engine is then available (preciseAvailable).
bool loadPreciseEngine(TrackerState& s, const std::filesystem::path& modelFile);

// Reads the 68-point model; true when it could be read. Call after
// loadPreciseEngine; a missing file leaves the engine as it was.
bool loadFullLandmarkModel(TrackerState& s, const std::filesystem::path& modelFile);

struct LoadedModels {
    bool precise = false;   // the 5-point model: the precise engine can run
    bool outlines = false;  // the 68-point model too
};

// What a program does at start-up, after reading its options: both models
// where they are given (an empty path is skipped), then the engine the user
// chose if it can run, else the classic one.
LoadedModels loadEngines(TrackerState& s, const std::filesystem::path& modelFile,
                         const std::filesystem::path& fullModelFile);

// The engine the tracker should be running: the user's choice when it can.
[[nodiscard]] int32_t wantedEngine(const TrackerState& s);

// Changes to the wanted engine and starts over from head detection.
void switchEngine(TrackerState& s, Desktop& desktop);

}  // namespace quil
