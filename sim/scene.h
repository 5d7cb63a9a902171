// Synthetic webcam scenes: a person in front of the camera, rendered at
// 640x480 as the bottom-up BGR frame the tracker takes, following a script of
// timed actions. Some actions wait for what the user sees on the screen (the
// eyes window, the keyboard, the camera view coming back large), as a real
// user would. Everything is deterministic for a given seed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quil::sim {

// What the user can see on the screen after a tick.
struct UserView {
    bool eyesWindowOpen = false;
    int calibrations = 0;  // successful calibrations so far
    bool keyboardVisible = false;
    bool largeView = true;  // the camera view is the big centred one
    // Where the pointer is against the keyboard: -1 above it, 0 over it, 1 below
    // it (or the keyboard is hidden: 2).
    int pointerVsKeyboard = 2;
    int pointerVsKeyboardX = 2;  // -1 left of it, 0 within its columns, 1 right of it
};

// Where the head is and what the face does. Positions are frame pixels, rows
// from the top; the head's anchor is the point midway between the eyes.
struct Pose {
    double headX = 0.0;
    double headY = 0.0;
    double roll = 0.0;  // radians
    double bodyX = 0.0;
    double bodyY = 0.0;
    double eyeClose = 0.0;   // 0 open .. 1 closed
    double squeeze = 0.0;    // how much of the closing is a deliberate, firm one
    double mouthOpen = 0.0;  // 0 closed .. 1 open
    // The lifelike scenes' head turns (radians): yaw to the picture's right,
    // pitch down; and where the eyes look, -1 .. 1 (right, down).
    double yaw = 0.0;
    double pitch = 0.0;
    double gazeX = 0.0;
    double gazeY = 0.0;
};

// A named moment of the script, for the timeline and the tests.
struct SceneMark {
    int64_t tick = 0;
    std::string what;  // "blink", "move", "hold", "mouth", "eyes", "nod", "shake", ...
    double x = 0.0;    // the head offset aimed at, for "move" and "hold"
    double y = 0.0;
};

enum class Act {
    Enter,
    Sway,
    HoldBlink,
    MoveTo,
    Hold,
    MouthClick,
    EyeClose,
    Nod,
    Shake,
    ReachKeyboard,
    // Held gestures and everyday face motion, for scoring: both eyes shut or
    // the mouth wide open for the phase's length (rise and fall included),
    // talking with a still head, natural blinks with a still head.
    EyeHold,
    MouthHold,
    Talk,
    Blinks,
    // The lifelike head: turn to a yaw, pitch and roll (degrees) and stay;
    // look down (the head pitched by y degrees, the eyes lowered) and back.
    Turn,
    LookDown,
    // The hands-free extras: the on-screen keyboard's scroll and pause keys
    // pressed (the replay sends their messages; the head holds still), and
    // the head tilted toward a shoulder by roll degrees and back.
    ScrollKey,
    PauseKey,
    Tilt,
    // The head and face steered from outside, tick by tick (Scene::steer): a
    // simulated user who watches the screen.
    Follow
};

// What the person is doing on a tick, as flags: the truth a replay is scored
// against.
enum Doing : uint16_t {
    kInView = 1 << 0,     // the face is in the picture, facing the camera
    kEyesHeld = 1 << 1,   // both eyes closed on purpose
    kMouthHeld = 1 << 2,  // the mouth opened wide on purpose
    kDwellHeld = 1 << 3,  // the head held still on a target long enough to dwell
    kHeadStill = 1 << 4,  // the head is not moved on purpose
    kTalking = 1 << 5,
    kBlinking = 1 << 6,  // a stretch of blinks, not meant as a gesture
    kMoving = 1 << 7,    // the head moved on purpose: pointing, swaying, nodding, shaking
};

// One opening of the eyes' lids or the mouth within a phase: when it starts,
// how long it takes to rise, stays, takes to fall (seconds), and how far it
// goes (0..1).
struct Opening {
    double start = 0, rise = 0, hold = 0, fall = 0, depth = 1;
};

// A scene's departures from the person and light its seed draws.
struct LookTweaks {
    double faceScale = 1.0;   // the person's size in the picture: near above 1, far below
    double brightness = 1.0;  // the light on everything
    double sideLight = 0.0;   // light from the side: -1 the picture's left .. 1 its right
    double noiseScale = 1.0;  // a dim room makes the camera's picture noisier
    double wander = 1.0;      // a still person's slow wander, as a share of its usual size
    // The person as a turning head in perspective instead of the flat one:
    // 1 plainly lit, 2 with the seed's glasses, beard, camera and light.
    int lifelike = 0;
};
enum class Until { Time, EyesWindow, Calibrated, KeyboardToggled, LargeView, OverKeyboard };
// A calibration that times out closes the eyes window and brings the camera
// view back: the user then moves again so that the head is found anew.
inline constexpr int kCalibrationRetries = 6;

// One step of a script. Offsets are head offsets from the seated rest pose.
struct Phase {
    Act act = Act::Hold;
    double seconds = 1.0;  // duration, or the longest wait for a condition
    Until until = Until::Time;
    double x = 0.0;
    double y = 0.0;
    // For a phase waiting for calibration: how many phases to go back when the
    // eyes window closes without it.
    int retryBack = 0;
    double roll = 0.0;  // for a turn, in degrees
};

// What an outside steerer sets for a Follow phase: the head's offset from
// where it was when the phase began, the face's gestures, and what the person is doing
// (Doing flags, beside kInView).
struct HeadSteer {
    double x = 0.0;
    double y = 0.0;
    double eyeClose = 0.0;
    double squeeze = 0.0;
    double mouthOpen = 0.0;
    uint16_t doing = 0;
};

struct Look;
class RealHead;

