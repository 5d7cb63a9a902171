// The simulated desktop and the scenes on their own.
#include <gtest/gtest.h>

#include <memory>

#include "keyboard_link/keyboard_link.h"
#include "sim/scene.h"
#include "sim/sim_desktop.h"
#include "sim/y4m.h"

namespace quil::sim {
namespace {

TEST(SimDesktop, KeyboardProgramAnnouncesItselfAFewTicksAfterItsLaunchAndDocks) {
    auto state = std::make_unique<TrackerState>();
    state->session.screenWidth = 1024;
    state->session.screenHeight = 768;
    SimDesktop desktop(*state, 1024, 768, true);
    desktop.beginTick(10);
    desktop.launchKeyboard();
    EXPECT_EQ(desktop.tickEvents(), std::vector<std::string>{"keyboard_launched"});
    for (int64_t t = 11; t < 10 + kKeyboardHelloDelay; ++t) {
        desktop.beginTick(t);
        EXPECT_EQ(state->keyboard.window.load(), 0u) << t;
    }
    desktop.beginTick(10 + kKeyboardHelloDelay);
    EXPECT_EQ(state->keyboard.window.load(), kKeyboardWindow);
    EXPECT_FALSE(state->keyboard.hidden.load());
    EXPECT_TRUE(desktop.keyboardVisible());
    EXPECT_EQ(state->keyboard.left, (1024 - kKeyboardWidth) / 2);
    EXPECT_EQ(state->keyboard.top, 768 - 222);

    desktop.pressKeyboardKey(kKeyboardWindow);
    desktop.hideKeyboard(kKeyboardWindow);
    desktop.hideKeyboard(kKeyboardWindow);  // already hidden: no second event
    EXPECT_EQ(desktop.tickEvents(), (std::vector<std::string>{"key_press_msg", "keyboard_hidden"}));
    EXPECT_EQ(desktop.keyboardInbox(), std::vector<unsigned>{keyboard::kMsgKeyPress});
    // A second launch does not start a second program.
    desktop.launchKeyboard();
    desktop.beginTick(100);
    EXPECT_EQ(desktop.keyboardInbox().size(), 1u);
}

TEST(SimDesktop, WithoutTheProgramALaunchComesToNothingAndThePointerStaysOnScreen) {
    auto state = std::make_unique<TrackerState>();
    SimDesktop desktop(*state, 1024, 768, false);
    desktop.beginTick(0);
    desktop.launchKeyboard();
    for (int64_t t = 1; t < 20; ++t) desktop.beginTick(t);
    EXPECT_EQ(state->keyboard.window.load(), 0u);
    // Messages to a window that never said hello go nowhere.
    desktop.pressKeyboardKey(kKeyboardWindow);
    EXPECT_TRUE(desktop.keyboardInbox().empty());
    desktop.setCursorPos(-50, 5000);
    EXPECT_EQ(desktop.pointer(), (ScreenPoint{0, 767}));
    desktop.leftButtonDown();
    desktop.leftButtonUp();
    EXPECT_EQ(desktop.tickEvents(), (std::vector<std::string>{"down", "up"}));
    desktop.startEyesWindow();
    EXPECT_TRUE(desktop.eyesWindowOpen());
    EXPECT_EQ(state->shared.eyesWindow.load(), kEyesWindow);
    desktop.closeEyesWindow(kEyesWindow);
    EXPECT_FALSE(desktop.eyesWindowOpen());
}

std::vector<uint8_t> frameAt(Scene& scene, int64_t tick) {
    std::vector<uint8_t> bgr(kBgrBytes);
    UserView view;
    for (int64_t t = 0; t <= tick; ++t) scene.advance(t, view);
    scene.render(bgr);
    return bgr;
}

TEST(Scenes, AreDeterministicPerSeedAndDifferBetweenSeeds) {
    for (const auto& name : sceneNames()) EXPECT_FALSE(sceneDescription(name).empty()) << name;
    EXPECT_EQ(makeScene("no such scene", 1, 0), nullptr);
    auto a = makeScene("calibrate", 7, 3);
    auto b = makeScene("calibrate", 7, 3);
    auto c = makeScene("calibrate", 8, 3);
    const auto fa = frameAt(*a, 30), fb = frameAt(*b, 30), fc = frameAt(*c, 30);
    EXPECT_EQ(fa, fb);
    EXPECT_NE(fa, fc);
    // The person is there: the head's middle differs from the empty room.
    auto empty = makeScene("empty", 7, 3);
    const auto fe = frameAt(*empty, 30);
    const auto& pose = a->pose();
    const size_t at = (static_cast<size_t>(479 - (static_cast<int>(pose.headY) - 20)) * 640 +
                       static_cast<size_t>(pose.headX)) *
                          3 +
                      2;
    EXPECT_GT(std::abs(int(fa[at]) - int(fe[at])), 10);
}

TEST(Scenes, ABlinkClosesTheEyesForAFewFramesOnly) {
    auto scene = makeScene("calibrate", 3, 0);
    UserView view;
    int closedTicks = 0, blinks = 0;
    double lastClose = 0;
    for (int64_t t = 0; t < 200; ++t) {
        view.eyesWindowOpen = t > 30;
        scene->advance(t, view);
        const double close = scene->pose().eyeClose;
        if (close > 0.5) ++closedTicks;
        if (close > 0.5 && lastClose <= 0.5) ++blinks;
        lastClose = close;
    }
    EXPECT_GE(blinks, 5);
    EXPECT_LE(closedTicks, blinks * 3);
}

}  // namespace
}  // namespace quil::sim
