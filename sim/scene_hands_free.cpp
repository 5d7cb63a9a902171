// The hands-free scenes: the person scrolls a page with the head and pauses
// the tracker, each step at a known time with the head at a known offset, so
// that the tests can check the wheel's direction and amount, the dead zone,
// and that the pause stops everything until the nods that end it.
#include <map>

#include "sim/scene.h"
#include "sim/scene_phases.h"

namespace quil::sim {

namespace {

using phases::hold;
using phases::moveTo;
using phases::with;

// The head's offsets while scrolling, in frame pixels: with the calibrated
// eyes about 72 pixels apart, 14 pixels is a fifth of the eye gap (well past
// the dead zone) and 3 pixels within it.
constexpr double kScrollOffset = 14.0;
constexpr double kInsideDeadZone = 3.0;

Phase key(Act act) { return {act, 0.3}; }
Phase mouthClick() { return {Act::MouthClick, 0.8}; }
Phase nods(double seconds) { return {Act::Nod, seconds}; }
Phase tilt(double degrees, double seconds) {
    Phase p{Act::Tilt, seconds};
    p.roll = degrees;
    return p;
}

// Scrolls up, rests in the dead zone, scrolls down and back, and holds still
// until the mode ends by itself; then pauses, moves and opens the mouth (which
// does nothing), nods twice to resume and clicks with the mouth.
std::vector<Phase> scrollAndPause() {
    return with(phases::calibrated(),
                {
                    hold(1.5),         key(Act::ScrollKey),
                    hold(1.0),         moveTo(0, -kScrollOffset, 0.6),
                    hold(3.0),         moveTo(kInsideDeadZone, -kInsideDeadZone, 0.6),
                    hold(1.5),         moveTo(0, kScrollOffset, 0.6),
                    hold(2.0),         moveTo(0, 0, 0.6),
                    hold(4.0),         key(Act::PauseKey),
                    moveTo(8, 6, 0.8), hold(1.0),
                    mouthClick(),      hold(1.5),
                    nods(6.0),         hold(2.0),
                    mouthClick(),      hold(1.5),
                });
}

// The precise engine's way in: the head tilts toward a shoulder and back,
// then scrolls down and holds still until the mode ends.
std::vector<Phase> tiltToScroll() {
    return with(phases::calibrated(), {
                                          hold(1.5),
                                          tilt(28.0, 1.6),
                                          hold(1.0),
                                          moveTo(0, kScrollOffset, 0.6),
                                          hold(2.0),
                                          moveTo(0, 0, 0.6),
                                          hold(4.0),
                                      });
}

const std::map<std::string, SceneEntry>& library() {
    static const std::map<std::string, SceneEntry> scenes = [] {
        std::map<std::string, SceneEntry> m;
        m["scroll_pause"] = {
            "presses the scroll key, scrolls up, rests in the dead zone, scrolls down, holds "
            "still until scrolling ends; presses the pause key, moves and opens the mouth to no "
            "effect, nods twice to resume, clicks with the mouth",
            scrollAndPause(),
            {}};
        m["tilt_scroll"] = {
            "tilts the head toward a shoulder to start scrolling, scrolls down, holds still "
            "until scrolling ends",
            tiltToScroll(),
            {}};
        return m;
    }();
    return scenes;
}

}  // namespace

const SceneEntry* handsFreeScene(const std::string& name) {
    const auto it = library().find(name);
    return it == library().end() ? nullptr : &it->second;
}

std::vector<std::string> handsFreeSceneNames() {
    std::vector<std::string> names;
    for (const auto& [name, entry] : library()) names.push_back(name);
    return names;
}

}  // namespace quil::sim
