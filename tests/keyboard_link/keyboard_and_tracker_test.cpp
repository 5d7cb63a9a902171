// The keyboard's rules and the tracker's side of the link joined as the
// Linux program joins them (its keyboard's messages handed straight to the
// link): the tracker keys reach the tracker's requests, and wherever the
// keyboard docks, the tracker's rectangle is the window's.
#include <gtest/gtest.h>

#include "keyboard_link/keyboard_link.h"
#include "onscreen_keyboard/panel_rules.h"
#include "tests/onscreen_keyboard/keys_for_tests.h"
#include "tests/onscreen_keyboard/recording.h"
#include "tests/support/recording_desktop.h"

namespace quil {
namespace {

using osk::KeyKind;
using osk::testing::keyOf;

class KeyboardAndTracker : public ::testing::Test {
protected:
    KeyboardAndTracker() {
        s.session.screenWidth = 1024;
        s.session.screenHeight = 768;
        setKeyboardDefaultRect(s);
        events = osk::asTrackerMessages([this](unsigned m, std::uintptr_t w, std::intptr_t l) {
            handleKeyboardMessage(s, m, w, l);
        });
        rules.launch();
        window.runQueued();
    }
    void press(KeyKind kind, char16_t base = 0) {
        const osk::Key& k = keyOf(kind, base);
        const osk::Point o = window.origin();
        window.pointerAt = {o.x + (k.left + k.right) / 2, o.y + (k.top + k.bottom) / 2};
        rules.pressKey();
    }
    [[nodiscard]] keyboard::Rect trackersRect() const {
        return {s.keyboard.left, s.keyboard.top, s.keyboard.right, s.keyboard.bottom};
    }

    TrackerState s;
    testing::RecordingDesktop desktop;
    osk::testing::RecordingWindow window;
    osk::testing::RecordingSink sink;
    osk::KeyboardEvents events;
    osk::PanelRules rules{window, sink, events};
};

TEST_F(KeyboardAndTracker, TheTrackerKeysAskForTheScrollModeAndThePause) {
    EXPECT_EQ(s.keyboard.window, osk::testing::RecordingWindow::kHandle);
    press(KeyKind::Scroll);
    EXPECT_TRUE(s.shared.scrollToggleRequested);
    EXPECT_FALSE(s.shared.pauseToggleRequested);
    press(KeyKind::Pause);
    EXPECT_TRUE(s.shared.pauseToggleRequested);
    EXPECT_TRUE(sink.typed.empty());
}

TEST_F(KeyboardAndTracker, WhereverItDocksTheTrackersRectangleIsTheWindows) {
    const auto expectSame = [this] {
        ASSERT_TRUE(window.placed.has_value());
        EXPECT_EQ(trackersRect(), *window.placed);
    };
    expectSame();
    press(KeyKind::Dock, u'5');
    expectSame();
    EXPECT_TRUE(s.keyboard.dockedCorner);
    // A second monitor right of the first, then one left of and above it.
    for (const keyboard::Rect monitor :
         {keyboard::Rect{1024, 0, 2944, 1080}, keyboard::Rect{-1280, -300, 0, 724}}) {
        window.monitor = monitor;
        for (const char16_t code : {u'1', u'2', u'3', u'4', u'5'}) {
            press(KeyKind::Dock, code);
            expectSame();
            EXPECT_FALSE(s.keyboard.dockedCorner) << "the corner view is on the first monitor";
        }
    }
    // Hidden by its key, shown by the tracker's nod with the pointer back on
    // the first monitor.
    press(KeyKind::Hide);
    window.monitor.reset();
    EXPECT_TRUE(toggleKeyboard(s, desktop));
    rules.show();
    window.runQueued();
    expectSame();
    EXPECT_TRUE(s.keyboard.dockedCorner);
}

}  // namespace
}  // namespace quil
