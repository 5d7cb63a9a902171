// The precise engine: faces found by a detector, calibrated from landmarks
// without blinking, followed by points on the face, and gestures that count
// only when held on purpose. It shares the classic engine's pointer mapping,
// head gestures, idle rules, actions and rest states.
#pragma once

#include <array>
#include <filesystem>

#include "tracker/frame_driver.h"

namespace quil {

// The model file, looked for beside the programs.
inline constexpr const char* kLandmarkModelFile = "shape_predictor_5_face_landmarks.dat";

// The 68-point model, a separate file that may be missing: with it the
// precise engine reads the eyes, the mouth and the nose from their outlines;
// without it, from the 5-point model alone, as before.
inline constexpr const char* kFullLandmarkModelFile = "shape_predictor_68_face_landmarks.dat";

// Reads the landmark model and builds the face detector. True when the model
// could be read: the precise engine is then available (preciseAvailable).
bool loadPreciseEngine(TrackerState& s, const std::filesystem::path& modelFile);

// Reads the 68-point model; true when it could be read. Call after
// loadPreciseEngine; a missing file leaves the engine as it was.
bool loadFullLandmarkModel(TrackerState& s, const std::filesystem::path& modelFile);

// The engine the tracker should be running: the user's choice when it can.
[[nodiscard]] int32_t wantedEngine(const TrackerState& s);

// Ends whatever the tracker was doing and starts over from head detection, as
// after a loss, from outside a frame: the eyes window closed, a held button
// released, the keyboard told. The options and the keyboard link are kept.
void startOver(TrackerState& s, Desktop& desktop);

// Changes to the wanted engine and starts over.
void switchEngine(TrackerState& s, Desktop& desktop);

// The precise engine's step of each state, indexed by the state's value.
extern const std::array<StateStep, kStateCount> kPreciseSteps;

// Takes the frame into the precise engine's pictures (grey, top-down).
void precisePictureIntake(TrackerState& s, std::span<const uint8_t> frame);

}  // namespace quil
