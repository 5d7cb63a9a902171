#include "pointer/clicks.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/grids.h"
#include "tests/support/recording_desktop.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

// A stand-in for the block sampler: reports a chosen vertical motion for
// each patch and records what it was handed.
struct SamplerProbe {
    int eyeMotion = 0;
    int mouthMotion = 0;
    struct Call {
        BlockSamplerArgs args;
        const IntList* blockList;
        std::array<int32_t, 9> neighbours;
        int32_t firstSample;
    };
    std::vector<Call> calls;
    const IntList* eyeBlock = nullptr;  // the eye patch's block offsets
};
SamplerProbe probe;

void fakeSampler(const BlockSamplerArgs& args, const IntList& current, const IntList& /*previous*/,
                 FeatureSet& result, const IntList& blockOffsets,
                 const std::array<int32_t, 9>& neighbourOffsets, SamplerScratch& /*scratch*/) {
    probe.calls.push_back({args, &blockOffsets, neighbourOffsets, current[0]});
    allocFeatureSet(result, result.size());
    const bool eye = &blockOffsets == probe.eyeBlock;
    const int total = eye ? probe.eyeMotion : probe.mouthMotion;
    // Spread over both directions and several blocks, as real motion is.
    result.upShift[0] = total / 2;
    result.downShift[static_cast<size_t>(result.size() - 1)] = total - total / 2;
}

// Cell value = its own frame index, so a gathered sample names its cell.
void fillIndexGrid(Grid& grid) {
    grid.resize(kFrameCells);
    for (int i = 0; i < kFrameCells; ++i) grid[static_cast<size_t>(i)] = i;
}

class Clicks : public ::testing::Test {
protected:
    TrackerState s;
    RecordingDesktop desktop;

    void SetUp() override {
        probe = {};
        probe.eyeBlock = &s.clickPatches.eyePatchBlock;
        s.shared.headRangeCentreX = 320;
        s.shared.headRangeCentreY = 200;
        s.face.halfEyeGap = 20;
        // The buffers a calibration leaves for tracking.
        s.clickPatches.eyePatchIndices.resize(2257);
        s.clickPatches.eyePatchCurrent.resize(2257);
        s.clickPatches.eyePatchPrevious.resize(2257);
        s.clickPatches.eyePatchBlock = makeBlockOffsets(5, 5, 37);
        allocFeatureSet(s.clickPatches.eyeMotion, 84);
        s.clickPatches.mouthPatchIndices.resize(1550);
        s.clickPatches.mouthPatchCurrent.resize(1550);
        s.clickPatches.mouthPatchPrevious.resize(1550);
        s.clickPatches.mouthPatchBlock = makeBlockOffsets(5, 5, 50);
        allocFeatureSet(s.clickPatches.mouthMotion, 60);
        fillIndexGrid(s.frame.currentGrid);
        fillIndexGrid(s.frame.previousGrid);
        setGestures({0, 1, 0}, {1, 0, 0});  // the defaults
    }

    void setGestures(std::array<int, 3> click, std::array<int, 3> drag) {
        for (size_t k = 0; k < 3; ++k) {
            s.shared.clickGestures[k] = click[k];
            s.shared.dragGestures[k] = drag[k];
        }
    }
    void still(double faceX = 320.0, double faceY = 200.0) {
        s.pointer.moveDistance = 0.5;
        detectEvents(s, faceX, faceY, fakeSampler);
    }
    void showKeyboard() {
        s.keyboard.window = 77;
        s.keyboard.hidden = false;
        s.keyboard.left = 306;
        s.keyboard.right = 718;
        s.keyboard.top = 546;
        s.keyboard.bottom = 738;
    }
    std::vector<DesktopCall::Kind> kinds() const {
        std::vector<DesktopCall::Kind> out;
        for (const auto& call : desktop.calls) out.push_back(call.kind);
        return out;
    }
};

TEST_F(Clicks, MotionThresholdsAreFiftySixAndSixtyOne) {
    setGestures({1, 1, 0}, {0, 0, 0});
    probe.eyeMotion = 55;
    probe.mouthMotion = 60;
    still();
    EXPECT_FALSE(s.pointer.eyeEvent);
    EXPECT_FALSE(s.pointer.mouthEvent);

    probe.mouthMotion = 61;
    still();
    EXPECT_FALSE(s.pointer.eyeEvent);
    EXPECT_TRUE(s.pointer.mouthEvent);

    // An eye event leaves the mouth patch unexamined.
    probe.eyeMotion = 56;
    s.pointer.mouthEvent = false;
    probe.calls.clear();
    still();
    EXPECT_TRUE(s.pointer.eyeEvent);
    EXPECT_FALSE(s.pointer.mouthEvent);
    EXPECT_EQ(probe.calls.size(), 1u);
}

