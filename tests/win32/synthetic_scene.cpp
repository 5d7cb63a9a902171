#include "synthetic_scene.h"

#include <cmath>
#include <cstdlib>

#include "person_picture.h"

namespace quil::wintest {

namespace {

// The tracker drops 21 frames, initialises on the 22nd and searches motion
// over the next eleven; the face sways through all of them.
constexpr int kSwayFrames = 34;
// Then the face holds still with open eyes for a while (so that the eyes
// window can be seen), and blinks on every frame after that.
constexpr int kBlinkFrom = kFirstBlinkFrame;
static_assert(kBlinkFrom > kSwayFrames);
constexpr int kSwayAmplitude = 14;
constexpr int kFaceHalfWidth = 100;
constexpr int kFaceHalfHeight = 130;
constexpr int kEyeOffsetX = 45;
constexpr int kEyeOffsetY = -35;
// Each eye must change at least five blocks of 6 pixels across and four
// down when it blinks, and both together at most 93 blocks.
constexpr int kEyeHalfWidth = 18;
constexpr int kEyeHalfHeight = 5;
constexpr int kMouthOffsetY = 60;
constexpr int kMouthHalfWidth = 28;
constexpr int kMouthHalfHeight = 14;

constexpr uint8_t kRoom = 40;

bool inEllipse(int dx, int dy, int rx, int ry) {
    return static_cast<double>(dx) * dx / (static_cast<double>(rx) * rx) +
               static_cast<double>(dy) * dy / (static_cast<double>(ry) * ry) <=
           1.0;
}

// Skin with a gentle pattern, so that the face template has something to
// hold on to; it moves with the face.
uint8_t skin(int fx, int fy) {
    const double v =
        150.0 + 40.0 * std::sin(fx / 9.0) * std::cos(fy / 11.0) + 20.0 * std::sin((fx + fy) / 17.0);
    return static_cast<uint8_t>(v);
}

// After calibration, a round of 140 frames: settle; lower the head so that
// the pointer goes down into the keyboard's default place (bottom centre)
// and open the mouth there; raise the head so that the pointer leaves it,
// and open the mouth again outside.
constexpr int kRoundFrames = 140;
constexpr int kHeadDown = 18;
constexpr int kHeadUp = -18;

int ease(int from, int to, int t, int frames) {
    if (t >= frames) return to;
    return from + (to - from) * t / frames;
}

FacePose trackingPose(int sinceCalibrated, bool eyesClosed) {
    FacePose p;
    p.eyesClosed = eyesClosed;
    const int t = sinceCalibrated % kRoundFrames;
    if (t < 20) return p;
    if (t < 80) {
        p.centreY = 240 + ease(0, kHeadDown, t - 20, 10);
        p.mouthOpen = t >= 60 && t < 66;
        return p;
    }
    p.centreY = 240 + ease(kHeadDown, kHeadUp, t - 80, 10);
    p.mouthOpen = t >= 110 && t < 116;
    return p;
}

// The scroll scene after calibration: the head moves up and back over a few
// frames each way, as a head does (and as the tracker can follow).
FacePose scrollPose(int sinceCalibrated, bool eyesClosed) {
    FacePose p;
    p.eyesClosed = eyesClosed;
    const int t = sinceCalibrated;
    if (t >= kScrollUpFrame && t < kScrollBackFrame) {
        p.centreY = 240 - ease(0, kScrollRaise, t - kScrollUpFrame, kScrollEaseFrames);
    } else if (t >= kScrollBackFrame) {
        p.centreY = 240 - ease(kScrollRaise, 0, t - kScrollBackFrame, kScrollEaseFrames);
    }
    return p;
}

}  // namespace

const char* sceneStep(const std::string& scene, int frame, int calibratedAt) {
    if (scene != "scroll" || calibratedAt < 0) return nullptr;
    if (frame - calibratedAt == kScrollUpFrame) return "head-up";
    if (frame - calibratedAt == kScrollBackFrame + kScrollEaseFrames) return "head-back";
    return nullptr;
}

FacePose scenePose(const std::string& scene, int frame, int calibratedAt) {
    if (scene == "person") {
        FacePose p = scenePose("face", frame, calibratedAt);
        p.person = true;
        return p;
    }
    FacePose p;
    if (scene != "face" && scene != "scroll") return p;
    if (calibratedAt >= 0) {
        const bool closedThen = (calibratedAt % 2) == 1;
        if (scene == "scroll") return scrollPose(frame - calibratedAt, closedThen);
        return trackingPose(frame - calibratedAt, closedThen);
    }
    if (frame < kSwayFrames) {
        p.centreX = 320 + ((frame % 2) == 0 ? kSwayAmplitude : -kSwayAmplitude);
        return p;
    }
    p.eyesClosed = frame >= kBlinkFrom && (frame % 2) == 1;
    return p;
}

void renderFrame(const FacePose& pose, bool withFace, std::span<uint8_t> bgr) {
    if (bgr.size() < static_cast<size_t>(kSceneBytes)) return;
    if (withFace && pose.person) {
        renderPerson(pose, bgr);
        return;
    }
    for (int y = 0; y < kSceneHeight; ++y) {
        // Bottom-up: the last image row comes first in memory.
        uint8_t* row = bgr.data() + static_cast<size_t>(kSceneHeight - 1 - y) * kSceneWidth * 3;
        for (int x = 0; x < kSceneWidth; ++x) {
            uint8_t red = kRoom;
            uint8_t green = kRoom;
            uint8_t blue = static_cast<uint8_t>(kRoom + 20);
            if (withFace) {
                const int dx = x - pose.centreX;
                const int dy = y - pose.centreY;
                if (inEllipse(dx, dy, kFaceHalfWidth, kFaceHalfHeight)) {
                    red = skin(dx, dy);
                    green = static_cast<uint8_t>(red * 3 / 4);
                    blue = static_cast<uint8_t>(red / 2);
                    const bool eyeRow = std::abs(dy - kEyeOffsetY) <= kEyeHalfHeight;
                    const bool eyeCol = std::abs(std::abs(dx) - kEyeOffsetX) <= kEyeHalfWidth;
                    if (eyeRow && eyeCol && !pose.eyesClosed) {
                        red = green = blue = 20;
                    }
                    const bool mouth = inEllipse(dx, dy - kMouthOffsetY, kMouthHalfWidth,
                                                 pose.mouthOpen ? kMouthHalfHeight : 3);
                    if (mouth) {
                        red = 90;
                        green = blue = 10;
                    }
                }
            }
            row[x * 3 + 0] = blue;
            row[x * 3 + 1] = green;
            row[x * 3 + 2] = red;
        }
    }
}

}  // namespace quil::wintest
