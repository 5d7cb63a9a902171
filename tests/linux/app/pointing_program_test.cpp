// The pointing test in the running program: opened from the tray menu while
// the simulated person tracks, and left by their head shake, unsaved.
#include <gtest/gtest.h>

#include <filesystem>

#include "program_run.h"
#include "x11_watch.h"

namespace quil::lnxtest {
namespace {

// The window's title (app_layer/texts.h).
constexpr char kPointingTitle[] = "Quilbrand pointing test";

TEST(LinuxProgram, AHeadShakeLeavesThePointingTestUnsaved) {
    Screen screen;
    TrayHost tray;
    Program program("scene:shake");
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(waitUntil([&] { return tray.icons().size() == 1; })) << "no tray icon";
    const Geometry icon = TrayHost::firstIconPlace();
    screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
    ASSERT_TRUE(waitUntil([&] { return screen.menuShowing(); })) << "no menu";
    // From the bottom: Exit, Start at log-on, About, Manual, Pointing test.
    for (int i = 0; i < 5; ++i) screen.key("Up");
    screen.key("Return");
    const auto window = waitWindow(screen, kPointingTitle);
    ASSERT_TRUE(window) << "no pointing test";
    const Geometry g = screen.geometry(*window);
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    // The person calibrates and shakes the head; the test goes.
    EXPECT_TRUE(waitUntil([&] { return !screen.findWindow(kPointingTitle); }))
        << "the shake did not close it";
    EXPECT_FALSE(std::filesystem::exists(program.config() / "quilbrand" / "pointing_tests.csv"));
}

}  // namespace
}  // namespace quil::lnxtest
