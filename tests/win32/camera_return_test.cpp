// A camera that goes away while the program runs: unplugged mid-tracking and
// plugged back, or unplugged for good. The stand-in driver is unplugged while
// a file of that name exists in the program's folder.
#include <gtest/gtest.h>

#include <fstream>

#include "program_harness.h"
#include "program_run.h"

namespace quil::wintest {
namespace {

constexpr char kUnplugFile[] = "unplugged";
// Two calibrations of the synthetic face on a busy machine.
constexpr DWORD kCalibrationPatienceMs = 60000;

void unplug(const ProgramRun& r) { std::ofstream(r.dir / kUnplugFile) << "away\n"; }
void plugBack(const ProgramRun& r) { std::filesystem::remove(r.dir / kUnplugFile); }

bool waitEvents(const ProgramRun& r, const std::string& prefix, long count,
                DWORD patienceMs = kPatienceMs) {
    return waitUntil([&] { return countEvents(readEvents(r.dir), prefix) >= count; }, patienceMs);
}

// The program disconnects the silent camera, keeps looking for it, and once
// it is back finds the head and calibrates again, as after a loss.
TEST(CameraReturn, UnpluggedMidTrackingItIsSoughtAndTrackingStartsOverWhenItIsBack) {
    ProgramRun r = startRunning("camera-return", std::string("scene=face;unplug=") + kUnplugFile);
    ASSERT_NE(r.main, nullptr);
    ASSERT_TRUE(waitEvent(r.dir, "capture calibrated-at", kCalibrationPatienceMs));

    unplug(r);
    ASSERT_TRUE(waitEvent(r.dir, "capture unplugged"));
    ASSERT_TRUE(waitEvents(r, "capture connect-failed", 2)) << "looked for again and again";
    {
        const auto events = readEvents(r.dir);
        const long away = eventIndex(events, "capture unplugged");
        long disconnect = -1;
        for (size_t i = static_cast<size_t>(away); i < events.size(); ++i) {
            if (events[i] == "capture disconnect") disconnect = static_cast<long>(i);
        }
        EXPECT_GT(disconnect, away) << "the silent camera is disconnected first";
        EXPECT_LT(disconnect, eventIndex(events, "capture connect-failed"));
    }
    EXPECT_TRUE(r.program->running());

    plugBack(r);
    ASSERT_TRUE(waitEvents(r, "capture connect 0", 2)) << "connected again";
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(r.main) != FALSE; }));
    ASSERT_TRUE(waitEvents(r, "capture calibrated-at", 2, kCalibrationPatienceMs))
        << "head found and calibrated again";
    const auto events = readEvents(r.dir);
    EXPECT_EQ(countEvents(events, "capture callback set"), 2) << "set up as at start-up";

    EXPECT_EQ(command(r.main, kCmdExit), 1);
    EXPECT_EQ(r.program->waitExit(), 0);
}

// With the camera gone for good the program waits for it, answering its
// tray menu, and exits cleanly.
TEST(CameraReturn, UnpluggedForGoodTheMenuStillAnswersAndExitIsClean) {
    ProgramRun r = startRunning("camera-gone", std::string("scene=still;unplug=") + kUnplugFile);
    ASSERT_NE(r.main, nullptr);
    unplug(r);
    ASSERT_TRUE(waitEvents(r, "capture connect-failed", 2));

    PostMessageA(r.main, kTrayMessage, kTrayId, WM_LBUTTONDOWN);
    const HWND menu = r.program->waitWindow(kMenuClass, nullptr, true);
    ASSERT_NE(menu, nullptr) << "the tray menu opens";
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(
        waitUntil([&] { return windowsOf(r.program->id(), kMenuClass, nullptr, true).empty(); }));

    EXPECT_EQ(command(r.main, kCmdAbout), 1);
    const HWND about = r.program->waitWindow(kBoxClass, "Quilbrand 2", true);
    ASSERT_NE(about, nullptr);
    pressOk(about);
    ASSERT_TRUE(waitUntil(
        [&] { return windowsOf(r.program->id(), kBoxClass, "Quilbrand 2", true).empty(); }));

    EXPECT_EQ(command(r.main, kCmdExit), 1);
    EXPECT_EQ(r.program->waitExit(), 0);
    const auto events = readEvents(r.dir);
    EXPECT_TRUE(hasEvent(events, "program tray-at-exit absent"));
    EXPECT_TRUE(hasEvent(events, "program exit 0"));
}

}  // namespace
}  // namespace quil::wintest
