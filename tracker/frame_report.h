// What one frame did: the frame driver returns it, the simulator records it,
// and tests read it. Fixed-size: filling it allocates nothing.
#pragma once

#include <cstdint>
#include <optional>

namespace quil {

// Why tracking gave the face up on this frame.
enum class LossReason : uint8_t {
    None,
    FaceLost,   // the template matched nowhere well enough
    HeadShake,  // the user shook the head to start over
    Idle,       // the pointer stayed still too long
};

// The gesture action a tracking frame performed, if any.
enum class GestureAction : uint8_t {
    None,
    Click,        // a left click
    KeyPress,     // a key press sent to the on-screen keyboard
    DragPress,    // the left button pressed and held
    DragRelease,  // the held button released
};

// The head box accepted on this frame, in frame columns and grid rows
// counted as heights above the image's bottom edge.
struct HeadBoxFix {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// What a successful calibration set up.
struct CalibrationResult {
    int32_t eyeAX = 0, eyeAY = 0, eyeBX = 0, eyeBY = 0;
    int32_t refX = 0, refY = 0;
    int32_t latticeCount = 0;
    int32_t headRangeMinX = 0, headRangeMaxX = 0, headRangeMinY = 0, headRangeMaxY = 0;
    int32_t mapWidth = 0, mapHeight = 0;
    double speedDivisor = 0.0;
    // The frame point the template names the face by: the top point of the
    // lattice's middle column.
    int32_t templateX = 0;
    int32_t templateY = 0;
};

struct FrameReport {
    // Taken in: not dropped as a short frame or by the warm-up pause.
    bool processed = false;
    // And a state's step ran on it (the first frame after a start or a reset
    // only initialises).
    bool stepped = false;
    int32_t stateBefore = 0;
    int32_t stateAfter = 0;
    // Tracking: the template's best mean difference per lattice point, when
    // any position could be scored, and the face position when it was found.
    std::optional<double> cost;
    std::optional<double> faceX;
    std::optional<double> faceY;
    LossReason loss = LossReason::None;
    GestureAction action = GestureAction::None;
    std::optional<HeadBoxFix> headBox;
    std::optional<CalibrationResult> calibration;
    bool calibrationTimedOut = false;
    // The tracker changed engines at the start of this frame.
    bool engineSwitched = false;
    // A frame between two ticks: it only carried the pointer along.
    bool betweenTicks = false;
};

}  // namespace quil
