// Synthetic camera frames for the stand-in capture driver: 640 x 480,
// 24-bit, bottom-up rows, blue-green-red, as the real driver delivers them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quil::wintest {

inline constexpr int kSceneWidth = 640;
inline constexpr int kSceneHeight = 480;
inline constexpr int kSceneBytes = kSceneWidth * kSceneHeight * 3;

// Where the face is and what it does in one frame.
struct FacePose {
    int centreX = 320;  // image column of the face's centre
    int centreY = 240;  // image row, from the top
    bool eyesClosed = false;
    bool mouthOpen = false;
    // Drawn as a person (person_picture.h) rather than as the plain face.
    bool person = false;
};

// The frame from which the "face" and "person" scenes blink, until the
// tracker has calibrated.
inline constexpr int kFirstBlinkFrame = 58;

// A scene is a script over frame numbers:
//   "still"  an empty room; nothing moves.
//   "face"   a face sways sideways (for head detection), then holds still and
//            blinks (for calibration). Once the tracker has calibrated
//            (`calibratedAt` >= 0, the frame of success) it keeps the eyes as
//            they were on that frame and follows the tracking script.
//   "scroll" as "face" up to calibration; then the face holds still for
//            kScrollUpFrame frames (time to turn the scroll mode on), raises
//            the head by kScrollRaise rows over kScrollEaseFrames and holds
//            it there, and from kScrollBackFrame on lowers it again to hold
//            still where it began.
FacePose scenePose(const std::string& scene, int frame, int calibratedAt);

inline constexpr int kScrollUpFrame = 30;
inline constexpr int kScrollBackFrame = 70;
inline constexpr int kScrollRaise = 18;
inline constexpr int kScrollEaseFrames = 5;

// The name of the step of the scene that starts on this frame ("head-up",
// "head-back" once the head is still again), or nullptr; the stand-in logs
// it so that a test knows what the camera shows.
const char* sceneStep(const std::string& scene, int frame, int calibratedAt);

// Draws the frame for a pose (or the empty room when `withFace` is false).
void renderFrame(const FacePose& pose, bool withFace, std::span<uint8_t> bgr);

}  // namespace quil::wintest
