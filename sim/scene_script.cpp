// Scene scripts: the person's pose over time, and the named scenes.
#include <algorithm>
#include <cmath>
#include <map>

#include "sim/head3d.h"
#include "sim/scene.h"
#include "sim/scene_look.h"
#include "sim/scene_phases.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr double kPi = 3.14159265358979;
// A still person is never perfectly still: a slow wander of this many pixels.
constexpr double kMicroAmplitude = 0.15;
constexpr double kEnterDrop = 170;  // sitting down: the head comes from above the picture
constexpr double kBodyFollow = 0.35;
constexpr double kSwayX = 14, kSwayY = 6, kSwayPeriod = 1.8, kSwayRoll = 0.025;
// Asked to blink, people blink about once a second, never quite regularly.
constexpr double kBlinkFirst = 0.4, kBlinkEveryMin = 0.6, kBlinkEveryMax = 1.1;
constexpr double kNodAmplitude = 6, kNodPeriod = 0.6;
constexpr double kShakeAmplitude = 14, kShakePeriod = 0.62;
constexpr double kReachStep = 0.2;      // head offset per tick while aiming at the keyboard
constexpr int kOverKeyboardTicks = 10;  // the pointer rests over the keys this long
constexpr double kTiltRise = 0.3;       // a head tilt leans over and comes back this quickly

// Rise to 1, hold, fall back to 0.
double envelope(double t, double rise, double hold, double fall) {
    if (t < 0) return 0;
    if (t < rise) return smooth01(t / rise);
    if (t < rise + hold) return 1;
    if (t < rise + hold + fall) return 1 - smooth01((t - rise - hold) / fall);
    return 0;
}

const char* markName(Act act) {
    switch (act) {
        case Act::Enter:
            return "enter";
        case Act::Sway:
            return "sway";
        case Act::HoldBlink:
            return "hold_blink";
        case Act::MoveTo:
            return "move";
        case Act::Hold:
            return "hold";
        case Act::MouthClick:
            return "mouth";
        case Act::EyeClose:
            return "eyes";
        case Act::Nod:
            return "nod";
        case Act::Shake:
            return "shake";
        case Act::ReachKeyboard:
            return "reach";
        case Act::EyeHold:
            return "eyes_held";
        case Act::MouthHold:
            return "mouth_held";
        case Act::Talk:
            return "talk";
        case Act::Blinks:
            return "blinks";
        case Act::Turn:
            return "turn";
        case Act::LookDown:
            return "look_down";
        case Act::ScrollKey:
            return "scroll_key";
        case Act::PauseKey:
            return "pause_key";
        case Act::Tilt:
            return "tilt";
        case Act::Follow:
            return "follow";
    }
    return "?";
}

}  // namespace

Scene::Scene(std::string name, std::vector<Phase> script, uint64_t seed, double driftPercent,
             double noiseSigma, const LookTweaks& tweaks)
    : name_(std::move(name)),
      script_(std::move(script)),
      seed_(seed),
      drift_(driftPercent),
      noiseSigma_(noiseSigma),
      look_(std::make_unique<Look>()) {
    makeLook(*look_, seed);
    applyTweaks(*look_, tweaks);
    if (tweaks.lifelike > 0) real_ = makeRealHead(seed, tweaks);
    restart();
}

void Scene::restart() {
    pose_ = Pose{};
    pose_.headX = look_->restX;
    pose_.headY = look_->restY - kEnterDrop;
    pose_.bodyX = 0;
    pose_.bodyY = -kEnterDrop;
    marks_.clear();
    phase_ = 0;
    phaseStartTick_ = 0;
    baseX_ = baseY_ = targetX_ = targetY_ = 0.0;
    baseTurn_ = targetTurn_ = {};
    atStart_ = UserView{};
    blinks_.clear();
    openings_.clear();
    doing_ = 0;
    lastBlink_ = -1;
    retries_ = 0;
    overTicks_ = 0;
    tick_ = 0;
    over_ = false;
}

Scene::~Scene() = default;

double Scene::restX() const { return look_->restX; }
double Scene::restY() const { return look_->restY; }

double Scene::nominalSeconds() const {
    double total = 0;
    for (const auto& p : script_) total += p.seconds;
    return total;
}

