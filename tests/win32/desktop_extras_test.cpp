// The hands-free extras of the Windows desktop, in process and on the real
// (virtual) screen: the wheel reaching a window, the band over the camera
// view, the tray icon's pause, the dwell ring that takes no click or focus,
// refused windows and the screens' rectangle.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app_layer/texts.h"
#include "keyboard_link/protocol.h"
#include "program_harness.h"
#include "shell/refused_window.h"
#include "shell/ring_picture.h"
#include "shell_fixture.h"
#include "tracker/views.h"

namespace quil::win {
namespace {

constexpr char kTargetClass[] = "QuilExtrasTarget";

// What a window of the user's received: the wheel's turns and the clicks.
struct Received {
    int wheels = 0;
    int wheelTotal = 0;
    int tilts = 0;
    int tiltTotal = 0;
    int clicks = 0;
};

LRESULT CALLBACK targetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* got = reinterpret_cast<Received*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (got != nullptr) {
        switch (message) {
            case WM_MOUSEWHEEL:
                ++got->wheels;
                got->wheelTotal += GET_WHEEL_DELTA_WPARAM(wParam);
                return 0;
            case WM_MOUSEHWHEEL:
                ++got->tilts;
                got->tiltTotal += GET_WHEEL_DELTA_WPARAM(wParam);
                return 0;
            case WM_LBUTTONUP:
                ++got->clicks;
                return 0;
            default:
                break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The colour the screen shows at p.
COLORREF screenAt(POINT p) {
    const HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

// The main window, and a window of the user's in the foreground with the
// pointer over its middle.
class Extras : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        WNDCLASSA c{};
        c.lpfnWndProc = targetProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        c.lpszClassName = kTargetClass;
        RegisterClassA(&c);
        target =
            CreateWindowExA(0, kTargetClass, "target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                            400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(target, nullptr);
        SetWindowLongPtrA(target, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&got));
        SetForegroundWindow(target);
        SetFocus(target);
        ASSERT_TRUE(pumpUntil([&] { return GetForegroundWindow() == target; }));
        SetCursorPos(middle.x, middle.y);
    }
    void TearDown() override {
        if (IsWindow(target)) DestroyWindow(target);
        MainWindow::TearDown();
    }
    Win32Desktop& desktop() { return app->desktop; }

    Received got;
    HWND target = nullptr;
    const POINT middle{300, 250};
};

TEST_F(Extras, TheWheelTurnsReachTheWindowWithTheirSignsAndTotals) {
    desktop().scrollWheel(0, 0);  // no turn: nothing sent
    desktop().scrollWheel(120, 0);
    desktop().scrollWheel(240, 0);
    desktop().scrollWheel(-60, 0);
    desktop().scrollWheel(0, -240);
    desktop().scrollWheel(0, 120);
    desktop().scrollWheel(-120, 360);
    ASSERT_TRUE(pumpUntil([&] { return got.wheelTotal == 180 && got.tiltTotal == 240; }))
        << got.wheelTotal << " " << got.tiltTotal;
    // Each call with a turn is one message per direction; the empty one none.
    EXPECT_EQ(got.wheels, 4);
    EXPECT_EQ(got.tilts, 3);
}

TEST_F(Extras, TheViewsBandNamesTheModeAndANoticeForAWhile) {
    chooseCornerView(s());
    moveViewWindows(s(), desktop());
    ShowWindow(main, SW_SHOWNOACTIVATE);
    desktop().showHeadMode(HeadMode::Scrolling);
    const HWND band = desktop().notice.window();
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(GetParent(band), main);
    EXPECT_TRUE(IsWindowVisible(band));
    EXPECT_EQ(wintest::windowText(band), kScrollingNotice);
    RECT r{};
    GetClientRect(band, &r);
    EXPECT_EQ(r.right, s().view.viewWidth - 2) << "across the view inside its border";
    // A click on it is the view's (which opens the options).
    RECT onScreen{};
    GetWindowRect(band, &onScreen);
    EXPECT_NE(WindowFromPoint({onScreen.left + 5, onScreen.top + 3}), band);

    desktop().showHeadMode(HeadMode::Paused);
    EXPECT_EQ(wintest::windowText(band), kPausedNotice);
    EXPECT_EQ(std::string(app->trayIcon.szTip), kPausedTrayTip);
    EXPECT_EQ(app->trayIcon.hIcon, LoadIconA(GetModuleHandleA(nullptr), kPausedIconName));
    EXPECT_NE(app->trayIcon.hIcon, nullptr) << "the paused icon is in the resources";
    // Painted in the mode's colour: amber (the view itself is white here).
    const POINT onBand{onScreen.left + 2, onScreen.top + 1};
    EXPECT_TRUE(pumpUntil(
        [&] { return GetRValue(screenAt(onBand)) > 150 && GetBValue(screenAt(onBand)) < 60; }));
    wintest::screenshot("paused_view");

    // The long notice wraps over several lines of the small view, then goes
    // back to the mode.
    desktop().showNotice(DesktopNotice::RefusedWindow);
    EXPECT_EQ(wintest::windowText(band), kRefusedWindowNotice);
    RECT tall{};
    GetClientRect(band, &tall);
    EXPECT_GT(tall.bottom, r.bottom) << "one line cannot hold it";
    EXPECT_LE(tall.bottom, s().view.viewHeight);
    EXPECT_TRUE(pumpUntil(
        [&] { return GetRValue(screenAt(onBand)) > 150 && GetGValue(screenAt(onBand)) < 60; }));
    wintest::screenshot("refused_window_notice");
    EXPECT_TRUE(pumpUntil([&] { return wintest::windowText(band) == kPausedNotice; },
                          kNoticeShowMs + 3000));

    desktop().showHeadMode(HeadMode::Pointing);
    EXPECT_FALSE(IsWindowVisible(band));
    EXPECT_EQ(std::string(app->trayIcon.szTip), kTrayTip);
    EXPECT_EQ(app->trayIcon.hIcon, LoadIconA(GetModuleHandleA(nullptr), kIconName));
}

TEST_F(Extras, TheRingFollowsThePointerAndTakesNeitherTheClickNorTheFocus) {
    desktop().showDwellRing({middle.x, middle.y}, 400);
    const HWND ring = desktop().ring.window();
    ASSERT_NE(ring, nullptr);
    EXPECT_TRUE(IsWindowVisible(ring));
    constexpr LONG_PTR kStyles =
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    EXPECT_EQ(GetWindowLongPtrA(ring, GWL_EXSTYLE) & kStyles, kStyles);
    RECT r{};
    GetWindowRect(ring, &r);
    EXPECT_EQ((r.left + r.right) / 2, middle.x);
    EXPECT_EQ((r.top + r.bottom) / 2, middle.y);
    // On the screen: the window's white beside it, the ring's blue on its
    // filled side (twelve to about five o'clock) and not on the other.
    const POINT filledSide{middle.x + kRingSide * 38 / 100, middle.y};
    const POINT emptySide{middle.x - kRingSide * 38 / 100, middle.y};
    const auto blue = [](COLORREF c) { return GetBValue(c) > 180 && GetRValue(c) < 100; };
    EXPECT_TRUE(pumpUntil([&] {
        return screenAt({middle.x + 60, middle.y}) == RGB(255, 255, 255) &&
               blue(screenAt(filledSide)) && !blue(screenAt(emptySide));
    })) << std::hex
        << screenAt(filledSide) << " " << screenAt(emptySide);
    wintest::screenshot("dwell_ring");

    // The click it announces lands on the window beneath, which keeps the
    // focus.
    EXPECT_EQ(WindowFromPoint(middle), target);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return got.clicks == 1; }));
    EXPECT_EQ(GetForegroundWindow(), target);

