// The steps scripts are written with, shared by the flat and the lifelike
// scoring scenes.
#pragma once

#include <vector>

#include "sim/scene.h"

namespace quil::sim::phases {

// A held gesture closes or opens this quickly and comes back this quickly
// (closing the eyes on purpose is slower than a blink's 0.05 to 0.1 s); the
// phase's remaining time it stays shut or open.
inline constexpr double kEyeRise = 0.15, kEyeFall = 0.2;
inline constexpr double kMouthRise = 0.25, kMouthFall = 0.25;

inline Phase moveTo(double x, double y, double seconds = 0.8) {
    return {Act::MoveTo, seconds, Until::Time, x, y};
}
inline Phase hold(double seconds) { return {Act::Hold, seconds}; }
// Held gestures, by how long they stay shut or open.
inline Phase eyes(double closed) { return {Act::EyeHold, kEyeRise + closed + kEyeFall}; }
inline Phase mouth(double open) { return {Act::MouthHold, kMouthRise + open + kMouthFall}; }
inline Phase talk(double seconds) { return {Act::Talk, seconds}; }
inline Phase blinks(double seconds) { return {Act::Blinks, seconds}; }

inline std::vector<Phase> with(std::vector<Phase> a, const std::vector<Phase>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// As the behaviour scenes begin: sit down, move until the eyes window opens,
// blink at it until calibrated.
inline std::vector<Phase> calibrated() {
    return {
        {Act::Enter, 1.2},
        {Act::Sway, 8.0, Until::EyesWindow},
        {Act::HoldBlink, 10.0, Until::Calibrated, 0, 0, 1},
        hold(1.0),
    };
}

// Points left, right, down and up-left, holding at the first three.
inline std::vector<Phase> pointAround() {
    return {moveTo(-12, 0), hold(2.0), moveTo(12, 0, 1.0), hold(2.0),
            moveTo(0, 10),  hold(2.0), moveTo(-10, -4)};
}

}  // namespace quil::sim::phases
