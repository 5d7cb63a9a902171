// The pointing test in the test build of Quilbrand2: opened from the tray's
// command while the stand-in camera's person tracks, and left by their head
// shake, unsaved; the shake travels from the tracker's frame through the
// capture to the window.
#include <gtest/gtest.h>

#include <filesystem>

#include "program_run.h"
#include "synthetic_scene.h"

namespace quil::wintest {
namespace {

constexpr WPARAM kCmdPointingTest = 32768 + 16;
constexpr char kPointingClass[] = "QuilbrandPointingTest";
constexpr char kPointingTitle[] = "Quilbrand pointing test";
// Calibration and the scene's frames up to the shake; a busy machine may
// take twice as long.
constexpr DWORD kRunPatienceMs = 60000;

HWND pointingWindow() { return FindWindowA(kPointingClass, kPointingTitle); }

TEST(WinPointingProgram, AHeadShakeLeavesThePointingTestUnsaved) {
    ProgramRun r = startRunning("pointing-shake", "scene=shake");
    ASSERT_NE(r.main, nullptr);
    ASSERT_TRUE(waitEvent(r.dir, "capture calibrated-at", kRunPatienceMs)) << "no calibration";

    EXPECT_EQ(command(r.main, kCmdPointingTest), 1);
    ASSERT_TRUE(waitUntil([] {
        return pointingWindow() != nullptr && IsWindowVisible(pointingWindow());
    })) << "no pointing test";
    RECT g{};
    GetWindowRect(pointingWindow(), &g);
    EXPECT_EQ(g.left, 0);
    EXPECT_EQ(g.top, 0);
    EXPECT_EQ(g.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(g.bottom, GetSystemMetrics(SM_CYSCREEN));
    ASSERT_EQ(eventIndex(readEvents(r.dir), "scene shake"), -1)
        << "the person shook the head before the test was open";

    ASSERT_TRUE(waitEvent(r.dir, "scene shake", kRunPatienceMs));
    EXPECT_TRUE(waitUntil([] { return !IsWindowVisible(pointingWindow()); }))
        << "the shake did not close it";
    EXPECT_FALSE(std::filesystem::exists(r.dir / "pointing_tests.csv"));
    EXPECT_EQ(command(r.main, kCmdExit), 1);
}

}  // namespace
}  // namespace quil::wintest
