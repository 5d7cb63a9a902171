// Quilbrand2 run as the user runs it, watched from outside: the shipped
// build on this machine without a camera, and the test build, whose capture
// driver is a stand-in answering the capture messages with synthetic frames.
#include <gtest/gtest.h>

#include <memory>

#include "event_log.h"
#include "program_harness.h"
#include "program_run.h"
#include "quil_version.h"

namespace quil::wintest {
namespace {

// ---------------------------------------------------------------------------
// Start-up failures

TEST(ShippedProgram, WithoutACameraWarnsRemovesItsTrayIconAndExitsWithZero) {
    const auto dir = freshWorkDir("no-camera");
    Program program(QUIL_PROGRAM_PATH, dir);
    ASSERT_TRUE(program.started());
    const HWND box = program.waitWindow(kBoxClass, kWarning, true);
    ASSERT_NE(box, nullptr) << "no warning";
    EXPECT_EQ(messageBoxText(box), "La camara no esta conectada");
    const HWND main = program.waitWindow(kMainClass, kMainClass);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    EXPECT_TRUE(trayIconExists(main, kTrayId)) << "the icon is added with the main window";
    screenshot("no_camera");

    pressOk(box);
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_FALSE(trayIconExists(main, kTrayId));
}

TEST(StartUp, WithNoDriverTheIconIsGoneBeforeTheProcessEnds) {
    ProgramRun r = startTestBuild("no-driver", "drivers=");
    const HWND box = r.program->waitWindow(kBoxClass, kWarning, true);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageBoxText(box), "La camara no esta conectada");
    pressOk(box);
    EXPECT_EQ(r.program->waitExit(), 0);
    const auto events = readEvents(r.dir);
    EXPECT_TRUE(hasEvent(events, "program tray-at-exit absent"));
    EXPECT_EQ(eventIndex(events, "capture connect"), -1) << "no description, no connect";
}

TEST(StartUp, ARefusedFormatWarnsAndTheIconIsGoneBeforeTheProcessEnds) {
    ProgramRun r = startTestBuild("refused-format", "format=yuy2;refuse=1");
    const HWND box = r.program->waitWindow(kBoxClass, kWarning, true);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageBoxText(box), "La camara no soporta 640x480");
    EXPECT_EQ(GetWindow(box, GW_OWNER), r.main);
    screenshot("format_warning");
    pressOk(box);
    EXPECT_EQ(r.program->waitExit(), 0);
    const auto events = readEvents(r.dir);
    EXPECT_TRUE(hasEvent(events, "program tray-at-exit absent"));
    EXPECT_EQ(eventIndex(events, "capture first-grab"), -1) << "no frame before the loop";
}

// ---------------------------------------------------------------------------
// Capture connection and format

TEST(StartUp, ProbesTheDriversInOrderAndKeepsTheFirstThatConnects) {
    ProgramRun r = startRunning("probe", "drivers=2x,3,5");
    ASSERT_NE(r.main, nullptr);
    const auto events = readEvents(r.dir);
    const long refused = eventIndex(events, "capture connect-refused 2");
    const long connected = eventIndex(events, "capture connect 3");
    EXPECT_GE(refused, 0);
    EXPECT_GT(connected, refused);
    EXPECT_EQ(eventIndex(events, "capture connect 5"), -1);
    EXPECT_EQ(countEvents(events, "capture connect"), 2) << "indices without a driver are skipped";
    EXPECT_EQ(command(r.main, kCmdExit), 1);
    EXPECT_EQ(r.program->waitExit(), 0);
}

