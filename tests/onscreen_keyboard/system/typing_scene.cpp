// The stand-in camera's person for the whole-system test: the face of the
// Windows tests, which sways and blinks until the tracker calibrates, then a
// script of our own: a key typed with the mouth, then nods that hide and
// show the keyboard in turn.
//
// The face's drawing and its calibration script are compiled in from the
// Windows tests' scene, their script under another name, so that there is
// one drawing of the face for both.
#define scenePose faceScenePose
#include "synthetic_scene.cpp"
#undef scenePose

namespace quil::wintest {

FacePose scenePose(const std::string& scene, int frame, int calibratedAt);

namespace {

// Frames since calibration (the first tracking frame is 1). A nod is five
// alternating steps of 4 rows from one frame to the next. The tracker's
// recogniser forgets its letters every 31 frames, and misses a nod that
// spans that moment; nods come every 40 frames, so that the moment falls
// elsewhere each time, and the test needs any two of them seen.
constexpr int kDownFrom = 20;
constexpr int kMouthFrom = 60;
constexpr int kMouthFrames = 6;
constexpr int kUpFrom = 80;
constexpr int kFirstNod = 100;
constexpr int kNodEvery = 40;
constexpr int kNods = 6;
constexpr int kNodSteps = 5;
constexpr int kNodRows = 4;
constexpr int kEaseFrames = 10;

// The face's row offset during and after a nod starting at `from`: up,
// down, up, down, up, then back down one row a frame, too slowly to count.
int nodOffset(int t, int from) {
    if (t < from) return 0;
    if (t < from + kNodSteps) return ((t - from) % 2 == 0) ? -kNodRows : 0;
    return std::min(0, -kNodRows + (t - from - kNodSteps + 1));
}

int nodsOffset(int t) {
    if (t < kFirstNod || t >= kFirstNod + kNods * kNodEvery) return 0;
    return nodOffset(t, kFirstNod + (t - kFirstNod) / kNodEvery * kNodEvery);
}

FacePose typingPose(int t, bool eyesClosed) {
    FacePose p;
    p.eyesClosed = eyesClosed;
    if (t < kDownFrom) return p;
    if (t < kUpFrom) {
        p.centreY = 240 + ease(0, kHeadDown, t - kDownFrom, kEaseFrames);
        p.mouthOpen = t >= kMouthFrom && t < kMouthFrom + kMouthFrames;
        return p;
    }
    p.centreY = 240 + ease(kHeadDown, 0, t - kUpFrom, kEaseFrames);
    p.centreY += nodsOffset(t);
    return p;
}

}  // namespace

FacePose scenePose(const std::string& scene, int frame, int calibratedAt) {
    if (scene != "typing" || calibratedAt < 0) return faceScenePose("face", frame, calibratedAt);
    const bool closedThen = (calibratedAt % 2) == 1;
    return typingPose(frame - calibratedAt, closedThen);
}

}  // namespace quil::wintest
