// The lifelike scenes: a head that turns, nods and tilts with the body
// still, and a scoring scene of deliberate and everyday face motion on the
// turning head, with talking and blinking timed as people do.
#include <algorithm>
#include <map>

#include "sim/scene.h"
#include "sim/scene_look.h"
#include "sim/scene_phases.h"

namespace quil::sim {

namespace {

using namespace phases;

// Talking: phrases of syllables at 3 to 6 a second, each opening the jaw to
// its own depth; now and then a wide one, and the lips apart through a phrase.
constexpr double kPhraseMin = 1.2, kPhraseMax = 3.5;
constexpr double kPauseMin = 0.2, kPauseMax = 0.9;
constexpr double kSyllableHzMin = 3.0, kSyllableHzMax = 6.0;
constexpr double kWideShare = 0.08, kMidShare = 0.2;
constexpr double kPhraseRest = 0.06;
// Blinks: every 2 to 6 s, each over in 0.1 to 0.3 s; some do not quite shut.
constexpr double kBlinkEveryMin = 2.0, kBlinkEveryMax = 6.0;
constexpr double kBlinkMin = 0.1, kBlinkMax = 0.3;
constexpr double kPartialShare = 0.2;

Phase turn(double yaw, double pitch, double roll, double seconds = 0.9) {
    Phase p{Act::Turn, seconds, Until::Time, yaw, pitch};
    p.roll = roll;
    return p;
}
Phase lookDown(double degrees, double seconds) {
    return {Act::LookDown, seconds, Until::Time, 0, degrees};
}

// Each way in turn, pausing at each place, then mixed turns and back.
std::vector<Phase> turning() {
    return with(calibrated(),
                {
                    turn(-15, 0, 0),      hold(1.2), turn(-30, 0, 0),         hold(1.5),
                    turn(-35, 0, 0, 0.5), hold(1.0), turn(0, 0, 0, 1.2),      hold(1.0),
                    turn(15, 0, 0),       hold(1.2), turn(30, 0, 0),          hold(1.5),
                    turn(35, 0, 0, 0.5),  hold(1.0), turn(0, 0, 0, 1.2),      hold(1.0),
                    turn(0, -12, 0),      hold(1.2), turn(0, -25, 0),         hold(1.5),
                    turn(0, 12, 0, 1.2),  hold(1.2), turn(0, 25, 0),          hold(1.5),
                    turn(0, 0, 0),        hold(1.0), turn(0, 0, -15),         hold(1.5),
                    turn(0, 0, 15, 1.4),  hold(1.5), turn(0, 0, 0),           hold(1.0),
                    turn(20, 12, 6, 1.2), hold(1.2), turn(-25, -10, -8, 1.6), hold(1.2),
                    turn(-10, 20, 4),     hold(1.2), turn(0, 0, 0),           hold(2.0),
                });
}

// The scoring scenes' sequence on the turning head: pointing by turning,
// eyes shut on purpose for 0.5 to 2.5 s, the mouth held open, talking,
// blinking, looking down at the desk, dwelling.
std::vector<Phase> everything() {
    return with(calibrated(), {
                                  turn(-12, 0, 0),
                                  hold(0.6),
                                  turn(10, 6, 2, 1.0),
                                  hold(0.6),
                                  turn(4, -8, 0),
                                  hold(0.6),
                                  turn(0, 0, 0),
                                  hold(1.0),
                                  eyes(0.5),
                                  hold(1.2),
                                  eyes(1.2),
                                  hold(1.2),
                                  turn(-10, 4, 0),
                                  hold(1.0),
                                  eyes(2.5),
                                  hold(1.2),
                                  eyes(0.8),
                                  hold(1.0),
                                  turn(8, 0, -4),
                                  hold(1.0),
                                  eyes(1.8),
                                  hold(1.2),
                                  turn(0, 0, 0),
                                  hold(1.0),
                                  mouth(0.6),
                                  hold(1.2),
                                  mouth(1.0),
                                  hold(1.2),
                                  turn(-8, -6, 0),
                                  hold(1.0),
                                  mouth(1.6),
                                  hold(1.2),
                                  mouth(0.8),
                                  hold(1.0),
                                  turn(0, 2, 0),
                                  hold(0.6),
                                  talk(12.0),
                                  hold(0.6),
                                  lookDown(15, 1.5),
                                  hold(0.8),
                                  turn(12, 0, 0),
                                  hold(0.6),
                                  turn(-12, 5, 3, 1.2),
                                  hold(0.6),
                                  turn(0, 0, 0),
                                  hold(0.6),
                                  blinks(12.0),
                                  lookDown(25, 2.2),
                                  hold(1.0),
                                  talk(8.0),
                                  moveTo(-8, 2),
                                  hold(0.6),
                                  turn(-10, -3, 0),
                                  hold(3.0),
                                  turn(10, 6, 0, 1.0),
                                  hold(3.0),
                                  turn(0, 0, 0),
                                  moveTo(0, 0),
                                  hold(1.0),
                              });
}

const std::map<std::string, SceneEntry>& library() {
    static const std::map<std::string, SceneEntry> scenes = [] {
        std::map<std::string, SceneEntry> m;
        m["turning"] = {
            "a head in perspective turns left and right to 35 degrees, up and down to 25, "
            "tilts to 15, with the body still and pauses between; scored against the nose tip",
            turning(),
            {.lifelike = 1}};
        const std::string all =
            "the turning head points by turning, shuts the eyes on purpose (0.5-2.5 s), opens "
            "the mouth wide, talks and blinks as people do, looks down, dwells; the seed adds "
            "glasses, a beard, a low-resolution or noisy camera, side light; scored against the "
            "nose tip";
        m["gestures_real"] = {all, everything(), {.lifelike = 2}};
        m["gestures_real_far"] = {
            all + "; sitting far back", everything(), {.faceScale = 0.7, .lifelike = 2}};
        return m;
    }();
    return scenes;
}

}  // namespace

const SceneEntry* lifelikeScene(const std::string& name) {
    const auto it = library().find(name);
    return it == library().end() ? nullptr : &it->second;
}

std::vector<std::string> lifelikeSceneNames() {
    std::vector<std::string> names;
    for (const auto& [name, entry] : library()) names.push_back(name);
    return names;
}

// Syllables at a speaking rate within phrases; most open the jaw part of the
// way, a few wide; the lips stay a little apart through each phrase.
std::vector<Opening> lifelikeTalk(uint64_t seed, double seconds) {
    Rng rng(seed);
    std::vector<Opening> out;
    double t = rng.range(0.05, 0.3);
    while (t < seconds) {
        const double phraseEnd = std::min(seconds, t + rng.range(kPhraseMin, kPhraseMax));
        out.push_back({t, 0.08, std::max(0.0, phraseEnd - t - 0.2), 0.1, kPhraseRest});
        while (t < phraseEnd) {
            const double every = 1 / rng.range(kSyllableHzMin, kSyllableHzMax);
            const double kind = rng.uniform();
            const double depth = kind < kWideShare               ? rng.range(0.8, 1.0)
                                 : kind < kWideShare + kMidShare ? rng.range(0.5, 0.8)
                                                                 : rng.range(0.12, 0.5);
            out.push_back({t, every * rng.range(0.3, 0.4), every * rng.range(0.0, 0.15),
                           every * rng.range(0.35, 0.5), depth});
            t += every;
        }
        t += rng.range(kPauseMin, kPauseMax);
    }
    std::sort(out.begin(), out.end(),
              [](const Opening& x, const Opening& y) { return x.start < y.start; });
    return out;
}

std::vector<Opening> lifelikeBlinks(uint64_t seed, double seconds) {
    Rng rng(seed);
    std::vector<Opening> out;
    for (double t = rng.range(0.3, 2.0); t < seconds;
         t += rng.range(kBlinkEveryMin, kBlinkEveryMax)) {
        const double total = rng.range(kBlinkMin, kBlinkMax);
        const double rise = total * rng.range(0.25, 0.35), hold = total * rng.range(0.0, 0.2);
        const double depth = rng.uniform() < kPartialShare ? rng.range(0.7, 0.95) : 1.0;
        out.push_back({t, rise, hold, total - rise - hold, depth});
    }
    return out;
}

}  // namespace quil::sim
