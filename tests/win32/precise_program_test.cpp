// The test build of Quilbrand2 with a user who chose the precise engine (the
// options file's sixteenth value), on the stand-in camera's "person" scene:
// with the landmark model beside the program, and without it. The scene's
// person sways, then holds still with open eyes, and blinks only from
// kFirstBlinkFrame on: the precise engine calibrates on the still face
// before that frame, the classic engine only on a blink, at or after it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "program_harness.h"
#include "synthetic_scene.h"

namespace quil::wintest {
namespace {

constexpr char kMainClass[] = "Quilbrand2";
constexpr char kBoxClass[] = "#32770";
constexpr char kOptionsChoosingPrecise[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1\n";
constexpr char kScene[] = "scene=person";
constexpr char kCalibratedEvent[] = "capture calibrated-at ";
// From the first frame to calibration and one round of the tracking script
// is under 200 frames of 75 ms; a busy machine may take twice as long.
constexpr DWORD kRunPatienceMs = 60000;

void chooseThePreciseEngine(const std::filesystem::path& dir) {
    std::ofstream(dir / "options.cfg") << kOptionsChoosingPrecise;
}

// The frame at which the tracker calibrated, as the stand-in noted it; -1
// if it has not.
long calibrationFrame(const std::filesystem::path& dir) {
    const auto events = readEvents(dir);
    const long at = eventIndex(events, kCalibratedEvent);
    if (at < 0) return -1;
    return std::atol(events[static_cast<size_t>(at)].c_str() + sizeof kCalibratedEvent - 1);
}

// Closes the program once the keyboard it started after calibration has
// said hello, so that the program closes it too and nothing outlives the
// test.
void closeWithItsKeyboard(const Program& program, HWND main, const std::filesystem::path& dir) {
    EXPECT_TRUE(waitEvent(dir, "keyboard hello-sent"));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_TRUE(waitEvent(dir, "keyboard close"));
}

POINT pointer() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

TEST(PreciseEngine, WithTheModelBesideTheProgramCalibratesWithoutABlinkAndMovesThePointer) {
    const auto dir = freshWorkDir("precise");
    chooseThePreciseEngine(dir);
    Program program(QUIL_TEST_PROGRAM_PATH, dir, {{"QUIL_STANDIN", kScene}});
    const HWND main = program.waitWindow(kMainClass, kMainClass);
    ASSERT_NE(main, nullptr);

    // The face is found while it still sways: the eyes window asks the user
    // to look at the camera, until the face has held still.
    const HWND eyes = program.waitWindow("EYES", "Eyes", true);
    ASSERT_NE(eyes, nullptr) << "the person was not found";
    ASSERT_TRUE(waitEvent(dir, kCalibratedEvent, kRunPatienceMs)) << "no calibration";
    const long frame = calibrationFrame(dir);
    EXPECT_GE(frame, 0);
    EXPECT_LT(frame, kFirstBlinkFrame) << "calibrated on a blink: the classic engine ran";
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(eyes); }, 5000));
    RECT placed{};
    GetWindowRect(main, &placed);
    EXPECT_EQ(placed.left, 1024 - 1024 / 8) << "the camera view went to the corner";
    EXPECT_EQ(placed.right - placed.left, 128);

    // The tracking script lowers the head, then raises it: the pointer goes
    // down the screen, then up.
    constexpr LONG kLowRow = 768 * 3 / 4;
    constexpr LONG kHighRow = 768 / 4;
    EXPECT_TRUE(waitUntil([] { return pointer().y >= kLowRow; }, kRunPatienceMs))
        << "the pointer did not follow the head down, at " << pointer().y;
    EXPECT_TRUE(waitUntil([] { return pointer().y <= kHighRow; }, kRunPatienceMs))
        << "the pointer did not follow the head up, at " << pointer().y;
    EXPECT_TRUE(windowsOf(program.id(), kBoxClass, nullptr).empty());
    closeWithItsKeyboard(program, main, dir);
}

TEST(PreciseEngine, WithoutTheModelTheClassicEngineRunsAndNothingIsSaid) {
    // The program and the keyboard it starts, alone in a folder of their own.
    const auto dir = freshWorkDir("no-model");
    chooseThePreciseEngine(dir);
    const std::filesystem::path exe = dir / "Quilbrand2Test.exe";
    std::filesystem::copy_file(windowsPath(QUIL_TEST_PROGRAM_PATH), exe);
    std::filesystem::copy_file(windowsPath(QUIL_TEST_KEYBOARD_PATH), dir / "plakette2.exe");
    ASSERT_FALSE(std::filesystem::exists(dir / "shape_predictor_5_face_landmarks.dat"));

    Program program(exe.string(), dir, {{"QUIL_STANDIN", kScene}});
    const HWND main = program.waitWindow(kMainClass, kMainClass);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitEvent(dir, kCalibratedEvent, kRunPatienceMs)) << "no calibration";
    EXPECT_GE(calibrationFrame(dir), kFirstBlinkFrame)
        << "calibrated before any blink: not the classic engine";
    EXPECT_TRUE(windowsOf(program.id(), kBoxClass, nullptr).empty()) << "a message box";
    closeWithItsKeyboard(program, main, dir);
}

}  // namespace
}  // namespace quil::wintest