    // Filling further and moving with the head, it stays a ring over the
    // pointer; at 0 it goes.
    desktop().showDwellRing({middle.x + 30, middle.y - 20}, 1000);
    GetWindowRect(ring, &r);
    EXPECT_EQ((r.left + r.right) / 2, middle.x + 30);
    EXPECT_EQ((r.top + r.bottom) / 2, middle.y - 20);
    EXPECT_EQ(desktop().ring.shown(), 1000);
    desktop().showDwellRing({middle.x, middle.y}, 0);
    EXPECT_FALSE(IsWindowVisible(ring));
    EXPECT_EQ(desktop().ring.shown(), 0);
    EXPECT_EQ(GetForegroundWindow(), target);
}

TEST_F(Extras, NeitherOurOwnWindowsNorAnotherOrdinaryProgramsRefuse) {
    RECT view{};
    GetWindowRect(main, &view);
    ShowWindow(main, SW_SHOWNOACTIVATE);
    const POINT onView{(view.left + view.right) / 2, (view.top + view.bottom) / 2};
    ASSERT_TRUE(pumpUntil([&] { return WindowFromPoint(onView) != nullptr; }));
    EXPECT_EQ(ownerFactsAt(onView).owner, WindowOwner::Us);
    EXPECT_FALSE(desktop().windowRefusesInput({onView.x, onView.y}));

    // Another program of the same user: Wine's Notepad.
    wintest::Program other("C:/windows/notepad.exe", wintest::freshWorkDir("refused"));
    ASSERT_TRUE(other.started());
    const HWND pad = other.waitWindow("Notepad", nullptr, true);
    ASSERT_NE(pad, nullptr);
    SetWindowPos(pad, HWND_TOPMOST, 600, 100, 300, 200, SWP_SHOWWINDOW);
    const POINT onPad{750, 200};
    ASSERT_TRUE(pumpUntil([&] { return GetAncestor(WindowFromPoint(onPad), GA_ROOT) == pad; }));
    const WindowOwnerFacts facts = ownerFactsAt(onPad);
    EXPECT_EQ(facts.owner, WindowOwner::Other);
    EXPECT_EQ(facts.theirs, processElevation(GetCurrentProcessId()));
    EXPECT_FALSE(desktop().windowRefusesInput({onPad.x, onPad.y}));
}