void Scene::startPhase(size_t index, int64_t tick, const UserView& view) {
    phase_ = index;
    phaseStartTick_ = tick;
    atStart_ = view;
    baseX_ = targetX_;
    baseY_ = targetY_;
    baseTurn_ = targetTurn_;
    if (index >= script_.size()) return;
    const Phase& p = script_[index];
    if (p.act == Act::Enter) {
        baseX_ = 0;
        baseY_ = -kEnterDrop;
        targetX_ = targetY_ = 0;
    } else if (p.act == Act::MoveTo) {
        targetX_ = p.x;
        targetY_ = p.y;
    } else if (p.act == Act::Turn) {
        targetTurn_ = {p.x * kPi / 180, p.y * kPi / 180, p.roll * kPi / 180};
    }
    lastBlink_ = -1;
    overTicks_ = 0;
    blinks_.clear();
    openings_.clear();
    const uint64_t draw = seed_ * 1000003 + index;
    if (p.act == Act::Talk) {
        openings_ = real_ ? lifelikeTalk(draw, p.seconds) : talkOpenings(draw, p.seconds);
    }
    if (p.act == Act::Blinks) {
        openings_ = real_ ? lifelikeBlinks(draw, p.seconds) : naturalBlinks(draw, p.seconds);
    }
    if (p.act == Act::HoldBlink) {
        Rng rng(seed_ * 1000003 + index);
        for (double t = kBlinkFirst; t < p.seconds;
             t += rng.range(kBlinkEveryMin, kBlinkEveryMax)) {
            blinks_.push_back(
                {t, rng.range(0.07, 0.12), rng.range(0.04, 0.12), rng.range(0.12, 0.2)});
        }
    }
    marks_.push_back({tick, markName(p.act), targetX_, targetY_});
}

bool Scene::advance(int64_t tick, const UserView& view) {
    tick_ = tick;
    if (over_) return false;
    if (tick == 0 && marks_.empty()) startPhase(0, 0, view);
    for (;;) {
        if (phase_ >= script_.size()) {
            over_ = true;
            return false;
        }
        const Phase& p = script_[phase_];
        const double elapsed = static_cast<double>(tick - phaseStartTick_) * frameSec_;
        bool done = elapsed >= p.seconds;
        switch (p.until) {
            case Until::Time:
                break;
            case Until::EyesWindow:
                done = done || view.eyesWindowOpen;
                break;
            case Until::Calibrated:
                if (view.calibrations > atStart_.calibrations) {
                    retries_ = 0;
                    done = true;
                } else if (p.retryBack > 0 && atStart_.eyesWindowOpen && !view.eyesWindowOpen &&
                           retries_ < kCalibrationRetries) {
                    ++retries_;
                    targetX_ = pose_.headX - look_->restX;
                    targetY_ = pose_.headY - look_->restY;
                    const auto back = std::min(static_cast<size_t>(p.retryBack), phase_);
                    startPhase(phase_ - back, tick, view);
                    continue;
                }
                break;
            case Until::KeyboardToggled:
                done = done || view.keyboardVisible != atStart_.keyboardVisible;
                break;
            case Until::OverKeyboard:
                if (view.pointerVsKeyboard == 0 && view.pointerVsKeyboardX == 0) {
                    if (++overTicks_ >= kOverKeyboardTicks) done = true;
                } else {
                    overTicks_ = 0;
                }
                break;
            case Until::LargeView:
                done = done || (view.largeView && !atStart_.largeView);
                break;
        }
        if (!done) {
            if (p.act == Act::ReachKeyboard && view.pointerVsKeyboard != 2) {
                // Watching the pointer, the user turns the head toward the keys; the
                // picture is not mirrored, so the pointer moves against the head.
                if (view.pointerVsKeyboard != 0) {
                    targetY_ += view.pointerVsKeyboard < 0 ? kReachStep : -kReachStep;
                }
                if (view.pointerVsKeyboardX != 0) {
                    targetX_ += view.pointerVsKeyboardX < 0 ? -kReachStep : kReachStep;
                }
                baseX_ = targetX_;
                baseY_ = targetY_;
            }
            evaluate(elapsed);
            return true;
        }
        // Periodic motions leave the head where they stopped.
        if (p.act == Act::Sway || p.act == Act::Nod || p.act == Act::Shake) {
            targetX_ = pose_.headX - look_->restX;
            targetY_ = pose_.headY - look_->restY;
        }
        startPhase(phase_ + 1, tick, view);
    }
}

