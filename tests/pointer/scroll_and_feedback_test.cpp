// The scroll mode's wheel and the clicks' feedback: the ring's fill, the
// sounds, and the refused windows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pointer/click_feedback.h"
#include "pointer/clicks.h"
#include "pointer/scroll_wheel.h"
#include "tests/support/recording_desktop.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

TEST(WheelRate, NothingInsideTheDeadZoneThenFasterTheFurtherUpToACap) {
    EXPECT_EQ(wheelRate(0.0), 0.0);
    EXPECT_EQ(wheelRate(0.12), 0.0);
    EXPECT_EQ(wheelRate(-0.12), 0.0);
    EXPECT_TRUE(insideScrollDeadZone({0.12, -0.12}));
    EXPECT_FALSE(insideScrollDeadZone({0.0, 0.13}));
    double last = 0.0;
    for (double offset = 0.13; offset < 0.6; offset += 0.02) {
        const double rate = wheelRate(offset);
        EXPECT_GE(rate, last) << offset;
        EXPECT_EQ(wheelRate(-offset), -rate) << offset;
        last = rate;
    }
    EXPECT_GT(wheelRate(0.13), 0.0);
    EXPECT_LT(wheelRate(0.13), 10.0);
    EXPECT_EQ(wheelRate(0.40), 120.0);
    EXPECT_EQ(wheelRate(5.0), 120.0);
    EXPECT_EQ(wheelRate(std::numeric_limits<double>::quiet_NaN()), 0.0);
}

TEST(TurnWheel, SendsWholeQuantaThatAddUpToTheRateAlongTheLargerOffset) {
    for (const HeadOffset offset : {HeadOffset{0.2, -0.15}, HeadOffset{0.15, -0.3}}) {
        ScrollMode mode;
        int64_t up = 0, right = 0;
        const int frames = 50;
        for (int i = 0; i < frames; ++i) {
            const WheelTurn turn = turnWheel(mode, offset);
            EXPECT_EQ(turn.vertical % kWheelQuantum, 0);
            EXPECT_EQ(turn.horizontal % kWheelQuantum, 0);
            up += turn.vertical;
            right += turn.horizontal;
        }
        const bool vertical = offset.up > -offset.right;
        EXPECT_NEAR(static_cast<double>(up), vertical ? frames * wheelRate(offset.up) : 0.0,
                    kWheelQuantum);
        EXPECT_NEAR(static_cast<double>(right), vertical ? 0.0 : frames * wheelRate(offset.right),
                    kWheelQuantum);
    }
}

TEST(TurnWheel, TurningBackOrComingToRestDropsTheCarryAndBadInputTurnsNothing) {
    ScrollMode mode;
    // A slow rate leaves a carry short of one quantum.
    EXPECT_EQ(turnWheel(mode, {0.14, 0.0}), WheelTurn{});
    EXPECT_GT(mode.carryVertical, 0.0);
    // The other way round: nothing of the first direction is sent.
    const WheelTurn back = turnWheel(mode, {-0.14, 0.0});
    EXPECT_LE(back.vertical, 0);
    EXPECT_LT(mode.carryVertical, 0.0);
    turnWheel(mode, {0.0, 0.0});
    EXPECT_EQ(mode.carryVertical, 0.0);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(turnWheel(mode, {inf, 0.3}), WheelTurn{});
    EXPECT_EQ(turnWheel(mode, {0.3, std::nan("")}), WheelTurn{});
}

class Feedback : public ::testing::Test {
protected:
    TrackerState s;
    RecordingDesktop desktop;
    void choose(int gesture, bool click) {
        auto& row = click ? s.shared.clickGestures : s.shared.dragGestures;
        row[static_cast<size_t>(gesture)] = 1;
    }
    int count(DesktopCall::Kind kind) const { return static_cast<int>(desktop.of(kind).size()); }
};

TEST_F(Feedback, TheRingShowsFromHalfTheDwellAndOnlyForChosenGestures) {
    s.pointer.dwellLimit = 20;
    s.pointer.dwellFrames = 9;
    EXPECT_EQ(dwellRingFill(s), 0);  // dwell not chosen
    choose(GestureDwell, true);
    EXPECT_EQ(dwellRingFill(s), 0);  // under half
    s.pointer.dwellFrames = 10;
    EXPECT_EQ(dwellRingFill(s), 500);
    s.pointer.dwellFrames = 19;
    EXPECT_EQ(dwellRingFill(s), 950);
    // The precise engine's holds count when chosen, the further one wins,
    // and a spent hold not at all.
    s.engine = PreciseEngine;
    choose(GestureEye, false);
    s.pointer.dwellFrames = 0;
    s.precise.deliberate.holdLength = 5;
    s.precise.deliberate.eyesClosedFrames = 2;
    EXPECT_EQ(dwellRingFill(s), 0);
    s.precise.deliberate.eyesClosedFrames = 4;
    EXPECT_EQ(dwellRingFill(s), 800);
    s.precise.deliberate.eyesSpent = true;
    EXPECT_EQ(dwellRingFill(s), 0);
    s.precise.deliberate.mouthOpenFrames = 5;  // mouth not chosen
    EXPECT_EQ(dwellRingFill(s), 0);
    s.precise.deliberate.holdLength = 0;  // never divided by
    s.precise.deliberate.eyesSpent = false;
    EXPECT_EQ(dwellRingFill(s), 0);
}

