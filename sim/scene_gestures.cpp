// The scoring scenes: a person who points around, closes the eyes and opens
// the mouth on purpose, talks and blinks with a still head, and dwells, at
// several distances and in several lights. Each phase says what the person
// is doing (the Doing flags), which a scored replay compares with what the
// tracker did.
#include <algorithm>
#include <cmath>
#include <map>

#include "sim/scene.h"
#include "sim/scene_look.h"
#include "sim/scene_phases.h"

namespace quil::sim {

namespace {

using namespace phases;

// Talking: phrases of syllables, each a quick partial opening of the jaw,
// between short pauses for breath.
constexpr double kPhraseMin = 1.2, kPhraseMax = 3.0;
constexpr double kPauseMin = 0.25, kPauseMax = 0.8;
constexpr double kSyllableEveryMin = 0.16, kSyllableEveryMax = 0.28;
constexpr double kSyllableDepthMin = 0.12, kSyllableDepthMax = 0.5;
// Natural blinks: every 1.2 to 3.5 s, over in 0.1 to 0.3 s.
constexpr double kBlinkFirstMax = 1.5;
constexpr double kBlinkEveryMin = 1.2, kBlinkEveryMax = 3.5;
// A still hold this long gives dwell (1.5 s by default) its chance.
constexpr double kDwellHoldSeconds = 2.0;

// Rise to 1, hold, fall back to 0.
double envelope(double t, double rise, double hold, double fall) {
    if (t < 0) return 0;
    if (t < rise) return smooth01(t / rise);
    if (t < rise + hold) return 1;
    if (t < rise + hold + fall) return 1 - smooth01((t - rise - hold) / fall);
    return 0;
}

double openingAt(const std::vector<Opening>& openings, double t) {
    double v = 0;
    for (const Opening& o : openings) {
        if (o.start > t) break;
        v = std::max(v, o.depth * envelope(t - o.start, o.rise, o.hold, o.fall));
    }
    return v;
}

// Every stretch of still head stays well under the 15 s after which an
// unmoving pointer gives the face up.
std::vector<Phase> everything() {
    return with(calibrated(), {
                                  // Pointing around.
                                  moveTo(-12, -3),
                                  hold(0.5),
                                  moveTo(10, 2, 1.0),
                                  hold(0.5),
                                  moveTo(2, 9),
                                  hold(0.5),
                                  moveTo(-8, 6),
                                  hold(0.5),
                                  moveTo(6, -6, 0.9),
                                  hold(0.5),
                                  moveTo(0, 0),
                                  hold(1.0),
                                  // Eyes closed on purpose, 0.6 to 1 s.
                                  eyes(0.6),
                                  hold(1.2),
                                  eyes(1.0),
                                  hold(1.2),
                                  moveTo(-8, 2),
                                  hold(1.0),
                                  eyes(0.8),
                                  hold(1.2),
                                  eyes(0.7),
                                  hold(1.0),
                                  moveTo(6, 2),
                                  hold(1.0),
                                  // The mouth held wide open, 0.6 to 1 s.
                                  mouth(0.6),
                                  hold(1.2),
                                  mouth(1.0),
                                  hold(1.2),
                                  moveTo(-4, -4),
                                  hold(1.0),
                                  mouth(0.8),
                                  hold(1.2),
                                  mouth(0.7),
                                  hold(1.0),
                                  moveTo(0, 2),
                                  hold(0.6),
                                  talk(11.0),
                                  hold(0.6),
                                  moveTo(10, -2),
                                  hold(0.5),
                                  moveTo(-10, 4, 1.2),
                                  hold(0.5),
                                  moveTo(0, 0),
                                  hold(0.5),
                                  blinks(11.0),
                                  // Dwelling on two targets.
                                  moveTo(-10, -2),
                                  hold(3.0),
                                  moveTo(10, 6, 1.0),
                                  hold(3.0),
                                  moveTo(0, 0),
                                  hold(1.0),
                              });
}

// One of each, briefly: for a quick check that scoring works.
std::vector<Phase> sampler() {
    return with(calibrated(), {moveTo(-10, -2), hold(0.5), moveTo(8, 4, 1.0), hold(1.0), eyes(0.8),
                               hold(1.2), mouth(0.8), hold(1.0), talk(4.0), hold(0.5), moveTo(0, 0),
                               hold(0.5), blinks(4.0), moveTo(-8, 2), hold(2.5)});
}

const std::map<std::string, SceneEntry>& library() {
    static const std::map<std::string, SceneEntry> scenes = [] {
        std::map<std::string, SceneEntry> m;
        const std::string all =
            "points around, closes the eyes and opens the mouth on purpose (0.6-1 s), talks "
            "and blinks with a still head, dwells";
        m["gestures"] = {all, everything(), {}};
        m["gestures_far"] = {all + "; sitting far back", everything(), {.faceScale = 0.62}};
        m["gestures_near"] = {all + "; sitting close", everything(), {.faceScale = 1.3}};
        m["gestures_dim"] = {all + "; in a dim room lit from one side",
                             everything(),
                             {.brightness = 0.55, .sideLight = 0.7, .noiseScale = 2.5}};
        m["gesture_sampler"] = {
            "one of each: points, closes the eyes, opens the mouth, talks, blinks, dwells",
            sampler(),
            {}};
        return m;
    }();
    return scenes;
}

}  // namespace

std::vector<std::string> scoringSceneNames() {
    std::vector<std::string> names;
    for (const auto& [name, entry] : library()) names.push_back(name);
    for (const auto& name : lifelikeSceneNames()) names.push_back(name);
    return names;
}

const SceneEntry* scoringScene(const std::string& name) {
    const auto it = library().find(name);
    return it == library().end() ? lifelikeScene(name) : &it->second;
}

// Syllables come at a speaking rate within phrases; each opens the jaw part
// of the way and closes it again within a fifth of a second or so.
std::vector<Opening> talkOpenings(uint64_t seed, double seconds) {
    Rng rng(seed);
    std::vector<Opening> out;
    double t = rng.range(0.05, 0.3);
    while (t < seconds) {
        const double phraseEnd = std::min(seconds, t + rng.range(kPhraseMin, kPhraseMax));
        for (; t < phraseEnd; t += rng.range(kSyllableEveryMin, kSyllableEveryMax)) {
            out.push_back({t, rng.range(0.04, 0.08), rng.range(0.0, 0.04), rng.range(0.05, 0.1),
                           rng.range(kSyllableDepthMin, kSyllableDepthMax)});
        }
        t += rng.range(kPauseMin, kPauseMax);
    }
    return out;
}

std::vector<Opening> naturalBlinks(uint64_t seed, double seconds) {
    Rng rng(seed);
    std::vector<Opening> out;
    for (double t = rng.range(0.3, kBlinkFirstMax); t < seconds;
         t += rng.range(kBlinkEveryMin, kBlinkEveryMax)) {
        out.push_back({t, rng.range(0.04, 0.07), rng.range(0.0, 0.06), rng.range(0.06, 0.15), 1.0});
    }
    return out;
}

FaceGesture heldGestureAt(const Phase& phase, double t, const std::vector<Opening>& openings) {
    FaceGesture g;
    switch (phase.act) {
        case Act::EyeHold:
            g.eyeClose = envelope(t, kEyeRise, phase.seconds - kEyeRise - kEyeFall, kEyeFall);
            g.squeeze = 1;
            break;
        case Act::MouthHold:
            g.mouthOpen =
                envelope(t, kMouthRise, phase.seconds - kMouthRise - kMouthFall, kMouthFall);
            break;
        case Act::Talk:
            g.mouthOpen = openingAt(openings, t);
            break;
        case Act::Blinks:
            g.eyeClose = openingAt(openings, t);
            break;
        default:
            break;
    }
    return g;
}

uint16_t doingOf(const Phase& phase) {
    constexpr uint16_t still = kInView | kHeadStill;
    switch (phase.act) {
        case Act::Enter:
            return 0;
        case Act::Sway:
        case Act::MoveTo:
        case Act::Nod:
        case Act::Shake:
        case Act::ReachKeyboard:
            return kInView | kMoving;
        case Act::HoldBlink:
        case Act::Blinks:
            return still | kBlinking;
        case Act::Hold:
            return still | (phase.seconds >= kDwellHoldSeconds ? kDwellHeld : 0);
        case Act::MouthClick:
        case Act::MouthHold:
            return still | kMouthHeld;
        case Act::EyeClose:
        case Act::EyeHold:
            return still | kEyesHeld;
        case Act::Talk:
            return still | kTalking;
        case Act::Turn:
        case Act::LookDown:
        case Act::Tilt:
            return kInView | kMoving;
        case Act::ScrollKey:
        case Act::PauseKey:
            return still;
        case Act::Follow:
            return kInView;  // the rest comes from the steering
    }
    return 0;
}

}  // namespace quil::sim