// The extras' items of the tray menu: positions in the Windows menu.
constexpr int kPauseItem = 4;
constexpr int kScrollItem = 5;
constexpr int kAllScreensItem = 6;
constexpr int kClickSoundsItem = 7;
constexpr int kKeepPauseItem = 8;

// Chosen as the menu chooses them (the command it sends); the menu drawn
// afterwards shows the ticks.
TEST_F(Extras, TheExtrasTrayItemsTickTheirChoicesAndAskTheTracker) {
    app->optionsFile = wintest::freshWorkDir("extras-items") / "options.cfg";
    const std::vector<MenuItem> before = visitTrayMenu(main, -1);
    ASSERT_GT(before.size(), size_t{kKeepPauseItem});
    for (const TrayCommand command :
         {TrayCommand::AllScreens, TrayCommand::ClickSounds, TrayCommand::KeepPause}) {
        EXPECT_EQ(send(WM_COMMAND, commandId(command)), 1);
    }
    const std::vector<MenuItem> after = visitTrayMenu(main, -1);
    ASSERT_GT(after.size(), size_t{kKeepPauseItem});
    for (const int item : {kAllScreensItem, kClickSoundsItem, kKeepPauseItem}) {
        const auto at = static_cast<size_t>(item);
        EXPECT_EQ(before[at].state & MF_CHECKED, 0u) << before[at].text;
        EXPECT_NE(after[at].state & MF_CHECKED, 0u) << after[at].text;
    }
    EXPECT_TRUE(s().shared.allScreens);
    EXPECT_TRUE(s().shared.clickSounds);
    EXPECT_TRUE(s().shared.keepPause);
    EXPECT_TRUE(std::filesystem::exists(app->optionsFile)) << "the choices are saved";

    // Pause and Scroll only ask; the tracker takes the requests at its next
    // frame. The keyboard's keys ask the same through their messages.
    EXPECT_EQ(after[kPauseItem].text, "Pause");
    EXPECT_EQ(after[kScrollItem].text, "Scroll");
    send(WM_COMMAND, commandId(TrayCommand::Pause));
    EXPECT_TRUE(s().shared.pauseToggleRequested.exchange(false));
    send(WM_COMMAND, commandId(TrayCommand::Scroll));
    EXPECT_TRUE(s().shared.scrollToggleRequested.exchange(false));
    send(keyboard::kMsgKeyboardScroll);
    EXPECT_TRUE(s().shared.scrollToggleRequested.exchange(false));
    send(keyboard::kMsgKeyboardPause);
    EXPECT_TRUE(s().shared.pauseToggleRequested.exchange(false));
}