TEST_F(Clicks, SamplerRunsOnEachPatchWithItsOwnGrid) {
    setGestures({1, 1, 0}, {0, 0, 0});
    still();
    ASSERT_EQ(probe.calls.size(), 2u);
    const auto& eye = probe.calls[0];
    EXPECT_EQ(eye.blockList, &s.clickPatches.eyePatchBlock);
    EXPECT_EQ(eye.neighbours, neighbourOffsetsFor(7));
    EXPECT_EQ(eye.args.gridRows, 37);
    EXPECT_EQ(eye.args.gridCols, 61);
    EXPECT_EQ(eye.args.blockWidth, 5);
    EXPECT_EQ(eye.args.searchRows, 5);
    // Centred face: columns 270..330, rows 191..227.
    EXPECT_EQ(eye.firstSample, 270 * 480 + 191);
    const auto& mouth = probe.calls[1];
    EXPECT_EQ(mouth.blockList, &s.clickPatches.mouthPatchBlock);
    EXPECT_EQ(mouth.neighbours, neighbourOffsetsFor(10));
    EXPECT_EQ(mouth.args.gridRows, 50);
    EXPECT_EQ(mouth.args.gridCols, 31);
    EXPECT_EQ(mouth.firstSample, 305 * 480 + 240);
}

TEST_F(Clicks, GestureInNeitherRowIsNeverExaminedNorActs) {
    setGestures({0, 1, 0}, {0, 0, 0});
    for (int i = 0; i < 25; ++i) still();
    EXPECT_EQ(probe.calls.size(), 25u);  // the mouth patch only
    EXPECT_EQ(s.pointer.dwellFrames, 0);
    EXPECT_FALSE(s.pointer.dwellEvent);

    // A dwell found before the user took it out of both sets does nothing.
    s.pointer.dwellEvent = true;
    EXPECT_EQ(runGestureAction(s, desktop, GestureDwell, {0, 0}), GestureAction::None);
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_FALSE(s.pointer.dwellEvent);
}

TEST_F(Clicks, DwellCountsStillFramesAndMotionRestartsIt) {
    setGestures({0, 0, 1}, {0, 0, 0});
    for (int i = 0; i < 19; ++i) still();
    EXPECT_FALSE(s.pointer.dwellEvent);
    s.pointer.moveDistance = 1.0;  // exactly one pixel counts as movement
    detectEvents(s, 320.0, 200.0, fakeSampler);
    EXPECT_EQ(s.pointer.dwellFrames, 0);
    for (int i = 0; i < 19; ++i) still();
    EXPECT_FALSE(s.pointer.dwellEvent);
    still();
    EXPECT_TRUE(s.pointer.dwellEvent);
    EXPECT_EQ(s.pointer.dwellFrames, 0);
    EXPECT_TRUE(probe.calls.empty());
}

TEST_F(Clicks, CooldownRestsTenFramesWithoutCountingDwell) {
    setGestures({1, 0, 1}, {0, 0, 0});
    probe.eyeMotion = 60;
    still();
    s.pointer.dwellEvent = true;  // found in the same frame
    ASSERT_EQ(pendingGesture(s), GestureEye);
    runGestureAction(s, desktop, pendingGesture(s), {0, 0});
    EXPECT_TRUE(s.pointer.clickCooldown);

    // The dwell still pending runs in the next frame, during the cooldown,
    // which it does not prolong.
    const size_t calls = probe.calls.size();
    const int dwell = s.pointer.dwellFrames;
    detectEvents(s, 320.0, 200.0, fakeSampler);
    ASSERT_EQ(pendingGesture(s), GestureDwell);
    runGestureAction(s, desktop, GestureDwell, {0, 0});
    EXPECT_EQ(pendingGesture(s), -1);
    for (int frame = 2; frame <= 10; ++frame) {
        EXPECT_TRUE(s.pointer.clickCooldown) << frame;
        still();
    }
    EXPECT_FALSE(s.pointer.clickCooldown);
    EXPECT_EQ(probe.calls.size(), calls);
    EXPECT_EQ(s.pointer.dwellFrames, dwell);
    still();  // the eleventh frame examines again
    EXPECT_EQ(probe.calls.size(), calls + 1);
}

TEST_F(Clicks, DefaultDragTogglesAndClickReleases) {
    probe.eyeMotion = 60;
    s.pointer.eyeEvent = true;
    EXPECT_EQ(runGestureAction(s, desktop, GestureEye, {0, 0}), GestureAction::DragPress);
    EXPECT_TRUE(s.pointer.buttonHeld);
    s.pointer.mouthEvent = true;
    EXPECT_EQ(runGestureAction(s, desktop, GestureMouth, {0, 0}), GestureAction::Click);
    EXPECT_FALSE(s.pointer.buttonHeld);
    s.pointer.eyeEvent = true;
    runGestureAction(s, desktop, GestureEye, {0, 0});
    s.pointer.eyeEvent = true;
    EXPECT_EQ(runGestureAction(s, desktop, GestureEye, {0, 0}), GestureAction::DragRelease);
    EXPECT_FALSE(s.pointer.buttonHeld);
    EXPECT_EQ(kinds(), (std::vector<DesktopCall::Kind>{
                           DesktopCall::ButtonDown, DesktopCall::ButtonDown, DesktopCall::ButtonUp,
                           DesktopCall::ButtonDown, DesktopCall::ButtonUp}));
    EXPECT_TRUE(desktop.keyboardMessages().empty());
}

