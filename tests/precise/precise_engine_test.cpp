// The precise engine on synthetic scenes, frame by frame, behind the
// simulated desktop: what a user would notice.
#include "tracker/engines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "options/options_file.h"
#include "sim/replay.h"
#include "sim/scene.h"
#include "sim/sim_desktop.h"
#include "sim/y4m.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"

namespace quil {
namespace {

// One tracker behind a simulated desktop, fed one scene's frames a tick at a
// time, as the replay does.
struct SceneRun {
    std::unique_ptr<TrackerState> state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    sim::SimDesktop desktop{s, 1024, 768, false};
    std::unique_ptr<sim::Scene> scene;
    sim::UserView view;
    int64_t tick = 0;
    std::vector<uint8_t> frame = std::vector<uint8_t>(sim::kBgrBytes);
    FrameReport last;

    SceneRun(const char* name, uint64_t seed, bool precise) {
        startTracker(s, desktop, 1024, 768, {11, 12}, kDefaultOptionsText);
        EXPECT_TRUE(loadPreciseEngine(s, sim::defaultModelFile()));
        if (precise) {
            s.shared.engineChoice = PreciseEngine;
            s.engine = PreciseEngine;
        }
        scene = sim::makeScene(name, seed, 0.0);
    }

    // False once the scene is over.
    bool step() {
        view.eyesWindowOpen = desktop.eyesWindowOpen();
        view.largeView = s.view.largeView;
        if (!scene->advance(tick, view)) return false;
        scene->render(frame);
        desktop.beginTick(tick++);
        last = frameCallback(s, desktop, frame);
        if (last.calibration) ++view.calibrations;
        return true;
    }

    // Steps until the tracker is in the state (true) or the limit passes.
    bool stepUntil(int32_t wanted, int limit) {
        for (int i = 0; i < limit; ++i) {
            if (!step()) return false;
            if (s.state == wanted) return true;
        }
        return false;
    }
};

TEST(PreciseEngine, CalibratesWithoutABlinkWithinASecondOfTheHeadBox) {
    for (uint64_t seed : {1, 2}) {
        SceneRun run("calibrate", seed, true);
        int64_t boxTick = -1;
        for (int i = 0; i < 200 && run.s.state != Tracking; ++i) {
            ASSERT_TRUE(run.step());
            if (run.last.headBox && boxTick < 0) boxTick = run.tick;
        }
        ASSERT_EQ(run.s.state, Tracking) << "seed " << seed;
        ASSERT_GE(boxTick, 0);
        EXPECT_LE((run.tick - boxTick) * 0.075, 1.0) << "seed " << seed;
        EXPECT_FALSE(run.desktop.eyesWindowOpen());
        EXPECT_FALSE(run.s.view.largeView) << "the camera view moved to the corner";
    }
}

TEST(PreciseEngine, FollowsTheHeadWithinAPixel) {
    SceneRun run("pointing", 3, true);
    ASSERT_TRUE(run.stepUntil(Tracking, 200));
    std::vector<double> dx, dy;
    // Long enough to point at two of the scene's targets.
    while (dx.size() < 160 && run.step()) {
        if (!run.last.faceX) continue;
        dx.push_back(*run.last.faceX - run.scene->pose().headX);
        dy.push_back(*run.last.faceY - run.scene->pose().headY);
    }
    ASSERT_EQ(dx.size(), 160u);
    // The engine names the face by the calibrated midpoint of the eyes, as
    // the landmarks placed it: a constant offset from the scene's own.
    for (auto* d : {&dx, &dy}) {
        double mean = 0, square = 0;
        for (double v : *d) mean += v / static_cast<double>(d->size());
        for (double v : *d) square += (v - mean) * (v - mean) / static_cast<double>(d->size());
        EXPECT_LT(std::sqrt(square), 1.0);
    }
}

TEST(PreciseEngine, AFaceThatIsGoneIsLostWithinHalfASecondAndSoughtAgain) {
    SceneRun run("pointing", 1, true);
    ASSERT_TRUE(run.stepUntil(Tracking, 200));
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(run.step());
    // A held drag must not outlive the face.
    run.desktop.leftButtonDown();
    run.s.pointer.buttonHeld = true;
    run.scene->hidePerson();
    int frames = 0;
    while (run.s.state == Tracking && frames < 20) {
        ASSERT_TRUE(run.step());
        ++frames;
    }
    EXPECT_EQ(run.s.state, Lost);
    EXPECT_EQ(run.last.loss, LossReason::FaceLost);
    EXPECT_LE(frames * 0.075, 0.5);
    ASSERT_TRUE(run.step());
    EXPECT_EQ(run.s.state, Restart);
    EXPECT_FALSE(run.desktop.buttonDown());
    ASSERT_TRUE(run.step());
    ASSERT_TRUE(run.step());
    EXPECT_EQ(run.s.state, MotionSearch) << "no warm-up pause before looking again";
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(run.step());
    EXPECT_EQ(run.s.state, MotionSearch) << "nobody there";
}

TEST(PreciseEngine, SwitchingEnginesStartsOverAndReleasesTheButton) {
    SceneRun run("pointing", 2, false);
    ASSERT_TRUE(run.stepUntil(Tracking, 300)) << "the classic engine calibrates";
    run.desktop.leftButtonDown();
    run.s.pointer.buttonHeld = true;
    run.s.shared.engineChoice = PreciseEngine;
    ASSERT_TRUE(run.step());
    EXPECT_TRUE(run.last.engineSwitched);
    EXPECT_EQ(run.s.engine, PreciseEngine);
    EXPECT_FALSE(run.desktop.buttonDown());
    EXPECT_TRUE(run.s.view.largeView) << "back to the large view to be found again";
    ASSERT_TRUE(run.stepUntil(Tracking, 60)) << "the precise engine calibrates";

    // Back to classic; and a choice of precise without its model is classic.
    run.s.shared.engineChoice = ClassicEngine;
    ASSERT_TRUE(run.step());
    EXPECT_TRUE(run.last.engineSwitched);
    EXPECT_EQ(run.s.engine, ClassicEngine);
    run.s.shared.preciseAvailable = false;
    run.s.shared.engineChoice = PreciseEngine;
    ASSERT_TRUE(run.step());
    EXPECT_FALSE(run.last.engineSwitched);
    EXPECT_EQ(run.s.engine, ClassicEngine);
}

TEST(PreciseEngine, HeldEyesAndMouthActOnceEachAndAStillFaceNever) {
    // The clicks scene opens the mouth twice and shuts the eyes twice, each
    // for about half a second; the default options click with the mouth
    // and toggle a drag with the eyes.
    SceneRun run("clicks", 1, true);
    int clicks = 0, presses = 0, releases = 0;
    while (run.step()) {
        clicks += run.last.action == GestureAction::Click;
        presses += run.last.action == GestureAction::DragPress;
        releases += run.last.action == GestureAction::DragRelease;
    }
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);

    // Nine seconds of a still face: no action.
    SceneRun still("idle", 2, true);
    ASSERT_TRUE(still.stepUntil(Tracking, 200));
    int actions = 0;
    for (int i = 0; i < 120 && still.step(); ++i)
        actions += still.last.action != GestureAction::None;
    EXPECT_EQ(actions, 0);
}

}  // namespace
}  // namespace quil
