// quilbrand run as the user runs it, in a virtual X display with a tray,
// watched from outside: the test build plays a simulated person instead of
// the camera (QUIL_TEST_CAMERA), or answers as a machine without a camera.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "program_run.h"
#include "x11_watch.h"

namespace quil::lnxtest {
namespace {

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(LinuxProgram, WithoutACameraWarnsRemovesItsTrayIconAndExitsWithZero) {
    Screen screen;
    TrayHost tray;
    Program program("none");
    ASSERT_TRUE(program.started());
    const auto box = waitWindow(screen, kWarning);
    ASSERT_TRUE(box) << "no warning";
    EXPECT_TRUE(waitUntil([&] { return tray.icons().size() == 1; })) << "no tray icon";
    EXPECT_FALSE(screen.findWindow(kView)) << "no camera view without a camera";
    // Drawn, not just mapped: some of the box is no longer black.
    EXPECT_TRUE(waitUntil([&] {
        const auto pixels = screen.capture(screen.geometry(*box));
        return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0; });
    }));
    screen.screenshot("linux_no_camera");
    screen.key(*box, "Return");
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_TRUE(tray.icons().empty());
}

// The shipped program, on its real V4L2 camera, on a machine without one.
TEST(LinuxProgram, TheShippedProgramWithoutAVideoDeviceWarnsAndExitsWithZero) {
    for (int i = 0; i < 10; ++i) {
        if (std::filesystem::exists("/dev/video" + std::to_string(i)))
            GTEST_SKIP() << "this machine has a video device";
    }
    Screen screen;
    TrayHost tray;
    Program program("", {}, QUIL_LINUX_PROGRAM);
    const auto box = waitWindow(screen, kWarning);
    ASSERT_TRUE(box) << "no warning";
    EXPECT_TRUE(waitUntil([&] { return tray.icons().size() == 1; })) << "no tray icon";
    screen.key(*box, "Return");
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_TRUE(tray.icons().empty());
}

TEST(LinuxProgram, ACameraWithoutTheFormatWarnsAndExitsWithZero) {
    Screen screen;
    TrayHost tray;
    Program program("noformat");
    const auto box = waitWindow(screen, kWarning);
    ASSERT_TRUE(box);
    screen.key(*box, "Return");
    EXPECT_EQ(program.waitExit(), 0);
}

// The person sits down and blinks at the eyes window; once calibrated the
// view goes to the corner and the head moves the X pointer; the tray menu's
// Exit ends the program with the button up.
// On Wayland the pointer is a uinput device; a user the package's udev rule
// has not reached yet is told so, and no dead tray icon stays behind.
TEST(LinuxProgram, OnWaylandWithoutUinputItWarnsAndExitsWithZero) {
    if (access("/dev/uinput", W_OK) == 0) GTEST_SKIP() << "this machine lets us make input devices";
    Screen screen;
    TrayHost tray;
    Program program("none", {"XDG_SESSION_TYPE=wayland"});
    const auto box = waitWindow(screen, kWarning);
    ASSERT_TRUE(box);
    EXPECT_TRUE(tray.icons().empty()) << "no tray icon before the pointer works";
    screen.key(*box, "Return");
    EXPECT_EQ(program.waitExit(), 0);
}

TEST(LinuxProgram, CalibratesThenTheHeadMovesTheXPointerAndExitEndsIt) {
    Screen screen;
    TrayHost tray;
    screen.movePointer(512, 384);
    Program program("scene:pointing");
    const auto view = waitWindow(screen, kView);
    ASSERT_TRUE(view);
    const Geometry large = screen.geometry(*view);
    EXPECT_EQ(large.width, 640);
    EXPECT_EQ(large.height, 480);
    EXPECT_EQ(large.x, 192);
    EXPECT_EQ(large.y, 144);

    EXPECT_TRUE(waitWindow(screen, kEyes)) << "the eyes window never asked for blinks";
    screen.screenshot("linux_eyes_window");
    // The corner view: one eighth of the screen, 30 pixels above the bottom.
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 128;
    })) << "never calibrated";
    const Geometry corner = screen.geometry(*screen.findWindow(kView));
    EXPECT_EQ(corner.height, 96);
    EXPECT_EQ(corner.x + corner.width, 1024);
    EXPECT_FALSE(screen.findWindow(kEyes));

    // The scene's first target is up and to the left of the rest pose.
    EXPECT_TRUE(waitUntil([&] { return screen.pointer().first > 200; }))
        << "the pointer did not follow the head";
    screen.screenshot("linux_tracking");

    // The tray menu: the icon's left button opens it; Exit is its last item,
    // "Start at log-on" the one above. That one writes the session's
    // autostart entry for this program, and removes it when chosen again.
    ASSERT_EQ(tray.icons().size(), 1u);
    const Geometry icon = TrayHost::firstIconPlace();
    const std::filesystem::path entry = program.config() / "autostart" / "quilbrand.desktop";
    for (const bool on : {true, false}) {
        screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
        ASSERT_TRUE(waitUntil([&] { return screen.menuShowing(); })) << "no menu";
        screen.key("Up");
        screen.key("Up");
        screen.key("Return");
        EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(entry) == on; })) << on;
        ASSERT_TRUE(waitUntil([&] { return !screen.menuShowing(); }));
    }
    screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
    ASSERT_TRUE(waitUntil([&] { return screen.popupShowing(); })) << "no menu";
    // The menu has the keyboard: Up from no item selects the last one.
    screen.key("Up");
    screen.key("Return");
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_TRUE(tray.icons().empty());
}