TEST_F(Feedback, TheRingIsToldOnlyOfChanges) {
    showDwellRing(s, desktop, {5, 6}, 0);
    showDwellRing(s, desktop, {5, 6}, 600);
    showDwellRing(s, desktop, {5, 6}, 600);
    showDwellRing(s, desktop, {7, 6}, 600);
    hideDwellRing(s, desktop);
    hideDwellRing(s, desktop);
    showDwellRing(s, desktop, {7, 6}, 5000);
    const std::vector<DesktopCall> expected{{DesktopCall::DwellRing, 0, 5, 6, 600},
                                            {DesktopCall::DwellRing, 0, 7, 6, 600},
                                            {DesktopCall::DwellRing, 0, 7, 6, 0},
                                            {DesktopCall::DwellRing, 0, 7, 6, 1000}};
    EXPECT_EQ(desktop.calls, expected);
}

// The keyboard hears the dwell's progress over it only when it changes,
// only when there is a keyboard to tell, and only with the word
// suggestions on (without them the keyboard stays as it always was).
TEST_F(Feedback, TheKeyboardIsToldOfTheDwellOnlyOfChangesAndOnlyWhenThere) {
    s.keyboard.window = 77;
    showDwellOnKeyboard(s, desktop, 600);
    EXPECT_TRUE(desktop.calls.empty()) << "word suggestions off";
    s.shared.wordSuggestions = true;
    s.keyboard.window = 0;
    showDwellOnKeyboard(s, desktop, 600);
    EXPECT_TRUE(desktop.calls.empty()) << "no keyboard window yet";
    s.keyboard.window = 77;
    showDwellOnKeyboard(s, desktop, 600);
    showDwellOnKeyboard(s, desktop, 600);
    showDwellOnKeyboard(s, desktop, 5000);
    showDwellOnKeyboard(s, desktop, 0);
    showDwellOnKeyboard(s, desktop, 0);
    const auto dwell = static_cast<int32_t>(keyboard::kMsgDwellProgress);
    const std::vector<DesktopCall> expected{{DesktopCall::KeyboardMessage, 77, dwell, 600, 0},
                                            {DesktopCall::KeyboardMessage, 77, dwell, 1000, 0},
                                            {DesktopCall::KeyboardMessage, 77, dwell, 0, 0}};
    EXPECT_EQ(desktop.calls, expected);
}

TEST_F(Feedback, SoundsForClicksPressesAndReleasesOnlyWhenChosen) {
    choose(GestureEye, true);
    choose(GestureMouth, false);
    runGestureAction(s, desktop, GestureEye, {});
    EXPECT_EQ(count(DesktopCall::ClickSound), 0);
    s.shared.clickSounds = true;
    runGestureAction(s, desktop, GestureEye, {});
    runGestureAction(s, desktop, GestureMouth, {});
    runGestureAction(s, desktop, GestureMouth, {});
    const auto sounds = desktop.of(DesktopCall::ClickSound);
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0].a, static_cast<int32_t>(ClickSound::Click));
    EXPECT_EQ(sounds[1].a, static_cast<int32_t>(ClickSound::Press));
    EXPECT_EQ(sounds[2].a, static_cast<int32_t>(ClickSound::Release));
}

TEST_F(Feedback, ARefusedWindowGetsNoClickAndTheNoticeOncePerEpisode) {
    choose(GestureEye, true);
    desktop.refusing = true;
    s.pointer.eyeEvent = true;
    EXPECT_EQ(runGestureAction(s, desktop, GestureEye, {40, 50}), GestureAction::None);
    EXPECT_FALSE(s.pointer.eyeEvent);
    EXPECT_TRUE(s.pointer.clickCooldown);
    runGestureAction(s, desktop, GestureEye, {40, 50});
    EXPECT_EQ(count(DesktopCall::ButtonDown), 0);
    EXPECT_EQ(count(DesktopCall::Notice), 1);
    // Enough time later it is told again.
    for (int i = 0; i < 300; ++i) countRefusalTime(s.handsFree.refusal);
    runGestureAction(s, desktop, GestureEye, {40, 50});
    EXPECT_EQ(count(DesktopCall::Notice), 2);
    // A click that goes through starts a new episode.
    desktop.refusing = false;
    EXPECT_EQ(runGestureAction(s, desktop, GestureEye, {40, 50}), GestureAction::Click);
    desktop.refusing = true;
    runGestureAction(s, desktop, GestureEye, {40, 50});
    EXPECT_EQ(count(DesktopCall::Notice), 3);
    EXPECT_EQ(count(DesktopCall::ButtonDown), 1);
}

TEST_F(Feedback, AReleaseAlwaysGoesAndTheKeyboardIsNeverAsked) {
    choose(GestureMouth, false);
    choose(GestureEye, true);
    s.pointer.buttonHeld = true;
    desktop.refusing = true;
    EXPECT_EQ(runGestureAction(s, desktop, GestureMouth, {}), GestureAction::DragRelease);
    EXPECT_EQ(count(DesktopCall::ButtonUp), 1);
    EXPECT_EQ(desktop.refusalQuestions, 0);
    // Over our own keyboard the key is pressed whatever lies below it.
    s.keyboard.window = 14;
    s.keyboard.hidden = false;
    s.keyboard.left = 0, s.keyboard.top = 0, s.keyboard.right = 100, s.keyboard.bottom = 100;
    EXPECT_EQ(runGestureAction(s, desktop, GestureEye, {50, 50}), GestureAction::KeyPress);
    EXPECT_EQ(desktop.refusalQuestions, 0);
}

}  // namespace
}  // namespace quil
