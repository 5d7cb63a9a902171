// The main window, the eyes window and the capture format rules, in
// process: the window procedure gets its messages exactly as from the
// system, and the state behind it is inspected directly.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "capture/capture.h"
#include "event_log.h"
#include "eyes_window/eyes_window.h"
#include "options/options_file.h"
#include "options/window/options_window.h"
#include "program_harness.h"
#include "shell/app.h"
#include "shell/main_window.h"
#include "shell_fixture.h"
#include "tracker/views.h"

namespace quil::win {
namespace {

using wintest::trayIconExists;

// A plain visible window standing in for the keyboard program's window.
HWND makeKeyboardWindow() {
    return CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "keyboard", WS_POPUP | WS_VISIBLE, 306, 546,
                           412, 192, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST_F(MainWindow, EveryCommandAnswersOneKnownOrNot) {
    s().shared.optionsOpen = true;  // keeps the known commands from opening anything
    for (WPARAM id : {WPARAM{0}, WPARAM{4242}, WPARAM{kCmdAbout}, WPARAM{kCmdManual},
                      WPARAM{kCmdOptions}, WPARAM{kCmdPrecise}, WPARAM{0x10000 | kCmdAbout}}) {
        EXPECT_EQ(send(WM_COMMAND, id), 1) << id;
    }
    EXPECT_EQ(send(kTrayMessage, kTrayIconId, WM_RBUTTONDOWN), 0);
    EXPECT_EQ(send(WM_TIMER, 1), 0);
}

TEST_F(MainWindow, WhileTheOptionsAreOpenAboutDoesNothing) {
    s().shared.optionsOpen = true;
    send(WM_COMMAND, kCmdAbout);
    pumpFor(200);
    EXPECT_FALSE(app->aboutOpen);
    EXPECT_TRUE(wintest::windowsOf(GetCurrentProcessId(), "#32770", kAboutCaption).empty());
}

TEST_F(MainWindow, TheKeyboardHelloMustNameAnExistingWindow) {
    send(WM_USER, static_cast<WPARAM>(0x7ffe1234));
    EXPECT_EQ(s().keyboard.window.load(), 0u) << "a made-up handle was taken";
    EXPECT_TRUE(s().keyboard.hidden);

    keyboard = makeKeyboardWindow();
    send(WM_USER, reinterpret_cast<WPARAM>(keyboard));
    EXPECT_EQ(s().keyboard.window.load(), wintest_handle(keyboard));
    EXPECT_FALSE(s().keyboard.hidden);

    send(WM_USER, static_cast<WPARAM>(0x7ffe1234));
    EXPECT_EQ(s().keyboard.window.load(), wintest_handle(keyboard)) << "nor can it replace one";
}

TEST_F(MainWindow, DockAndGoneMessagesReachTheKeyboardLink) {
    keyboard = makeKeyboardWindow();
    send(WM_USER, reinterpret_cast<WPARAM>(keyboard));
    EXPECT_EQ(send(1045, '5'), 0);
    EXPECT_TRUE(s().keyboard.dockedCorner);
    EXPECT_EQ(s().keyboard.left, kScreenWidth - 412);
    EXPECT_EQ(s().keyboard.top, kScreenHeight - 222);
    EXPECT_EQ(send(1025), 0);
    EXPECT_TRUE(s().keyboard.hidden);
    EXPECT_FALSE(s().keyboard.dockedCorner);
}

TEST_F(MainWindow, OptionsWaitForTrackingThenHideTheKeyboardWhileOpen) {
    keyboard = makeKeyboardWindow();
    send(WM_USER, reinterpret_cast<WPARAM>(keyboard));
    ASSERT_TRUE(s().view.largeView);
    send(WM_COMMAND, kCmdOptions);
    send(WM_LBUTTONUP);
    pumpFor(300);
    EXPECT_TRUE(wintest::windowsOf(GetCurrentProcessId(), kOptionsClassName, nullptr).empty());
    EXPECT_TRUE(IsWindowVisible(keyboard)) << "nothing changes during the head search";

    chooseCornerView(s());
    send(WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(keyboard));
    EXPECT_TRUE(s().keyboard.hidden);
    EXPECT_FALSE(s().keyboard.stayHidden);
    ASSERT_TRUE(pumpUntil([&] { return s().shared.optionsOpen.load(); }));
    const auto windows = wintest::windowsOf(GetCurrentProcessId(), kOptionsClassName, nullptr);
    ASSERT_EQ(windows.size(), 1u);

    // A second request while it is open opens nothing more, and does not
    // take the hidden keyboard for one the user had hidden.
    send(WM_COMMAND, kCmdOptions);
    pumpFor(200);
    EXPECT_EQ(wintest::windowsOf(GetCurrentProcessId(), kOptionsClassName, nullptr).size(), 1u);
    EXPECT_FALSE(s().keyboard.stayHidden);

    // CANCEL (the middle button) closes it and brings the keyboard back.
    PostMessageA(windows.front(), WM_LBUTTONUP, 0, MAKELPARAM(300, 487));
    ASSERT_TRUE(pumpUntil([&] { return !optionsThreadRunning(); }));
    EXPECT_FALSE(s().shared.optionsOpen);
    EXPECT_TRUE(IsWindowVisible(keyboard));
    EXPECT_FALSE(s().keyboard.hidden);
}

// ---------------------------------------------------------------------------
// The tray menu, shown for real. It runs its own loop on this thread until it
// closes, so a second thread reads it while it is open and works it with the
// mouse, as a user would.

constexpr int kPreciseItem = 1;  // right after "Options"

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PreciseTrackingItem : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        dir = std::filesystem::temp_directory_path() /
              ("quil_tray_" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(dir);
        app->optionsFile = dir / "options.cfg";
        loadOptions(s(), app->optionsFile);  // writes the default file
    }
    void TearDown() override {
        MainWindow::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::filesystem::path dir;
};

UINT checkedAndGreyed(const std::vector<MenuItem>& items) {
    if (items.size() <= size_t{kPreciseItem}) return UINT(-1);
    return items[kPreciseItem].state & (MF_CHECKED | MF_GRAYED);
}

TEST_F(PreciseTrackingItem, FollowsOptionsAndIsGreyedWithoutTheModel) {
    ASSERT_FALSE(s().shared.preciseAvailable);
    const std::vector<MenuItem> items = visitTrayMenu(main, -1);
    std::vector<std::string> texts;
    for (const MenuItem& item : items) texts.push_back(item.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{
                  "Options", "Precise tracking", "Check gestures", "Gesture sensitivity", "Pause",
                  "Scroll", "All screens", "Click sounds", "Keep pause after restart",
                  "Word suggestions", "", "Pointing test", "Manual", "About ...", "", "Exit"}));
    EXPECT_EQ(checkedAndGreyed(items), UINT{MF_GRAYED});

    // Chosen in the file, its model since gone: shown so, and kept as it is.
    s().shared.engineChoice = PreciseEngine;
    EXPECT_EQ(checkedAndGreyed(visitTrayMenu(main, -1)), UINT{MF_GRAYED | MF_CHECKED});
    const std::string before = readAll(app->optionsFile);
    EXPECT_EQ(send(WM_COMMAND, kCmdPrecise), 1);
    EXPECT_EQ(s().shared.engineChoice, PreciseEngine);
    EXPECT_EQ(readAll(app->optionsFile), before);
}

TEST_F(PreciseTrackingItem, ChoosingItTogglesTheEngineAndSavesTheChoice) {
    s().shared.preciseAvailable = true;
    EXPECT_EQ(checkedAndGreyed(visitTrayMenu(main, kPreciseItem)), 0u);
    EXPECT_TRUE(pumpUntil([&] { return s().shared.engineChoice == PreciseEngine; }));
    EXPECT_EQ(readAll(app->optionsFile), "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1");

    EXPECT_EQ(checkedAndGreyed(visitTrayMenu(main, kPreciseItem)), UINT{MF_CHECKED});
    EXPECT_TRUE(pumpUntil([&] { return s().shared.engineChoice == ClassicEngine; }));
    EXPECT_EQ(readAll(app->optionsFile), "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0");
    EXPECT_EQ(checkedAndGreyed(visitTrayMenu(main, -1)), 0u);
}

TEST_F(PreciseTrackingItem, IsGreyedAndRefusedWhileTheOptionsAreOpen) {
    s().shared.preciseAvailable = true;
    s().shared.optionsOpen = true;
    EXPECT_EQ(checkedAndGreyed(visitTrayMenu(main, -1)), UINT{MF_GRAYED});
    const std::string before = readAll(app->optionsFile);
    EXPECT_EQ(send(WM_COMMAND, kCmdPrecise), 1);
    EXPECT_EQ(s().shared.engineChoice, ClassicEngine);
    EXPECT_EQ(readAll(app->optionsFile), before) << "the table being edited was saved";
}

TEST_F(MainWindow, TeardownReleasesADraggedButtonAndRemovesTheTrayIcon) {
    EXPECT_TRUE(trayIconExists(main, kTrayIconId));
    app->desktop.leftButtonDown();
    s().pointer.buttonHeld = true;
    DestroyWindow(main);
    EXPECT_FALSE(s().pointer.buttonHeld) << "the program would exit with the button down";
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
    EXPECT_FALSE(trayIconExists(main, kTrayIconId));
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(MainWindow, ARestartedShellGetsTheTrayIconBack) {
    ASSERT_TRUE(trayIconExists(main, kTrayIconId));
    NOTIFYICONDATAA gone{};
    gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
    gone.hWnd = main;
    gone.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &gone);
    ASSERT_FALSE(trayIconExists(main, kTrayIconId));
    send(RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_TRUE(trayIconExists(main, kTrayIconId));
    // A shell that still had it: the icon stays, and still goes at the end.
    send(RegisterWindowMessageA("TaskbarCreated"));
    DestroyWindow(main);
    EXPECT_FALSE(trayIconExists(main, kTrayIconId));
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(MainWindow, TeardownLeavesAReleasedButtonAlone) {
    s().pointer.buttonHeld = false;
    DestroyWindow(main);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(MainWindow, TheEyesWindowIsKnownOnReturnAndClosesOnRequest) {
    ShowWindow(main, SW_SHOWNORMAL);
    app->desktop.eyesPictures = {LoadBitmapA(GetModuleHandleA(nullptr), kEyesOpenName),
                                 LoadBitmapA(GetModuleHandleA(nullptr), kEyesClosedName)};
    app->desktop.startEyesWindow();
    const HWND eyes = reinterpret_cast<HWND>(s().shared.eyesWindow.load());
    ASSERT_NE(eyes, nullptr) << "the tracker could not close this one";
    EXPECT_TRUE(IsWindow(eyes));
    ASSERT_TRUE(pumpUntil([&] { return IsWindowVisible(eyes) != FALSE; }));
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(main) == FALSE; }));
    RECT placed{};
    GetWindowRect(eyes, &placed);
    EXPECT_EQ(placed.left, s().view.viewX);
    EXPECT_EQ(placed.right - placed.left, s().view.viewWidth);

    app->desktop.closeEyesWindow(s().shared.eyesWindow);
    EXPECT_TRUE(pumpUntil([&] { return IsWindow(eyes) == FALSE; }))
        << "the eyes thread did not end";
}

// The flags and handles that the options, eyes and About threads share with
// the main thread are atomics: plain fields would be data races.
template <typename Field, typename Value>
constexpr bool isAtomic = std::is_same_v<Field, std::atomic<Value>>;
static_assert(isAtomic<decltype(App::aboutOpen), bool>);
static_assert(isAtomic<decltype(decltype(TrackerState::shared)::optionsOpen), bool>);
static_assert(isAtomic<decltype(decltype(TrackerState::shared)::menuOpen), bool>);
static_assert(isAtomic<decltype(decltype(TrackerState::shared)::mirrorX), bool>);
static_assert(isAtomic<decltype(decltype(TrackerState::keyboard)::hidden), bool>);
static_assert(isAtomic<decltype(decltype(TrackerState::keyboard)::stayHidden), bool>);
static_assert(isAtomic<decltype(decltype(TrackerState::shared)::eyesWindow), WindowHandle>);
static_assert(isAtomic<decltype(decltype(TrackerState::keyboard)::window), WindowHandle>);
static_assert(isAtomic<decltype(decltype(TrackerState::shared)::clampMinX), int32_t>);
static_assert(isAtomic<decltype(decltype(TrackerState::shared)::speedDivisor), double>);

// ---------------------------------------------------------------------------

TEST(CaptureFormat, OnlySixFortyByFourEightyUncompressedRgb24IsRight) {
    BITMAPINFOHEADER right{};
    right.biSize = 40;
    right.biWidth = 640;
    right.biHeight = 480;
    right.biPlanes = 1;
    right.biBitCount = 24;
    right.biCompression = BI_RGB;
    right.biSizeImage = 921600;
    EXPECT_TRUE(formatIsRight(right));

    auto wrong = [&](auto change) {
        BITMAPINFOHEADER h = right;
        change(h);
        return !formatIsRight(h);
    };
    EXPECT_TRUE(wrong([](BITMAPINFOHEADER& h) { h.biWidth = 320; }));
    EXPECT_TRUE(wrong([](BITMAPINFOHEADER& h) { h.biHeight = -480; })) << "top-down rows";
    EXPECT_TRUE(wrong([](BITMAPINFOHEADER& h) { h.biSizeImage = 0; }));
    EXPECT_TRUE(wrong([](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }));
    EXPECT_TRUE(wrong([](BITMAPINFOHEADER& h) { h.biBitCount = 32; }));
}

TEST(CaptureFormat, ForcingSetsTheFiveFieldsAndKeepsTheDriversOwn) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biPlanes = 1;
    h.biWidth = 1280;
    h.biHeight = 720;
    h.biBitCount = 16;
    h.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
    h.biSizeImage = 1280 * 720 * 2;
    h.biXPelsPerMeter = 3780;
    forceFormat(h);
    EXPECT_TRUE(formatIsRight(h));
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biXPelsPerMeter, 3780);
}

}  // namespace
}  // namespace quil::win