// A first start without an options file writes one choosing precise
// tracking; the tray's sensitivity submenu, reached by the keyboard (past
// the greyed items: this build has no landmark model), saves its level
// after it as the seventeenth value.
TEST(LinuxProgram, ANewUserStartsPreciseAndTheTrayMenuSavesTheGestureSensitivity) {
    Screen screen;
    TrayHost tray;
    Program program("scene:idle");
    ASSERT_TRUE(waitWindow(screen, kView));
    const std::filesystem::path options = program.config() / "quilbrand" / "options.cfg";
    const std::string precise = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1";
    EXPECT_TRUE(waitUntil([&] { return readAll(options) == precise; }));

    ASSERT_TRUE(waitUntil([&] { return tray.icons().size() == 1; }));
    const Geometry icon = TrayHost::firstIconPlace();
    screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
    ASSERT_TRUE(waitUntil([&] { return screen.menuShowing(); })) << "no menu";
    // Options, then "Gesture sensitivity"; Right opens it at "Low".
    for (const char* key : {"Down", "Down", "Right", "Down", "Down", "Return"}) screen.key(key);
    EXPECT_TRUE(waitUntil([&] { return readAll(options) == precise + " 2"; })) << readAll(options);
    EXPECT_TRUE(waitUntil([&] { return !screen.menuShowing(); }));
}

// Whether the corner view shows the tracker's cross in this colour (it
// draws a yellow one while a hand on the mouse pauses it, a green one while
// it tracks).
bool viewShowsCross(Screen& screen, uint32_t colour) {
    const auto view = screen.findWindow(kView);
    if (!view) return false;
    const auto pixels = screen.capture(screen.geometry(*view));
    return std::count(pixels.begin(), pixels.end(), colour) > 0;
}

constexpr uint32_t kPauseCross = 0xEAF803;  // 234, 248, 3
constexpr uint32_t kTrackCross = 0x00FF00;

// A jump of the pointer the tracker did not make is a hand on the mouse:
// tracking rests (the yellow cross) and leaves the pointer alone until the
// hand has been still for 40 frames.
TEST(LinuxProgram, AHandOnTheMousePausesTrackingUntilItRests) {
    Screen screen;
    TrayHost tray;
    Program program("scene:pointing");
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 128 && viewShowsCross(screen, kTrackCross);
    })) << "never tracked";
    screen.movePointer(300, 600);
    ASSERT_TRUE(waitUntil([&] { return viewShowsCross(screen, kPauseCross); })) << "no pause";
    // While the cross says paused (seen so before and after the reading),
    // the pointer stays where it is.
    const auto held = screen.pointer();
    bool stayed = true;
    EXPECT_TRUE(waitUntil([&] {
        if (!viewShowsCross(screen, kPauseCross)) return viewShowsCross(screen, kTrackCross);
        const auto now = screen.pointer();
        if (viewShowsCross(screen, kPauseCross)) stayed = stayed && now == held;
        return false;
    })) << "never resumed";
    EXPECT_TRUE(stayed) << "the pointer moved during the pause";
}

// Whether the top of the corner view shows a notice's white letters.
bool viewShowsNotice(Screen& screen) {
    const auto view = screen.findWindow(kView);
    if (!view) return false;
    Geometry band = screen.geometry(*view);
    band.height = 24;
    const auto pixels = screen.capture(band);
    return std::count(pixels.begin(), pixels.end(), 0xFFFFFFu) > 0;
}

