// A simulated person taking the pointing test with the head. They see only
// the screen: the lit target and the pointer, a moment late. They learn how
// the pointer answers the head by trying it and by watching each movement,
// aim the head with a main movement and corrective ones as a person does,
// and select with the gesture their options name, or by holding still.
//
// Units: the head's offset from its rest pose in camera-picture pixels
// ("head pixels"; about a degree of head turn each), screen pixels, seconds.
#pragma once

#include <array>
#include <cstdint>

#include "sim/scene.h"

namespace quil::sim {

// The motor model's parameters, with values in the range the motor-control
// literature reports for healthy adults; the scene's head pixels are about a
// degree of head turn each.
struct MotorParams {
    // Seeing a target light up and starting to move: a simple visual
    // reaction takes 0.2-0.3 s.
    double reactionSeconds = 0.25;
    // The screen is seen this late: retina to a usable position estimate.
    double perceptionDelaySeconds = 0.1;
    // Seeing where the pointer stopped and launching a correction: the
    // visual feedback loop adds 0.1-0.2 s beyond perception.
    double correctionLatencySeconds = 0.15;
    // A head movement's duration: about a quarter second plus 20 ms a
    // degree, as head turns of 5-30 degrees take 0.35-0.85 s.
    double moveBaseSeconds = 0.25;
    double moveSecondsPerPixel = 0.02;
    // A main movement covers about 95 % of the planned distance: the first
    // submovement of an aimed movement tends to fall short.
    double primaryGain = 0.95;
    // Endpoint spread grows with the movement's mean speed (the
    // speed-accuracy trade-off of rapid aimed movements): the standard
    // deviation along the movement is this many seconds times the mean
    // speed, about 5 % of the amplitude for a typical movement.
    double spreadPerSpeed = 0.022;
    // Across the movement the spread is about half as large.
    double crossSpreadShare = 0.5;
    // No movement ends more precisely than this (head pixels, SD).
    double spreadFloor = 0.05;
    // A held head sways slowly: a random drift of this SD (head pixels)
    // that forgets itself over the time constant.
    double swayPixels = 0.12;
    double swaySeconds = 1.0;
    // Physiological tremor: small and fast, a few hertz in the head.
    double tremorPixels = 0.03;
    double tremorHertz = 5.0;
    // The pointer counts as on the target within this share of its radius,
    // and as slow enough to select on below this speed (screen pixels a
    // second).
    double aimShare = 0.8;
    double stillSpeed = 40.0;
    // The pointer has stopped when it moves no more than this many pixels
    // over this long.
    double stoppedPixels = 1.0;
    double settleSeconds = 0.3;
    // Trying the pointer out, each turn is watched at most this long.
    double tryWaitSeconds = 6.0;
    // A pointer that closes in on the head's aim ever more slowly teaches its
    // users to point past the target and pull back as the pointer arrives:
    // the head leads by this share of the pointer's remaining distance.
    double leadShare = 0.6;
    // A pointer due on the target within this long is braked: the head
    // comes back to where the target is.
    double brakeSeconds = 0.5;
    // A pointer that would take longer than this to arrive at its pace gets
    // a further turn of the head, first by this share of what the learned
    // gain says the distance left needs, then harder each time, up to the
    // limit: people press on until it moves.
    double patienceSeconds = 1.0;
    double pushStart = 0.5;
    double pushFactor = 1.6;
    double pushLimit = 4.0;
    // A selection that changed nothing is tried again after this long, the
    // gesture then held this much longer each time, up to the limit: a
    // person who sees no click holds the face longer.
    double retrySeconds = 1.2;
    double holdLongerSeconds = 0.25;
    double holdLongestSeconds = 1.0;
    // After this long on one target the person selects wherever it is.
    double giveUpSeconds = 20.0;
    // The head stays within this distance of its rest pose (head pixels).
    double reachPixels = 24.0;
};

enum class SelectBy { Mouth, Eyes, Dwell };

// The gestures' shapes: rise, hold, fall (seconds). Deliberate, held well
// beyond a blink or a word.
inline constexpr std::array<double, 3> kMouthGesture{0.25, 0.35, 0.25};
inline constexpr std::array<double, 3> kEyesGesture{0.15, 0.35, 0.2};

// Minimum-jerk progress along a movement at s = t / duration: the smooth
// profile of unhurried aimed movements.
[[nodiscard]] double minimumJerk(double s);

// One submovement of the head: from, to, start time and duration.
struct Movement {
    std::array<double, 2> from{};
    std::array<double, 2> to{};
    double start = 0.0;
    double seconds = 0.0;
    [[nodiscard]] std::array<double, 2> at(double t) const;
    [[nodiscard]] double end() const { return start + seconds; }
};

// A small deterministic source of uniform and normal draws.
class MotorNoise {
public:
    explicit MotorNoise(uint64_t seed) : state_(seed) {}
    double uniform();
    double normal();

private:
    uint64_t state_;
};

// Plans a submovement toward aim: its duration from the distance, its end
// scattered by the speed-accuracy trade-off (and short by primaryGain for a
// main movement).
[[nodiscard]] Movement planMovement(const MotorParams& p, std::array<double, 2> from,
                                    std::array<double, 2> aim, double start, bool primary,
                                    MotorNoise& noise);

// What the person sees on the screen at a moment.
struct ScreenView {
    double pointerX = 0.0;
    double pointerY = 0.0;
    bool targetLit = false;
    int targetId = -1;  // changes whenever another target lights
    double targetX = 0.0;
    double targetY = 0.0;
    double targetWidth = 0.0;
};

class ModelUser {
public:
    ModelUser(const MotorParams& params, SelectBy select, uint64_t seed);