void Scene::evaluate(double t) {
    const Phase& p = script_[phase_];
    const double now = static_cast<double>(tick_) * frameSec_;
    double ox = baseX_, oy = baseY_, follow = kBodyFollow;
    pose_.roll = 0;
    pose_.eyeClose = 0;
    pose_.squeeze = 0;
    pose_.mouthOpen = 0;
    switch (p.act) {
        case Act::Enter: {
            const double k = smooth01(t / p.seconds);
            ox = baseX_ + (targetX_ - baseX_) * k;
            oy = baseY_ + (targetY_ - baseY_) * k;
            follow = 1.0;
            break;
        }
        case Act::Sway: {
            const double w = 2 * kPi * t / kSwayPeriod;
            const double ramp = smooth01(t / 0.3);
            ox += ramp * kSwayX * std::sin(w);
            oy += ramp * kSwayY * std::sin(2 * w);
            pose_.roll = ramp * kSwayRoll * std::sin(w + 0.5);
            break;
        }
        case Act::HoldBlink:
            for (size_t k = 0; k < blinks_.size() && blinks_[k].start <= t; ++k) {
                if (static_cast<int>(k) > lastBlink_) {
                    lastBlink_ = static_cast<int>(k);
                    marks_.push_back({tick_, "blink", ox, oy});
                }
                const Blink& b = blinks_[k];
                pose_.eyeClose =
                    std::max(pose_.eyeClose, envelope(t - b.start, b.close, b.hold, b.open));
            }
            break;
        case Act::MoveTo: {
            const double k = smooth01(t / p.seconds);
            ox = baseX_ + (targetX_ - baseX_) * k;
            oy = baseY_ + (targetY_ - baseY_) * k;
            break;
        }
        case Act::Hold:
        case Act::ReachKeyboard:
        case Act::Turn:
        case Act::LookDown:
        case Act::ScrollKey:
        case Act::PauseKey:
            break;
        case Act::Tilt:
            pose_.roll =
                envelope(t, kTiltRise, p.seconds - 2 * kTiltRise, kTiltRise) * p.roll * kPi / 180.0;
            break;
        case Act::MouthClick:
            pose_.mouthOpen = envelope(t, 0.3, 0.2, 0.25);
            break;
        case Act::EyeClose:
            pose_.eyeClose = envelope(t, 0.18, 0.32, 0.2);
            pose_.squeeze = 1;
            break;
        case Act::Nod:
            oy += smooth01(t / 0.15) * kNodAmplitude * std::sin(2 * kPi * t / kNodPeriod);
            break;
        case Act::Shake:
            ox += smooth01(t / 0.15) * kShakeAmplitude * std::sin(2 * kPi * t / kShakePeriod);
            break;
        case Act::Follow:
            // Steered from where the head was when the phase began.
            ox = baseX_ + steer_.x;
            oy = baseY_ + steer_.y;
            pose_.eyeClose = steer_.eyeClose;
            pose_.squeeze = steer_.squeeze;
            pose_.mouthOpen = steer_.mouthOpen;
            break;
        case Act::EyeHold:
        case Act::MouthHold:
        case Act::Talk:
        case Act::Blinks: {
            const FaceGesture g = heldGestureAt(p, t, openings_);
            pose_.eyeClose = g.eyeClose;
            pose_.squeeze = g.squeeze;
            pose_.mouthOpen = g.mouthOpen;
            break;
        }
    }
    doing_ = personHidden_ ? 0 : doingOf(p);
    if (p.act == Act::Follow && !personHidden_) doing_ |= steer_.doing;
    const double* ph = look_->microPhase;
    const double mx =
        look_->wander * kMicroAmplitude / 3 *
        (std::sin(now * 2 * kPi / 1.3 + ph[0]) + std::sin(now * 2 * kPi / 2.1 + ph[1]) +
         std::sin(now * 2 * kPi / 3.4 + ph[2]));
    const double my =
        look_->wander * kMicroAmplitude / 3 *
        (std::sin(now * 2 * kPi / 1.7 + ph[3]) + std::sin(now * 2 * kPi / 2.6 + ph[4]) +
         std::sin(now * 2 * kPi / 3.9 + ph[5]));
    pose_.headX = look_->restX + ox + mx;
    pose_.headY = look_->restY + oy + my;
    pose_.bodyX = follow * ox;
    pose_.bodyY = follow * oy;
    if (real_) evaluateLifelike(p, t, now);
}