// Whether the docked tray icon shows the pause mark's red.
bool trayShowsPause() {
    Screen screen;
    const auto pixels = screen.capture(TrayHost::firstIconPlace());
    return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) {
        return ((p >> 16) & 0xFF) > 150 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80;
    });
}

// The tray's Pause: the corner view says so, the icon greys with its mark,
// and the head no longer moves the pointer; chosen again, all is back.
TEST(LinuxProgram, TheTraysPauseShowsInTheViewAndTheIconAndHoldsThePointer) {
    Screen screen;
    TrayHost tray;
    Program program("scene:pointing");
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 128 && viewShowsCross(screen, kTrackCross);
    })) << "never tracked";
    EXPECT_FALSE(viewShowsNotice(screen));
    EXPECT_FALSE(trayShowsPause());
    const Geometry icon = TrayHost::firstIconPlace();
    for (const bool paused : {true, false}) {
        screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
        ASSERT_TRUE(waitUntil([&] { return screen.menuShowing(); })) << "no menu";
        // Options, "Gesture sensitivity" (the greyed items passed), Pause.
        for (const char* key : {"Down", "Down", "Down", "Return"}) screen.key(key);
        EXPECT_TRUE(waitUntil([&] { return viewShowsNotice(screen) == paused; })) << paused;
        EXPECT_TRUE(waitUntil([&] { return trayShowsPause() == paused; })) << paused;
        ASSERT_TRUE(waitUntil([&] { return !screen.menuShowing(); }));
        if (!paused) break;
        screen.screenshot("linux_paused");
        // Paused through a stretch of the scene's pointing: the pointer stays.
        const auto held = screen.pointer();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        EXPECT_FALSE(waitUntil([&] { return screen.pointer() != held; },
                               std::chrono::duration_cast<std::chrono::milliseconds>(
                                   until - std::chrono::steady_clock::now())))
            << "the pointer moved while paused";
    }
}

// A mouth opening clicks where the pointer is: another program's window
// receives the press.
TEST(LinuxProgram, AMouthOpeningClicksInAnotherProgramsWindow) {
    Screen screen;
    TrayHost tray;
    ClickCatcher catcher;
    Program program("scene:clicks");
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 128;
    })) << "never calibrated";
    EXPECT_EQ(catcher.presses(), 0) << "a click before any gesture";
    EXPECT_TRUE(waitUntil([&] { return catcher.presses() > 0; })) << "the mouth did not click";
}

// A camera unplugged while tracking: after its silence the program tries
// to open it again and again; plugged back, tracking starts over from the
// head search (the large view, then the eyes window).
TEST(LinuxProgram, ACameraUnpluggedAndPluggedBackStartsTrackingOver) {
    const std::filesystem::path unplug =
        std::filesystem::temp_directory_path() / ("quil-unplug-" + std::to_string(getpid()));
    const std::filesystem::path probed = unplug.string() + ".probed";
    std::filesystem::remove(unplug);
    std::filesystem::remove(probed);
    Screen screen;
    TrayHost tray;
    Program program("scene:pointing", {"QUIL_TEST_UNPLUG=" + unplug.string()});
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 128;
    })) << "never calibrated";
    std::ofstream(unplug) << "unplugged\n";
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(probed); })) << "never looked again";
    std::filesystem::remove(unplug);
    EXPECT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 640;
    })) << "the head search did not start over";
    EXPECT_TRUE(waitWindow(screen, kEyes)) << "no new calibration";
    std::filesystem::remove(probed);
}

// The on-screen keyboard is a window of the program: it comes docked at the
// bottom centre once calibrated, a nod hides it and the next shows it. (Its
// typing into the focused window is tested in tests/linux/keyboard.)
TEST(LinuxProgram, TheKeyboardComesAtCalibrationANodHidesItAndTheNextShowsIt) {
    constexpr char kKeyboard[] = "plakette";
    Screen screen;
    TrayHost tray;
    Program program("scene:keyboard");
    const auto keyboard = waitWindow(screen, kKeyboard);
    ASSERT_TRUE(keyboard) << "no keyboard after calibration";
    const Geometry docked = screen.geometry(*keyboard);
    EXPECT_EQ(docked.width, 412);
    EXPECT_EQ(docked.height, 192);
    EXPECT_EQ(docked.x, (1024 - 412) / 2);
    EXPECT_TRUE(waitUntil([&] { return !screen.findWindow(kKeyboard); })) << "not hidden";
    EXPECT_TRUE(waitUntil([&] { return screen.findWindow(kKeyboard).has_value(); }))
        << "not shown again";
}

}  // namespace
}  // namespace quil::lnxtest
