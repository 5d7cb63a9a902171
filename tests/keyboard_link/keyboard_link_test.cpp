#include "keyboard_link/keyboard_link.h"

#include <gtest/gtest.h>

#include "tests/support/recording_desktop.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

constexpr WindowHandle kKeyboard = 0x5150;

struct Rect {
    int left, right, top, bottom;
    friend bool operator==(const Rect&, const Rect&) = default;
};
Rect rectOf(const TrackerState& s) {
    return {s.keyboard.left, s.keyboard.right, s.keyboard.top, s.keyboard.bottom};
}

class KeyboardLink : public ::testing::Test {
protected:
    TrackerState s;
    RecordingDesktop desktop;

    void SetUp() override {
        s.session.screenWidth = 1024;
        s.session.screenHeight = 768;
        s.shared.optionFlags[7] = 1;  // medium head movement: 45
        setKeyboardDefaultRect(s);
    }
    void hello() {
        EXPECT_TRUE(handleKeyboardMessage(s, keyboard::kMsgKeyboardHello, kKeyboard, 0));
    }
    DesktopCall shown(ShowMode mode) const {
        return {DesktopCall::Show, kKeyboard, static_cast<int32_t>(mode)};
    }
};

TEST_F(KeyboardLink, DefaultRectangleIsBottomCentre) {
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 546, 738}));
    s.session.screenWidth = 1366;
    setKeyboardDefaultRect(s);
    EXPECT_EQ(rectOf(s), (Rect{477, 889, 546, 738}));
}

TEST_F(KeyboardLink, DockCodesPlaceTheRectangle) {
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '4', 0);
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 0, 192}));
    EXPECT_FALSE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, 0x7700 | '5',
                          0);  // only the low byte counts
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 546, 738}));
    EXPECT_TRUE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '2', 0);
    EXPECT_EQ(rectOf(s), (Rect{0, 412, 546, 738}));
    EXPECT_FALSE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '3', 0);
    EXPECT_EQ(rectOf(s), (Rect{0, 412, 0, 192}));
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '5', 0);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '1', 0);
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 546, 738}));
    EXPECT_FALSE(s.keyboard.dockedCorner);

    // Any other code changes nothing.
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '5', 0);
    for (const std::uintptr_t code :
         {std::uintptr_t{'0'}, std::uintptr_t{'6'}, std::uintptr_t{0}, std::uintptr_t{0x130}}) {
        handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, code, 0);
        EXPECT_EQ(rectOf(s), (Rect{612, 1024, 546, 738}));
        EXPECT_TRUE(s.keyboard.dockedCorner);
    }
}

// A keyboard docked on another monitor says where; its place is believed,
// and only the tracker's own bottom-right dock covers the corner view.
TEST_F(KeyboardLink, ADockOnAnotherMonitorIsTakenAtItsPlace) {
    const auto dockAt = [this](unsigned code, int x, int y) {
        handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, code | keyboard::kDockPlaced,
                              keyboard::placeOf(x, y));
    };
    dockAt('5', 1024 + 868, 1024 - 222);
    EXPECT_EQ(rectOf(s), (Rect{1892, 2304, 802, 994}));
    EXPECT_FALSE(s.keyboard.dockedCorner);
    dockAt('3', -1280, -300);
    EXPECT_EQ(rectOf(s), (Rect{-1280, -868, -300, -108}));
    dockAt('5', 612, 546);  // the tracker's own screen's corner after all
    EXPECT_TRUE(s.keyboard.dockedCorner);
    // Without the flag the place is not read; a bad code changes nothing.
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '4', keyboard::placeOf(3000, 3000));
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 0, 192}));
    dockAt('9', 5, 5);
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 0, 192}));
}

// A keyboard with its suggestions' row says so in its dock message: the
// rectangle is the taller one, at a dock or at its place, and a nod shows it
// at the bottom centre as tall as it last was.
TEST_F(KeyboardLink, TheSuggestionRowMakesTheRectangleTaller) {
    const auto tall = static_cast<std::uintptr_t>(keyboard::kDockSuggestionRow);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, tall | '5', 0);
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 768 - 30 - 230, 738}));
    EXPECT_TRUE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, tall | keyboard::kDockPlaced | '3',
                          keyboard::placeOf(-1280, -300));
    EXPECT_EQ(rectOf(s), (Rect{-1280, -868, -300, -70}));
    hello();
    s.keyboard.hidden = true;
    EXPECT_TRUE(toggleKeyboard(s, desktop));
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 508, 738}));
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '1', 0);
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 546, 738}));
    s.keyboard.hidden = true;
    EXPECT_TRUE(toggleKeyboard(s, desktop));
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 546, 738}));
}

