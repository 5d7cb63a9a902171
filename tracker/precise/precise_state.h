// The precise engine's records. Like the classic ones, each is owned by one
// part of the engine and reset as a whole.
//
//   tools     start-up           the face detector and the landmark model
//   pictures  frame driver       this frame's and the last frame's grey pyramids
//   search    finding, calibration   sightings of a face, the calibration's samples
//   face      tracking           the followed points, the face's pose, baselines
//   deliberate  gestures         how long the eyes and the mouth have held
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/optical_flow.h"
#include "landmarks/face_landmarks.h"

namespace quil {

struct PreciseTools {
    std::unique_ptr<landmarks::FaceDetector> detector;
    std::unique_ptr<landmarks::LandmarkModel> model;
    std::unique_ptr<landmarks::FullLandmarkModel> fullModel;  // optional
};

// The frame in grey, top-down, as a pyramid for point tracking, and the
// previous frame's pyramid. Storage is kept across frames.
struct PrecisePictures {
    Pyramid current;
    Pyramid previous;
    bool previousHeld = false;
    std::vector<landmarks::FaceBox> boxes;
    int32_t detectorCalls = 0;
    // Detection runs at most every other frame.
    bool detectedLastFrame = false;
};

// Finding a face and calibrating on it.
struct PreciseSearch {
    int32_t sightings = 0;
    landmarks::FaceBox box;
    int32_t calibrationFrames = 0;
    int32_t steadyFrames = 0;
    bool marksHeld = false;
    landmarks::Landmarks marks{};
    // Sums of the measures over the calibration's steady frames.
    double eyeSum = 0.0;
    double mouthSum = 0.0;
    int32_t samples = 0;

    void reset();
};

// The similarity transform that takes the calibrated face to this frame's:
// x' = a x - b y + tx, y' = b x + a y + ty.
struct FacePose {
    double a = 1.0;
    double b = 0.0;
    double tx = 0.0;
    double ty = 0.0;
};

// What tracking follows: points on the face away from the eyes and the
// mouth, where they were at calibration, and the pose they give.
struct PreciseFace {
    landmarks::Landmarks calibratedMarks{};
    landmarks::FaceBox calibratedBox;
    std::vector<FlowPoint> origin;  // each point at calibration
    std::vector<FlowPoint> last;    // each point on the last frame
    std::vector<FlowPoint> found;   // this frame's forward search
    std::vector<FlowPoint> back;    // and its backward check
    std::vector<uint8_t> ok;
    std::vector<uint8_t> okBack;
    std::vector<float> residuals;
    int32_t initialCount = 0;
    FacePose pose;
    // A slow correction of the points' slow drift, from the landmarks.
    double driftX = 0.0;
    double driftY = 0.0;
    double anchorX = 0.0;  // the calibrated face point: midway between the eyes
    double anchorY = 0.0;
    double eyeGap = 0.0;  // between the eyes' centres at calibration
    double eyeBaseline = 0.0;
    double mouthBaseline = 0.0;
    int32_t weakFrames = 0;
    int32_t framesSinceFit = 0;
    int32_t framesSinceCheck = 0;
    int32_t missedChecks = 0;
    // The last tick's face position and pose, which the frames until the next
    // tick carry the pointer on from, and whether they may.
    double tickFaceX = 0.0;
    double tickFaceY = 0.0;
    FacePose tickPose;
    // The pointer target the tick's mapping stepped from.
    int32_t tickBaseX = 0;
    int32_t tickBaseY = 0;
    int32_t sinceTickMs = 0;  // the frames' time since the tick
    bool glideReady = false;
    std::vector<FlowPoint> corners;  // scratch of re-anchoring
    CornerScratch cornerScratch;

    void reset();
};

// One Euro filter of one coordinate: a low-pass filter whose cut-off rises
// with the speed, so that a still head gives a still pointer and a moving one
// little lag.
struct OneEuro {
    double value = 0.0;
    double speed = 0.0;
    bool primed = false;
};

// What the 68-point model's outlines say, each tracking frame, and what
// they said while the user's face was at rest: the baselines the gestures
// are measured against, which follow slow changes (light, distance).
struct OutlineMeasures {
    double eyes = 0.0;   // the eyes' opening: lid gap over eye width, both eyes' mean
    double mouth = 0.0;  // the inner lips' gap over their width
    double smile = 0.0;  // the mouth's width over the eyes' distance
    double turn = 0.0;   // the nose tip aside of the eyes' midpoint, over their distance
    double brows = 0.0;  // the brows' height over the eyes' corners, over the eyes' distance
    double noseX = 0.0;  // the mean of the nose's nine points
    double noseY = 0.0;
    double eyeGap = 0.0;
};

// The baselines are ranks of the recent measures: this many ticks of them
// (10 s), kept in a ring.
inline constexpr int kRecentTicks = 133;
struct RecentMeasure {
    std::array<float, kRecentTicks> values{};
    int32_t count = 0;
    int32_t next = 0;
};
// How many ticks of face positions are kept, to hold the pointer where it
// was when a gesture began.
inline constexpr int kPositionHistoryTicks = 4;

// Where the gesture check is: the user is asked to shut the eyes, then to
// open the mouth, and the levels reached are taken as that user's own.
enum class CheckStep : int32_t { Off, CloseEyes, OpenMouth, Showing };

struct PreciseOutline {
    landmarks::FullLandmarks marks{};
    OutlineMeasures now;
    OneEuro filterX, filterY;
    // Baselines: the eyes open, the mouth closed, its width and the brows'
    // height at rest, from the recent measures.
    RecentMeasure recentEyes, recentMouth, recentSmile, recentBrows, recentTurn;
    std::array<float, kRecentTicks> rankScratch{};
    double eyesOpenLevel = 0.0;
    double mouthRest = 0.0;
    double smileRest = 0.0;
    double browsRest = 0.0;
    double turnRest = 0.0;
    // The face positions of the last ticks, newest last, and the position the
    // pointer is held at while a gesture is made.
    std::array<double, 2 * kPositionHistoryTicks> positions{};
    int32_t positionCount = 0;
    bool frozen = false;
    double frozenX = 0.0;
    double frozenY = 0.0;
    // This tick's reading.
    bool eyesShut = false;
    bool mouthOpen = false;
    // The lips' opening on the last tick, and the ticks left before a mouth
    // that moved (talking) lets dwell count again.
    double lastMouth = 0.0;
    int32_t talkTicks = 0;
    double eyesRatio = 1.0;
    // The gesture check.
    CheckStep check = CheckStep::Off;
    int32_t checkTicks = 0;
    double checkEyes = 1.0;
    double checkMouth = 0.0;

    void reset();
};

// How long a deliberate gesture has been held.
struct DeliberateGestures {
    int32_t eyesClosedFrames = 0;
    int32_t mouthOpenFrames = 0;
    bool eyesSpent = false;   // this closing has acted; wait for the eyes to open
    bool mouthSpent = false;  // likewise for the mouth
    int32_t holdLength = 5;   // frames a hold needs now, for the dwell ring
    double eyeMeasure = 0.0;  // this frame's, for the report
    double mouthMeasure = 0.0;
};

struct PreciseState {
    PreciseTools tools;
    PrecisePictures pictures;
    PreciseSearch search;
    PreciseFace face;
    DeliberateGestures deliberate;
    PreciseOutline outline;

    // The face the engine found and followed, forgotten; the model and the
    // pictures' storage are kept.
    void forgetFace();
};

}  // namespace quil