TEST_F(Clicks, KeyboardGetsKeyPressInsideAndClickOutsideInGestureOrder) {
    setGestures({1, 1, 1}, {0, 0, 0});
    showKeyboard();
    EXPECT_EQ(runGestureAction(s, desktop, GestureMouth, {400, 600}), GestureAction::KeyPress);
    EXPECT_EQ(desktop.calls,
              (std::vector<DesktopCall>{{DesktopCall::KeyboardMessage, 77, 1044, 87, 48}}));

    desktop.calls.clear();
    runGestureAction(s, desktop, GestureEye, {306, 600});  // on the edge: outside
    EXPECT_EQ(kinds(),
              (std::vector<DesktopCall::Kind>{DesktopCall::KeyboardMessage, DesktopCall::ButtonDown,
                                              DesktopCall::ButtonUp}));
    EXPECT_EQ(desktop.keyboardMessages(), std::vector<int32_t>{1057});

    for (const int gesture : {GestureMouth, GestureDwell}) {
        desktop.calls.clear();
        runGestureAction(s, desktop, gesture, {10, 10});
        EXPECT_EQ(kinds(),
                  (std::vector<DesktopCall::Kind>{DesktopCall::ButtonDown, DesktopCall::ButtonUp,
                                                  DesktopCall::KeyboardMessage}));
        EXPECT_EQ(desktop.calls.back(),
                  (DesktopCall{DesktopCall::KeyboardMessage, 77, 1057, 0, 0}));
    }

    // Hidden keyboard: plain clicks, no message ever.
    s.keyboard.hidden = true;
    desktop.calls.clear();
    runGestureAction(s, desktop, GestureEye, {400, 600});
    EXPECT_EQ(kinds(),
              (std::vector<DesktopCall::Kind>{DesktopCall::ButtonDown, DesktopCall::ButtonUp}));
}

TEST_F(Clicks, KeyPressOverKeyboardReleasesAHeldDrag) {
    showKeyboard();
    s.pointer.eyeEvent = true;
    runGestureAction(s, desktop, GestureEye, {10, 10});  // drag press
    ASSERT_TRUE(s.pointer.buttonHeld);
    s.pointer.mouthEvent = true;
    runGestureAction(s, desktop, GestureMouth, {400, 600});
    EXPECT_FALSE(s.pointer.buttonHeld);
    EXPECT_EQ(kinds(),
              (std::vector<DesktopCall::Kind>{DesktopCall::ButtonDown, DesktopCall::ButtonUp,
                                              DesktopCall::KeyboardMessage}));
}

TEST_F(Clicks, EyeSideFollowsTheFaceAndSwingsWithIt) {
    // Centred face: a tie, which takes the eye at the smaller column.
    EXPECT_EQ(eyePatchRect(s, 320.0, 200.0), (PatchRect{320 - 20 - 30, 191, 61, 37}));
    // Three columns right: the other eye, swung back by trunc(5 sin(3.857)) = -3.
    EXPECT_EQ(eyePatchRect(s, 323.0, 200.0).left, 323 + 20 - 3 - 30);
    // Three columns left: the first eye, swung by +3.
    EXPECT_EQ(eyePatchRect(s, 317.0, 200.0).left, 317 - 20 + 3 - 30);
    // A wider eye gap reverses the choice.
    s.face.halfEyeGap = 40;
    EXPECT_EQ(eyePatchRect(s, 317.0, 200.0).left, 317 + 40 + 3 - 30);
    // Vertical swing: two rows down gives trunc(-5 sin(3.0)) = 0, four rows
    // down trunc(-5 sin(6.0)) = 1, which lifts the patch by one row.
    EXPECT_EQ(eyePatchRect(s, 320.0, 204.0).top, 204 - 9 - 1);
}

TEST_F(Clicks, MissingPatchBuffersRaiseNoEvent) {
    setGestures({1, 1, 0}, {0, 0, 0});
    probe.eyeMotion = 100;
    probe.mouthMotion = 100;
    s.clickPatches.eyePatchCurrent.clear();
    freeFeatureSet(s.clickPatches.mouthMotion);
    still();
    EXPECT_FALSE(s.pointer.eyeEvent);
    EXPECT_FALSE(s.pointer.mouthEvent);
    EXPECT_TRUE(probe.calls.empty());
}

}  // namespace
}  // namespace quil