constexpr int kWordSuggestionsItem = 9;

// What a stand-in for the keyboard's window heard of the suggestions option.
std::vector<WPARAM> heardSuggestions;
WNDPROC staticProc = nullptr;
LRESULT CALLBACK keyboardStandIn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == keyboard::kMsgSuggestions) {
        heardSuggestions.push_back(wParam);
        return 0;
    }
    return CallWindowProcA(staticProc, window, message, wParam, lParam);
}

// The keyboard hears the option at the timer's tick after its hello and
// after each change; its dock message with the row gives the taller
// rectangle.
TEST_F(Extras, WordSuggestionsAreTickedSavedAndToldToTheKeyboard) {
    app->optionsFile = wintest::freshWorkDir("extras-words") / "options.cfg";
    const HWND standIn =
        CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "keyboard", WS_POPUP, 0, 0, 412, 192, nullptr,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(standIn, nullptr);
    staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(standIn, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&keyboardStandIn)));
    heardSuggestions.clear();
    send(keyboard::kMsgKeyboardHello, reinterpret_cast<WPARAM>(standIn));
    send(WM_TIMER, 1);
    EXPECT_EQ(heardSuggestions, std::vector<WPARAM>{0});

    EXPECT_EQ(send(WM_COMMAND, commandId(TrayCommand::WordSuggestions)), 1);
    const std::vector<MenuItem> items = visitTrayMenu(main, -1);
    ASSERT_GT(items.size(), size_t{kWordSuggestionsItem});
    EXPECT_EQ(items[kWordSuggestionsItem].text, "Word suggestions");
    EXPECT_NE(items[kWordSuggestionsItem].state & MF_CHECKED, 0u);
    EXPECT_TRUE(std::filesystem::exists(app->optionsFile)) << "the choice is saved";
    send(WM_TIMER, 1);
    send(WM_TIMER, 1);
    EXPECT_EQ(heardSuggestions, (std::vector<WPARAM>{0, 1}));

    send(keyboard::kMsgKeyboardDock, keyboard::kDockBottomCentre | keyboard::kDockSuggestionRow);
    EXPECT_EQ(s().keyboard.bottom - s().keyboard.top, keyboard::kKeyboardHeightWithSuggestions);
    EXPECT_EQ(s().keyboard.bottom, kScreenHeight - keyboard::kBottomGap);
    DestroyWindow(standIn);
}

TEST_F(Extras, AllScreensIsTheVirtualScreen) {
    // The suite's display is one 1024 x 768 monitor; two monitors are
    // tested by win32_screens_test in a display of its own.
    EXPECT_EQ(desktop().allScreensRect(), (ScreenRect{0, 0, kScreenWidth, kScreenHeight}));
}

}  // namespace
}  // namespace quil::win
