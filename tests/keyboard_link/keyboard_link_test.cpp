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
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 508, 738}));
    s.session.screenWidth = 1366;
    setKeyboardDefaultRect(s);
    EXPECT_EQ(rectOf(s), (Rect{477, 889, 508, 738}));
}

TEST_F(KeyboardLink, DockCodesPlaceTheRectangle) {
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '4', 0);
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 0, 230}));
    EXPECT_FALSE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, 0x7700 | '5',
                          0);  // only the low byte counts
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 508, 738}));
    EXPECT_TRUE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '2', 0);
    EXPECT_EQ(rectOf(s), (Rect{0, 412, 508, 738}));
    EXPECT_FALSE(s.keyboard.dockedCorner);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '3', 0);
    EXPECT_EQ(rectOf(s), (Rect{0, 412, 0, 230}));
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '5', 0);
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '1', 0);
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 508, 738}));
    EXPECT_FALSE(s.keyboard.dockedCorner);

    // Any other code changes nothing.
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '5', 0);
    for (const std::uintptr_t code :
         {std::uintptr_t{'0'}, std::uintptr_t{'6'}, std::uintptr_t{0}, std::uintptr_t{0x130}}) {
        handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, code, 0);
        EXPECT_EQ(rectOf(s), (Rect{612, 1024, 508, 738}));
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
    dockAt('5', 1024 + 868, 1024 - 260);
    EXPECT_EQ(rectOf(s), (Rect{1892, 2304, 764, 994}));
    EXPECT_FALSE(s.keyboard.dockedCorner);
    dockAt('3', -1280, -300);
    EXPECT_EQ(rectOf(s), (Rect{-1280, -868, -300, -70}));
    dockAt('5', 612, 508);  // the tracker's own screen's corner after all
    EXPECT_TRUE(s.keyboard.dockedCorner);
    // Without the flag the place is not read; a bad code changes nothing.
    handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, '4', keyboard::placeOf(3000, 3000));
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 0, 230}));
    dockAt('9', 5, 5);
    EXPECT_EQ(rectOf(s), (Rect{612, 1024, 0, 230}));
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
    EXPECT_EQ(rectOf(s), (Rect{306, 718, 508, 738}));
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