    // Called once a tick with the time and what the screen shows now; gives
    // the head and face for that moment. The view reaches the person's
    // decisions perceptionDelaySeconds later.
    HeadSteer tick(double t, const ScreenView& now);

    // Done trying the pointer out: the test may begin.
    [[nodiscard]] bool familiar() const { return stage_ >= Stage::Wait; }
    // The learned screen pixels per head pixel, by axis (signed).
    [[nodiscard]] std::array<double, 2> gain() const { return gain_; }
    // The head's planned place, without sway and tremor.
    [[nodiscard]] std::array<double, 2> plannedHead(double t) const { return move_.at(t); }
    [[nodiscard]] int corrections() const { return corrections_; }
    // What the person is about, for a trace.
    [[nodiscard]] const char* stageName() const;
    [[nodiscard]] int gestures() const { return gestures_; }

private:
    enum class Stage { Try, Wait, React, Move, Watch, Gesture, Verify };
    static constexpr int kTryCount = 7;  // turns when trying the pointer out
    struct Seen {
        double t = -1.0;
        ScreenView view;
    };
    static constexpr int kMemory = 256;  // frames of views kept (8 s at 30 a second)

    void remember(double t, const ScreenView& now);
    [[nodiscard]] const ScreenView* perceived(double t) const;
    [[nodiscard]] bool pointerSettled(double t) const;
    [[nodiscard]] std::array<double, 2> pointerVelocity(double t) const;
    void moveHeadTo(std::array<double, 2> aim, double t, bool primary);
    void aimAtTarget(const ScreenView& v, double t, bool primary);
    void learnFromTurns();
    void decide(double t, const ScreenView& v);
    HeadSteer face(double t);

    MotorParams p_;
    SelectBy select_;
    MotorNoise noise_;
    std::array<Seen, kMemory> memory_{};
    int newest_ = -1;
    Stage stage_ = Stage::Try;
    double stageStart_ = 0.0;
    Movement move_;
    std::array<double, 2> gain_{0.0, 0.0};
    // The last place the pointer stopped and where the head aimed then: with
    // the gain, where to aim for any point of the screen.
    std::array<double, 2> headRef_{};
    std::array<double, 2> pointerRef_{};
    int tryStep_ = -1;
    std::array<std::array<double, 2>, kTryCount> triedHead_{};
    std::array<std::array<double, 2>, kTryCount> triedPointer_{};
    std::array<double, 2> push_{0.5, 0.5};  // by axis
    int target_ = -1;
    double targetSince_ = 0.0;
    double gestureStart_ = 0.0;
    double holdExtra_ = 0.0;  // beyond the gesture's usual hold, on this target
    std::array<double, 2> sway_{};
    double tremorPhase_ = 0.0;
    double lastT_ = 0.0;
    int corrections_ = 0;
    int gestures_ = 0;
};

}  // namespace quil::sim