// The option is told once to each keyboard that announces itself, and again
// whenever it changes; with no keyboard, nothing.
TEST_F(KeyboardLink, TheSuggestionsOptionIsToldAfterEachHelloAndEachChange) {
    const auto told = [](bool on) {
        return DesktopCall{DesktopCall::KeyboardMessage, kKeyboard,
                           static_cast<int32_t>(keyboard::kMsgSuggestions), on ? 1 : 0, 0};
    };
    tellKeyboardOptions(s, desktop);
    EXPECT_TRUE(desktop.calls.empty());
    hello();
    tellKeyboardOptions(s, desktop);
    tellKeyboardOptions(s, desktop);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{told(false)}));
    s.shared.wordSuggestions = true;
    tellKeyboardOptions(s, desktop);
    tellKeyboardOptions(s, desktop);
    hello();  // a keyboard started again hears it again
    tellKeyboardOptions(s, desktop);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{told(false), told(true), told(true)}));
}

TEST_F(KeyboardLink, HelloAndGone) {
    hello();
    EXPECT_EQ(s.keyboard.window, kKeyboard);
    EXPECT_FALSE(s.keyboard.hidden);
    EXPECT_FALSE(s.keyboard.stayHidden);

    // Gone after the pointer slowed down over the keyboard restores the
    // undoubled speed.
    s.shared.speedDivisor = 90.0;
    s.keyboard.dockedCorner = true;
    s.keyboard.stayHidden = true;
    EXPECT_TRUE(handleKeyboardMessage(s, keyboard::kMsgKeyboardGone, 0, 0));
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_TRUE(s.keyboard.stayHidden);  // unchanged
    EXPECT_FALSE(s.keyboard.dockedCorner);
    EXPECT_EQ(s.shared.speedDivisor, 45.0);
    EXPECT_DOUBLE_EQ(s.shared.gainX, 1.0 / 5625.0);
    EXPECT_EQ(s.keyboard.window, kKeyboard);  // never cleared

    EXPECT_FALSE(handleKeyboardMessage(s, 1026, 0, 0));
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(KeyboardLink, OptionsWindowHidesAVisibleKeyboardAndShowsItAgain) {
    hello();
    keyboardOnOptionsOpen(s.keyboard, desktop);
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_FALSE(s.keyboard.stayHidden);
    keyboardOnOptionsClose(s.keyboard, desktop);
    EXPECT_FALSE(s.keyboard.hidden);
    EXPECT_TRUE(s.keyboard.stayHidden);
    EXPECT_EQ(desktop.calls,
              (std::vector<DesktopCall>{shown(ShowMode::Hide), shown(ShowMode::Show)}));
}

TEST_F(KeyboardLink, OptionsWindowLeavesAHiddenKeyboardHidden) {
    hello();
    s.keyboard.hidden = true;
    keyboardOnOptionsOpen(s.keyboard, desktop);
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_TRUE(s.keyboard.stayHidden);
    keyboardOnOptionsClose(s.keyboard, desktop);
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_TRUE(s.keyboard.stayHidden);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(KeyboardLink, LostHidesOrRemembersAndCalibrationShowsOnlyWhatItHid) {
    hello();
    keyboardOnTrackerLost(s.keyboard, desktop);
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_FALSE(s.keyboard.stayHidden);
    keyboardOnCalibrated(s.keyboard, desktop);
    EXPECT_FALSE(s.keyboard.hidden);
    EXPECT_TRUE(s.keyboard.stayHidden);
    EXPECT_EQ(desktop.calls,
              (std::vector<DesktopCall>{shown(ShowMode::Hide), shown(ShowMode::Show)}));

    desktop.calls.clear();
    s.keyboard.hidden = true;  // hidden by the user
    s.keyboard.stayHidden = false;
    keyboardOnTrackerLost(s.keyboard, desktop);
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_TRUE(s.keyboard.stayHidden);
    keyboardOnCalibrated(s.keyboard, desktop);
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(KeyboardLink, ToggleShowsAtBottomCentreOrHides) {
    EXPECT_FALSE(toggleKeyboard(s, desktop));  // not announced yet: still due
    hello();
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '3', 0);
    EXPECT_TRUE(toggleKeyboard(s, desktop));
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_TRUE(toggleKeyboard(s, desktop));
    EXPECT_FALSE(s.keyboard.hidden);
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 546, 738}));
    EXPECT_FALSE(s.keyboard.stayHidden);  // untouched
    EXPECT_EQ(desktop.calls,
              (std::vector<DesktopCall>{shown(ShowMode::Hide), shown(ShowMode::Show)}));
}

TEST_F(KeyboardLink, NothingHappensBeforeTheKeyboardAnnouncesItself) {
    keyboardOnOptionsOpen(s.keyboard, desktop);
    keyboardOnOptionsClose(s.keyboard, desktop);
    keyboardOnTrackerLost(s.keyboard, desktop);
    keyboardOnCalibrated(s.keyboard, desktop);
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_FALSE(s.keyboard.stayHidden);
}

}  // namespace
}  // namespace quil