TEST(StartUp, ConfiguresTheCaptureInOrderAndLeavesARightFormatAlone) {
    ProgramRun r = startRunning("configure", "format=rgb24");
    ASSERT_NE(r.main, nullptr);
    const auto events = readEvents(r.dir);
    const char* order[] = {"capture connect 0", "capture callback set", "capture overlay 1",
                           "capture preview 0", "capture scale 1",      "capture get-format 44",
                           "capture first-grab"};
    long last = -1;
    for (const char* e : order) {
        const long at = eventIndex(events, e);
        EXPECT_GT(at, last) << e;
        last = at;
    }
    EXPECT_EQ(eventIndex(events, "capture set-format"), -1);
    // The large centred view on this 1024 x 768 screen.
    RECT placed{};
    GetWindowRect(r.main, &placed);
    EXPECT_EQ(placed.left, 192);
    EXPECT_EQ(placed.top, 144);
    EXPECT_EQ(placed.right - placed.left, 640);
    EXPECT_EQ(placed.bottom - placed.top, 480);
    EXPECT_EQ(GetWindowLongA(r.main, GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
              WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_EQ(command(r.main, kCmdExit), 1);
    EXPECT_EQ(r.program->waitExit(), 0);
}

TEST(StartUp, ForcesSixFortyByFourEightyRgbOnAnyOtherFormat) {
    for (const char* format : {"yuy2", "small"}) {
        SCOPED_TRACE(format);
        std::string name = "force-";
        name += format;
        std::string config = "format=";
        config += format;
        ProgramRun r = startRunning(name, config);
        ASSERT_NE(r.main, nullptr);
        EXPECT_TRUE(hasEvent(readEvents(r.dir),
                             "capture set-format 44 640x480x24 compression 0 size 921600"));
        EXPECT_TRUE(windowsOf(r.program->id(), kBoxClass, kWarning).empty());
        EXPECT_EQ(command(r.main, kCmdExit), 1);
        EXPECT_EQ(r.program->waitExit(), 0);
    }
}

// ---------------------------------------------------------------------------
// Tray icon, menu and commands

TEST(TrayMenu, OpensOnTheLeftButtonOnlyAboveThePointerAndHidesTheViewMeanwhile) {
    ProgramRun r = startRunning("tray-menu", "scene=face");
    ASSERT_NE(r.main, nullptr);
    EXPECT_TRUE(trayIconExists(r.main, kTrayId));
    screenshot("main_view");
    SetCursorPos(600, 500);

    PostMessageA(r.main, kTrayMessage, kTrayId, WM_RBUTTONDOWN);
    pause(400);
    EXPECT_TRUE(windowsOf(r.program->id(), kMenuClass, nullptr, true).empty());

    PostMessageA(r.main, kTrayMessage, kTrayId, WM_LBUTTONDOWN);
    const HWND menu = r.program->waitWindow(kMenuClass, nullptr, true, 5000);
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(IsWindowVisible(r.main));
    RECT at{};
    GetWindowRect(menu, &at);
    EXPECT_EQ(at.top, 500 - 15);
    EXPECT_NEAR((at.left + at.right) / 2, 600, 1);
    screenshot("tray_menu");

    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(r.main) != FALSE; }, 5000));

    // "Exit", the last entry, chosen in the menu ends the program.
    PostMessageA(r.main, kTrayMessage, kTrayId, WM_LBUTTONDOWN);
    const HWND again = r.program->waitWindow(kMenuClass, nullptr, true, 5000);
    ASSERT_NE(again, nullptr);
    PostMessageA(again, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(again, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(r.program->waitExit(), 0);
    EXPECT_TRUE(hasEvent(readEvents(r.dir), "program tray-at-exit absent"));
}

TEST(Commands, AnswerOneAndKeepTheirGuardsDuringTheHeadSearch) {
    ProgramRun r = startRunning("commands", "scene=still");
    ASSERT_NE(r.main, nullptr);
    EXPECT_EQ(command(r.main, 4242), 1) << "unknown commands answer 1 too";
    EXPECT_EQ(command(r.main, 0), 1);

    // Options are closed to a user whose head is not tracked yet.
    EXPECT_EQ(command(r.main, kCmdOptions), 1);
    PostMessageA(r.main, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    pause(500);
    EXPECT_TRUE(windowsOf(r.program->id(), "MOPTIONS", nullptr).empty());

    // About works, once at a time.
    EXPECT_EQ(command(r.main, kCmdAbout), 1);
    EXPECT_EQ(command(r.main, kCmdAbout), 1);
    const HWND about = r.program->waitWindow(kBoxClass, "Quilbrand 2", true, 5000);
    ASSERT_NE(about, nullptr);
    pause(300);
    EXPECT_EQ(windowsOf(r.program->id(), kBoxClass, "Quilbrand 2").size(), 1u);
    const std::string credit = messageBoxText(about);
    EXPECT_NE(credit.find("Quilbrand team, 2007"), std::string::npos) << credit;
    EXPECT_NE(credit.find("example.org/ - version " QUIL_VERSION), std::string::npos) << credit;
    screenshot("about_box");
    pressOk(about);
    EXPECT_TRUE(waitUntil(
        [&] { return windowsOf(r.program->id(), kBoxClass, "Quilbrand 2").empty(); }, 5000));
    EXPECT_EQ(command(r.main, kCmdAbout), 1);
    const HWND again = r.program->waitWindow(kBoxClass, "Quilbrand 2", true, 5000);
    ASSERT_NE(again, nullptr) << "About opens again once closed";
    pressOk(again);

    // No manual here: nothing happens, the program goes on.
    EXPECT_EQ(command(r.main, kCmdManual), 1);
    pause(300);
    EXPECT_TRUE(r.program->running());

    EXPECT_EQ(command(r.main, kCmdExit), 1);
    EXPECT_EQ(r.program->waitExit(), 0);
}

// ---------------------------------------------------------------------------
// Keyboard link and teardown

TEST(Teardown, StopsTheCaptureThenClosesTheKeyboardThenRemovesTheIcon) {
    ProgramRun r = startRunning("teardown", "scene=still");
    ASSERT_NE(r.main, nullptr);
    Program keyboard(QUIL_TEST_KEYBOARD_PATH, r.dir);
    ASSERT_TRUE(waitEvent(r.dir, "keyboard dock-sent"));
    // A hello naming no window is ignored: the real keyboard stays linked.
    SendMessageA(r.main, WM_USER, static_cast<WPARAM>(0x7ffe1234), 0);

    PostMessageA(r.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(r.program->waitExit(), 0);
    EXPECT_EQ(keyboard.waitExit(), 0) << "the keyboard program was told to close";
    const auto events = readEvents(r.dir);
    const long previewOff = eventIndex(events, "capture preview 0");
    const long firstGrab = eventIndex(events, "capture first-grab");
    long teardownPreview = -1;
    for (size_t i = static_cast<size_t>(firstGrab + 1); i < events.size(); ++i) {
        if (events[i] == "capture preview 0") teardownPreview = static_cast<long>(i);
    }
    ASSERT_GE(previewOff, 0);
    const long disconnect = eventIndex(events, "capture disconnect");
    const long close = eventIndex(events, "keyboard close");
    const long exitNote = eventIndex(events, "program tray-at-exit");
    EXPECT_GT(teardownPreview, firstGrab);
    EXPECT_GT(disconnect, teardownPreview);
    EXPECT_GT(close, disconnect);
    EXPECT_GT(exitNote, close);
    EXPECT_TRUE(hasEvent(events, "keyboard close tray=present")) << "the icon goes after";
    EXPECT_TRUE(hasEvent(events, "program tray-at-exit absent"));
    EXPECT_TRUE(hasEvent(events, "program exit 0"));
}

// ---------------------------------------------------------------------------
// A whole run with a synthetic face: detection, calibration, tracking

TEST(TrackerRun, EyesWindowThenCornerViewThenTheKeyboardGetsItsMessages) {
    ProgramRun r = startRunning("calibration", "scene=face");
    ASSERT_NE(r.main, nullptr);
    const HWND eyes = r.program->waitWindow("EYES", "Eyes", true);
    ASSERT_NE(eyes, nullptr) << "the swaying face was not taken for a head";
    EXPECT_FALSE(IsWindowVisible(r.main)) << "the eyes window replaces the camera view";
    RECT placed{};
    GetWindowRect(eyes, &placed);
    EXPECT_EQ(placed.left, 192);
    EXPECT_EQ(placed.top, 144);
    screenshot("eyes_window");
    // The face opens and closes its eyes every half second: once shown, the
    // picture changes within a few periods, however busy the machine is.
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(eyes) != FALSE; }));
    const uint64_t first = clientFingerprint(eyes);
    EXPECT_TRUE(waitUntil([&] { return clientFingerprint(eyes) != first; }))
        << "the pictures do not alternate";

    // The tracker sees the blinks, calibrates and goes to the corner view;
    // the keyboard program beside the program is started and says hello.
    ASSERT_TRUE(waitEvent(r.dir, "capture calibrated-at")) << "no calibration";
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(eyes); }, 5000));
    GetWindowRect(r.main, &placed);
    EXPECT_EQ(placed.left, 1024 - 1024 / 8);
    EXPECT_EQ(placed.top, 768 - 768 / 8 - 30);
    EXPECT_EQ(placed.right - placed.left, 128);
    EXPECT_EQ(placed.bottom - placed.top, 96);
    EXPECT_TRUE(waitEvent(r.dir, "keyboard hello-sent"));
    screenshot("corner_view");

    // Tracking: the head goes down, the pointer enters the keyboard and the
    // open mouth presses a key there; the head goes up, the pointer leaves,
    // and the open mouth clicks outside.
    // One round of the script is about 140 frames of 75 ms; a busy machine
    // may take twice as long.
    constexpr DWORD kRoundPatienceMs = 45000;
    ASSERT_TRUE(waitEvent(r.dir, "keyboard click-outside 0 0", kRoundPatienceMs));
    const auto events = readEvents(r.dir);
    const long over = eventIndex(events, "keyboard pointer-over 1 0");
    const long key = eventIndex(events, "keyboard key-press 87 48");
    const long left = eventIndex(events, "keyboard pointer-left 0 0");
    const long outside = eventIndex(events, "keyboard click-outside 0 0");
    EXPECT_GE(over, 0);
    EXPECT_GT(key, over);
    EXPECT_GT(left, key);
    EXPECT_GT(outside, left);
    screenshot("tracking");

    // The corner view gets out of the way of a pointer that goes onto it,
    // and comes back when the pointer leaves.
    SetCursorPos(1000, 700);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(r.main) == FALSE; }, 5000));
    SetCursorPos(500, 300);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(r.main) != FALSE; }, 5000));

    PostMessageA(r.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(r.program->waitExit(), 0);
    EXPECT_TRUE(waitEvent(r.dir, "keyboard close", 5000));
}

}  // namespace
}  // namespace quil::wintest
