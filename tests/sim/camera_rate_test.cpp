// The precise engine at the camera's rate, through the whole tracker: the
// frames between ticks carry the pointer, and everything counted in ticks
// (the hand-move check, the gesture's hold, the click) behaves as at 75 ms.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/scene_phases.h"
#include "sim/sim_rig.h"
#include "tracker/frame_driver.h"

namespace quil::sim {
namespace {

struct CameraRun {
    int frames = 0;
    int ticks = 0;
    int movesBetweenTicks = 0;  // frames between ticks that moved the pointer
    int downs = 0;
    bool calibrated = false;
    bool handPause = false;
    int losses = 0;
    ScreenPoint atTurnStart;
    ScreenPoint atEnd;
};

CameraRun run(bool cameraRate) {
    using namespace phases;
    CameraRun out;
    RigSetup setup;
    setup.precise = true;
    setup.cameraRate = cameraRate;
    SimRig rig(setup);
    EXPECT_TRUE(rig.error().empty()) << rig.error();
    LookTweaks look;
    look.wander = 0.0;
    Scene scene(
        "camera_rate",
        with(calibrated(), {hold(1.0), moveTo(10, 0, 0.4), hold(1.5), mouth(1.0), hold(1.5)}), 3,
        0.0, kDefaultNoise, look);
    for (int64_t k = 0;; ++k) {
        const ScreenPoint before = rig.desktop().pointer();
        const auto report = rig.step(scene, k);
        if (!report) break;
        ++out.frames;
        out.ticks += report->betweenTicks ? 0 : 1;
        if (report->betweenTicks && rig.desktop().pointer() != before) ++out.movesBetweenTicks;
        out.calibrated = out.calibrated || report->calibration.has_value();
        out.handPause = out.handPause || report->stateAfter == HandPause;
        out.losses += report->loss != LossReason::None;
        const auto& events = rig.desktop().tickEvents();
        out.downs += static_cast<int>(std::count(events.begin(), events.end(), "down"));
        if (!scene.marks().empty() && scene.marks().back().what == "move" &&
            scene.marks().back().tick == k) {
            out.atTurnStart = rig.desktop().pointer();
        }
    }
    out.atEnd = rig.desktop().pointer();
    return out;
}

TEST(CameraRate, ThePreciseEngineCarriesThePointerBetweenTicksAndClicksOnce) {
    const CameraRun fast = run(true);
    const CameraRun tick = run(false);
    ASSERT_TRUE(fast.calibrated);
    ASSERT_TRUE(tick.calibrated);
    // 33 ms frames: 2.25 of them to a tick, each tick's work done once.
    EXPECT_NEAR(static_cast<double>(fast.frames) / fast.ticks, 75.0 / 33.0, 0.05);
    EXPECT_EQ(tick.ticks, tick.frames);
    EXPECT_EQ(tick.movesBetweenTicks, 0);
    EXPECT_GT(fast.movesBetweenTicks, 3);
    // The pointer's moves between ticks are not taken for a hand on the mouse.
    EXPECT_FALSE(fast.handPause);
    EXPECT_EQ(fast.losses, 0);
    // The mouth held open clicks once at either rate.
    EXPECT_EQ(fast.downs, 1);
    EXPECT_EQ(tick.downs, 1);
    // The turn carries the pointer the same way and about as far.
    const int fastMove = fast.atEnd.x - fast.atTurnStart.x;
    const int tickMove = tick.atEnd.x - tick.atTurnStart.x;
    EXPECT_NE(fastMove, 0);
    EXPECT_EQ(fastMove > 0, tickMove > 0);
    EXPECT_NEAR(fastMove, tickMove, 0.25 * std::abs(tickMove) + 10);
}

}  // namespace
}  // namespace quil::sim