// Sensor noise of a good webcam in good light, in levels (standard deviation).
inline constexpr double kDefaultNoise = 1.0;

class Scene {
public:
    Scene(std::string name, std::vector<Phase> script, uint64_t seed, double driftPercent,
          double noiseSigma = kDefaultNoise, const LookTweaks& tweaks = {});
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Back to the script's start, as if just made: tick 0 comes next. The
    // pictures' buffers are kept.
    void restart();
    // Advances the script to tick k with what the user saw after tick k - 1.
    // False once the script is over.
    bool advance(int64_t tick, const UserView& view);
    // Renders the current pose into a 921600-byte bottom-up BGR frame.
    void render(std::span<uint8_t> bgr);
    // The current pose without the lighting drift and the sensor noise: RGB
    // floats, rows from the top, valid until the next render.
    const std::vector<float>& renderClean();
    // The lighting drift's gain on the whole picture at a tick.
    double gainAt(int64_t tick) const;

    const Pose& pose() const { return pose_; }
    // The point a replay's face track is scored against: the head's anchor,
    // or for a turning head the nose tip as the picture shows it.
    std::array<double, 2> truthPoint() const;
    const RealHead* lifelikeHead() const { return real_.get(); }
    // What the person does on the current tick (Doing flags).
    uint16_t doing() const { return doing_; }
    const std::vector<SceneMark>& marks() const { return marks_; }
    const std::string& name() const { return name_; }
    // Rest position of the anchor, and the length of the script if every
    // condition were met at once (for progress reports).
    double restX() const;
    double restY() const;
    double nominalSeconds() const;
    // An empty room: nobody in front of the camera.
    void hidePerson() { personHidden_ = true; }
    // The pose a Follow phase takes on the next advance.
    void steer(const HeadSteer& steer) { steer_ = steer; }
    // The time between two of its frames: the tracker's tick unless set (a
    // camera-rate run); set before the first advance.
    void setFrameSeconds(double seconds) { frameSec_ = seconds; }
    [[nodiscard]] double frameSeconds() const { return frameSec_; }

private:
    void startPhase(size_t index, int64_t tick, const UserView& view);
    void evaluate(double t);
    void renderPerson(std::vector<float>& rgb) const;
    void blur(std::vector<float>& rgb);
    // The lifelike head's rendering and motion (scene_real.cpp).
    void renderLifelike();
    void renderLifelike(std::span<uint8_t> bgr);
    void evaluateLifelike(const Phase& phase, double t, double now);

    std::string name_;
    std::vector<Phase> script_;
    uint64_t seed_;
    double drift_;
    double noiseSigma_;
    std::unique_ptr<Look> look_;
    std::unique_ptr<RealHead> real_;
    Pose pose_;
    std::vector<SceneMark> marks_;
    size_t phase_ = 0;
    int64_t phaseStartTick_ = 0;
    double baseX_ = 0.0, baseY_ = 0.0;                 // head offset at the phase's start
    double targetX_ = 0.0, targetY_ = 0.0;             // head offset the phase ends at
    std::array<double, 3> baseTurn_{}, targetTurn_{};  // yaw, pitch, roll (radians)
    UserView atStart_;
    struct Blink {
        double start, close, hold, open;
    };
    std::vector<Blink> blinks_;
    std::vector<Opening> openings_;  // of a talking or blinking phase
    uint16_t doing_ = 0;
    int lastBlink_ = -1;
    int retries_ = 0;
    int overTicks_ = 0;
    bool personHidden_ = false;
    HeadSteer steer_;
    int64_t tick_ = 0;
    double frameSec_ = 0.075;
    bool over_ = false;
    std::vector<float> canvas_;
    std::vector<float> scratch_;
};

// The scenes the replay knows by name; empty for an unknown name. The first
// list shows the tracker's behaviours one by one (the recorded traces pin
// them); the second holds the gestures and everyday face motion a replay is
// scored on.
std::vector<std::string> sceneNames();
std::vector<std::string> scoringSceneNames();
std::vector<Phase> sceneScript(const std::string& name);
std::string sceneDescription(const std::string& name);
std::unique_ptr<Scene> makeScene(const std::string& name, uint64_t seed, double driftPercent,
                                 double noiseSigma = kDefaultNoise);

// The scoring scenes' pieces (scene_gestures.cpp): their library, the
// openings of a talking or blinking phase drawn from a seed, and the face's
// gestures and the Doing flags of a phase at t seconds into it.
struct SceneEntry {
    std::string description;
    std::vector<Phase> script;
    LookTweaks tweaks;
};
const SceneEntry* scoringScene(const std::string& name);
// The hands-free scenes (scene_hands_free.cpp): scrolling, the pause and its
// way back, with their own tests rather than recorded traces.
const SceneEntry* handsFreeScene(const std::string& name);
std::vector<std::string> handsFreeSceneNames();
std::vector<Opening> talkOpenings(uint64_t seed, double seconds);
std::vector<Opening> naturalBlinks(uint64_t seed, double seconds);
struct FaceGesture {
    double eyeClose = 0, squeeze = 0, mouthOpen = 0;
};
FaceGesture heldGestureAt(const Phase& phase, double t, const std::vector<Opening>& openings);
uint16_t doingOf(const Phase& phase);

// The lifelike scenes (scene_real_scripts.cpp): their library, and their
// talking and blinking, which follow measured human timing.
const SceneEntry* lifelikeScene(const std::string& name);
std::vector<std::string> lifelikeSceneNames();
std::vector<Opening> lifelikeTalk(uint64_t seed, double seconds);
std::vector<Opening> lifelikeBlinks(uint64_t seed, double seconds);
std::unique_ptr<RealHead> makeRealHead(uint64_t seed, const LookTweaks& tweaks);

}  // namespace quil::sim