namespace {

using phases::hold;
using phases::moveTo;
using phases::with;
std::vector<Phase> calibratePrefix() { return phases::calibrated(); }
Phase mouth() { return {Act::MouthClick, 0.8}; }
Phase eyes() { return {Act::EyeClose, 0.8}; }
Phase nod() { return {Act::Nod, 4.0, Until::KeyboardToggled}; }
Phase reach() { return {Act::ReachKeyboard, 8.0, Until::OverKeyboard}; }

struct Entry {
    std::string description;
    std::vector<Phase> script;
};

const std::map<std::string, Entry>& library() {
    static const std::map<std::string, Entry> scenes = [] {
        std::map<std::string, Entry> m;
        const auto recalibrate = std::vector<Phase>{
            {Act::Shake, 6.0, Until::LargeView},
            {Act::Sway, 8.0, Until::EyesWindow},
            {Act::HoldBlink, 10.0, Until::Calibrated, 0, 0, 1},
            hold(1.0),
        };
        m["demo"] = {
            "sits down and moves, holds still and blinks until calibrated, points at targets, "
            "opens the mouth to click, closes the eyes to press and again to release, dwells, "
            "nods to hide and show the keyboard, types a key, shakes to restart, recalibrates",
            with(with(with(calibratePrefix(), phases::pointAround()),
                      {hold(1.5), mouth(),      hold(1.2),          moveTo(8, 6), hold(1.2),
                       eyes(),    hold(0.6),    moveTo(-8, 6, 1.2), hold(1.0),    eyes(),
                       hold(1.2), moveTo(0, 0), hold(2.5),          nod(),        hold(1.0),
                       nod(),     hold(1.0),    moveTo(0, 12, 1.0), reach(),      hold(0.5),
                       mouth(),   hold(1.2),    moveTo(0, 0, 1.0),  hold(1.0),    nod(),
                       hold(1.0)}),
                 with(recalibrate, {moveTo(10, 4), hold(1.5), moveTo(0, 0), hold(1.5)}))};
        m["calibrate"] = {"sits down, holds still and blinks until calibrated",
                          with(calibratePrefix(), {hold(1.5)})};
        // The pointer closes in on a target ever more slowly (its step falls with
        // the square of the distance, to one pixel a frame near the dead zone),
        // so each stop lasts a while.
        m["pointing"] = {
            "calibrates, then points at four targets around the screen",
            with(calibratePrefix(), {moveTo(-12, -2), hold(7.0), moveTo(12, 0, 1.0), hold(7.0),
                                     moveTo(0, 10), hold(7.0), moveTo(-10, 6), hold(7.0)})};
        m["clicks"] = {
            "calibrates, opens the mouth twice, closes the eyes twice, moving between",
            with(calibratePrefix(), {moveTo(-8, 0), hold(1.5), mouth(), hold(1.5), mouth(),
                                     hold(1.5), eyes(), hold(1.0), moveTo(8, 4, 1.0), hold(1.5),
                                     eyes(), hold(1.5), moveTo(0, 0), hold(1.0)})};
        m["dwell"] = {"calibrates, then holds still at three places in turn",
                      with(calibratePrefix(), {moveTo(-10, 0), hold(2.2), moveTo(10, 0, 1.0),
                                               hold(2.2), moveTo(0, 6), hold(2.2)})};
        m["shake"] = {"calibrates, shakes the head until tracking restarts, calibrates again",
                      with(with(calibratePrefix(), {hold(1.0)}), recalibrate)};
        m["keyboard"] = {
            "calibrates, nods to hide and to show the keyboard, types a key, nods",
            with(calibratePrefix(),
                 {hold(1.5), nod(), hold(1.0), nod(), hold(1.0), moveTo(0, 12, 1.0), reach(),
                  hold(0.5), mouth(), hold(1.5), moveTo(0, 0, 1.0), hold(1.0), nod(), hold(1.0)})};
        m["idle"] = {"calibrates, then holds perfectly still for 20 s",
                     with(calibratePrefix(), {hold(20.0)})};
        m["empty"] = {"an empty room for 8 s", {hold(8.0)}};
        return m;
    }();
    return scenes;
}

}  // namespace

std::vector<std::string> sceneNames() {
    std::vector<std::string> names;
    for (const auto& [name, entry] : library()) names.push_back(name);
    return names;
}

std::vector<Phase> sceneScript(const std::string& name) {
    if (const SceneEntry* scored = scoringScene(name)) return scored->script;
    if (const SceneEntry* extra = handsFreeScene(name)) return extra->script;
    const auto it = library().find(name);
    return it == library().end() ? std::vector<Phase>{} : it->second.script;
}

std::string sceneDescription(const std::string& name) {
    if (const SceneEntry* scored = scoringScene(name)) return scored->description;
    if (const SceneEntry* extra = handsFreeScene(name)) return extra->description;
    const auto it = library().find(name);
    return it == library().end() ? std::string{} : it->second.description;
}

std::unique_ptr<Scene> makeScene(const std::string& name, uint64_t seed, double driftPercent,
                                 double noiseSigma) {
    auto script = sceneScript(name);
    if (script.empty()) return nullptr;
    const SceneEntry* scored = scoringScene(name);
    const LookTweaks tweaks = scored ? scored->tweaks : LookTweaks{};
    auto scene = std::make_unique<Scene>(name, std::move(script), seed, driftPercent,
                                         noiseSigma * tweaks.noiseScale, tweaks);
    if (name == "empty") scene->hidePerson();
    return scene;
}

}  // namespace quil::sim
