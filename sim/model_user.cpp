#include "sim/model_user.h"

#include <algorithm>
#include <cmath>

namespace quil::sim {

namespace {

constexpr double kPi = 3.14159265358979;
// Trying the pointer out: head turns of this many pixels.
constexpr double kTryPixels = 6.0;
// Left, back, right; up, back, down; back. The two turns that start from
// the middle and go the same way leave the pointer stopped on the same side
// of where the head points, so their difference is the pure gain, free of
// the pointer's dead zone.
constexpr std::array<std::array<double, 2>, 7> kTryTurns{
    {{-kTryPixels, 0}, {0, 0}, {kTryPixels, 0}, {0, -kTryPixels}, {0, 0}, {0, kTryPixels}, {0, 0}}};
// The try's turns measured along each axis: from this turn to the next.
constexpr std::array<size_t, 2> kGainTurn{1, 4};
// A trial turn the pointer hardly answered still tells the direction; this
// gain (screen pixels per head pixel) stands in for its size.
constexpr double kFallbackGain = 15.0;
// Pointer motion smaller than this (screen pixels) teaches nothing.
constexpr double kLearnMinPointer = 15.0;
// The pointer's speed is judged over this long.
constexpr double kSpeedWindow = 0.15;

double envelope(double t, const std::array<double, 3>& shape) {
    const auto [rise, hold, fall] = shape;
    if (t < 0) return 0;
    if (t < rise) return minimumJerk(t / rise);
    if (t < rise + hold) return 1;
    if (t < rise + hold + fall) return 1 - minimumJerk((t - rise - hold) / fall);
    return 0;
}

double total(const std::array<double, 3>& shape) { return shape[0] + shape[1] + shape[2]; }

std::array<double, 3> heldLonger(const std::array<double, 3>& shape, double extra) {
    return {shape[0], shape[1] + extra, shape[2]};
}

}  // namespace

double minimumJerk(double s) {
    s = std::clamp(s, 0.0, 1.0);
    return s * s * s * (10 - 15 * s + 6 * s * s);
}

std::array<double, 2> Movement::at(double t) const {
    if (seconds <= 0 || t >= end()) return to;
    if (t <= start) return from;
    const double k = minimumJerk((t - start) / seconds);
    return {from[0] + (to[0] - from[0]) * k, from[1] + (to[1] - from[1]) * k};
}

double MotorNoise::uniform() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return (static_cast<double>(z >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

// Box-Muller: portable, so a seed gives the same person on every platform.
double MotorNoise::normal() {
    const double u = uniform();
    const double v = uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kPi * v);
}

// The speed-accuracy trade-off: the faster the movement for its distance,
// the wider its endpoints scatter, more along the movement than across it.
Movement planMovement(const MotorParams& p, std::array<double, 2> from, std::array<double, 2> aim,
                      double start, bool primary, MotorNoise& noise) {
    const double dx = aim[0] - from[0], dy = aim[1] - from[1];
    const double amplitude = std::hypot(dx, dy);
    Movement m;
    m.from = from;
    m.start = start;
    m.seconds = p.moveBaseSeconds + p.moveSecondsPerPixel * amplitude;
    const double reach = primary ? p.primaryGain : 1.0;
    const double spread = std::max(p.spreadFloor, p.spreadPerSpeed * amplitude / m.seconds);
    const double ux = amplitude > 1e-9 ? dx / amplitude : 1.0;
    const double uy = amplitude > 1e-9 ? dy / amplitude : 0.0;
    const double along = noise.normal() * spread;
    const double across = noise.normal() * spread * p.crossSpreadShare;
    m.to = {from[0] + dx * reach + ux * along - uy * across,
            from[1] + dy * reach + uy * along + ux * across};
    return m;
}

ModelUser::ModelUser(const MotorParams& params, SelectBy select, uint64_t seed)
    : p_(params), select_(select), noise_(seed) {
    tremorPhase_ = 2 * kPi * noise_.uniform();
}

void ModelUser::remember(double t, const ScreenView& now) {
    newest_ = (newest_ + 1) % kMemory;
    memory_[static_cast<size_t>(newest_)] = {t, now};
}

// The newest view old enough to have reached the person by time t.
const ScreenView* ModelUser::perceived(double t) const {
    if (newest_ < 0) return nullptr;
    const ScreenView* oldest = nullptr;
    for (int k = 0; k < kMemory; ++k) {
        const Seen& s = memory_[static_cast<size_t>((newest_ - k + kMemory) % kMemory)];
        if (s.t < 0) break;
        oldest = &s.view;
        if (s.t <= t - p_.perceptionDelaySeconds + 1e-9) return &s.view;
    }
    return oldest;
}

std::array<double, 2> ModelUser::pointerVelocity(double t) const {
    const ScreenView* now = perceived(t);
    const ScreenView* before = perceived(t - kSpeedWindow);
    if (!now || !before) return {0.0, 0.0};
    return {(now->pointerX - before->pointerX) / kSpeedWindow,
            (now->pointerY - before->pointerY) / kSpeedWindow};
}

// Still for settleSeconds: every view of that stretch close to the latest.
bool ModelUser::pointerSettled(double t) const {
    const ScreenView* now = perceived(t);
    if (!now) return false;
    const double limit = p_.stoppedPixels;
    for (double back = kSpeedWindow / 2; back <= p_.settleSeconds + 1e-9;
         back += kSpeedWindow / 2) {
        const ScreenView* v = perceived(t - back);
        if (!v || std::hypot(v->pointerX - now->pointerX, v->pointerY - now->pointerY) > limit) {
            return false;
        }
    }
    return true;
}

void ModelUser::moveHeadTo(std::array<double, 2> aim, double t, bool primary) {
    for (double& a : aim) a = std::clamp(a, -p_.reachPixels, p_.reachPixels);
    const std::array<double, 2> here = move_.at(t);
    move_ = planMovement(p_, here, aim, t, primary, noise_);
}

// A main movement: where the head points for the target by what was
// learned, led past it by the pointer's distance from it. A correction
// leaves an axis alone while the pointer comes along it at a good pace, and
// otherwise turns the head further by a share of the distance left, a share
// that grows while the pointer keeps lagging.
void ModelUser::aimAtTarget(const ScreenView& v, double t, bool primary) {
    std::array<double, 2> aim = move_.to;
    const std::array<double, 2> velocity = pointerVelocity(t);
    for (size_t i = 0; i < 2; ++i) {
        const double target = i == 0 ? v.targetX : v.targetY;
        const double pointer = i == 0 ? v.pointerX : v.pointerY;
        const double left = target - pointer;
        if (primary) {
            aim[i] = headRef_[i] + (target - pointerRef_[i] + p_.leadShare * left) / gain_[i];
            push_[i] = p_.pushStart;
            continue;
        }
        const double closing = left * velocity[i] / std::max(std::fabs(left), 1.0);
        const bool close = std::fabs(left) <= p_.aimShare * v.targetWidth / 4;
        if (close || std::fabs(left) <= p_.patienceSeconds * closing) {
            // Arriving soon: the head comes back to where the target is, to
            // stop the pointer there.
            if (std::fabs(left) <= p_.brakeSeconds * closing) {
                aim[i] = headRef_[i] + (target - pointerRef_[i]) / gain_[i];
            }
            push_[i] = p_.pushStart;
            continue;
        }
        aim[i] += push_[i] * left / gain_[i];
        push_[i] = std::min(push_[i] * p_.pushFactor, p_.pushLimit);
    }
    moveHeadTo(aim, t, primary);
    if (!primary) ++corrections_;
}

void ModelUser::learnFromTurns() {
    for (size_t axis = 0; axis < 2; ++axis) {
        const size_t a = kGainTurn[axis], b = a + 1;
        const double head = triedHead_[b][axis] - triedHead_[a][axis];
        const double moved = triedPointer_[b][axis] - triedPointer_[a][axis];
        gain_[axis] = std::fabs(moved) > kLearnMinPointer ? moved / head : kFallbackGain;
    }
    headRef_ = triedHead_.back();
    pointerRef_ = triedPointer_.back();
}

void ModelUser::decide(double t, const ScreenView& v) {
    const double inStage = t - stageStart_;
    const auto enter = [&](Stage s) {
        stage_ = s;
        stageStart_ = t;
    };
    const bool moveDone = t >= move_.end();
    // The pointer has had time to answer the head and has stopped.
    const bool stopped = moveDone &&
                         t - move_.end() >= p_.settleSeconds + p_.perceptionDelaySeconds &&
                         pointerSettled(t);
    if (stage_ == Stage::Try) {
        if (tryStep_ >= 0 && !stopped && t - move_.end() < p_.tryWaitSeconds) return;
        if (tryStep_ >= 0) {
            triedHead_[static_cast<size_t>(tryStep_)] = move_.to;
            triedPointer_[static_cast<size_t>(tryStep_)] = {v.pointerX, v.pointerY};
        }
        if (++tryStep_ < kTryCount) {
            moveHeadTo(kTryTurns[static_cast<size_t>(tryStep_)], t, false);
            return;
        }
        learnFromTurns();
        enter(Stage::Wait);
        return;
    }
    // Every stop of the pointer tells where the head points.
    if (stopped) {
        headRef_ = move_.to;
        pointerRef_ = {v.pointerX, v.pointerY};
    }
    if (v.targetLit && v.targetId != target_) {
        target_ = v.targetId;
        targetSince_ = t;
        holdExtra_ = 0.0;
        enter(Stage::React);
        return;
    }
    const bool onTarget =
        v.targetLit && std::hypot(v.pointerX - v.targetX, v.pointerY - v.targetY) <=
                           p_.aimShare * v.targetWidth / 2;
    const bool givenUp = t - targetSince_ > p_.giveUpSeconds;
    const std::array<double, 2> velocity = pointerVelocity(t);
    switch (stage_) {
        case Stage::React:
            if (inStage >= p_.reactionSeconds) {
                aimAtTarget(v, t, true);
                enter(Stage::Move);
            }
            return;
        case Stage::Move:
            if (moveDone) enter(Stage::Watch);
            return;
        case Stage::Watch:
            if ((onTarget && std::hypot(velocity[0], velocity[1]) < p_.stillSpeed) || givenUp) {
                if (select_ == SelectBy::Dwell) {
                    enter(Stage::Verify);
                } else {
                    gestureStart_ = t;
                    ++gestures_;
                    enter(Stage::Gesture);
                }
            } else if (inStage >= p_.correctionLatencySeconds) {
                aimAtTarget(v, t, false);
                enter(Stage::Move);
            }
            return;
        case Stage::Gesture:
            if (t - gestureStart_ >=
                total(heldLonger(select_ == SelectBy::Eyes ? kEyesGesture : kMouthGesture,
                                 holdExtra_))) {
                enter(Stage::Verify);
            }
            return;
        case Stage::Verify:
            // Dwell waits as long as the pointer stays; a gesture that changed
            // nothing is tried again.
            if (select_ == SelectBy::Dwell ? !onTarget || inStage >= p_.retrySeconds
                                           : inStage >= p_.retrySeconds) {
                if (select_ != SelectBy::Dwell) {
                    holdExtra_ = std::min(holdExtra_ + p_.holdLongerSeconds, p_.holdLongestSeconds);
                }
                enter(Stage::Watch);
            }
            return;
        case Stage::Try:
        case Stage::Wait:
            return;
    }
}

// The head where the plan has it, with sway and tremor; the face's gesture.
HeadSteer ModelUser::face(double t) {
    const double dt = std::max(0.0, t - lastT_);
    lastT_ = t;
    const double keep = std::exp(-dt / p_.swaySeconds);
    const double fresh = std::sqrt(1 - keep * keep) * p_.swayPixels;
    for (double& s : sway_) s = keep * s + fresh * noise_.normal();
    const double tremor = p_.tremorPixels * std::sin(2 * kPi * p_.tremorHertz * t + tremorPhase_);
    const std::array<double, 2> head = move_.at(t);
    HeadSteer h;
    h.x = head[0] + sway_[0] + tremor;
    h.y = head[1] + sway_[1] + 0.5 * tremor;
    const bool moving = t < move_.end();
    h.doing = moving ? kMoving : kHeadStill;
    if (stage_ == Stage::Gesture) {
        const double g = t - gestureStart_;
        if (select_ == SelectBy::Eyes) {
            h.eyeClose = envelope(g, heldLonger(kEyesGesture, holdExtra_));
            h.squeeze = 1.0;
            h.doing |= kEyesHeld;
        } else {
            h.mouthOpen = envelope(g, heldLonger(kMouthGesture, holdExtra_));
            h.doing |= kMouthHeld;
        }
    } else if (stage_ == Stage::Verify && select_ == SelectBy::Dwell) {
        h.doing |= kDwellHeld;
    }
    return h;
}

const char* ModelUser::stageName() const {
    static constexpr const char* kNames[] = {"try",   "wait",    "react", "move",
                                             "watch", "gesture", "verify"};
    return kNames[static_cast<int>(stage_)];
}

HeadSteer ModelUser::tick(double t, const ScreenView& now) {
    remember(t, now);
    if (const ScreenView* v = perceived(t)) decide(t, *v);
    return face(t);
}

}  // namespace quil::sim
