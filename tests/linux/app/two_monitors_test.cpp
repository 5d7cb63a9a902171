// quilbrand on two monitors side by side (one wide X screen split by RandR
// before anything starts): the corner view sits on the primary monitor, and
// the head's range covers that monitor alone unless every screen is chosen.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "program_run.h"
#include "x11_watch.h"

namespace quil::lnxtest {
namespace {

constexpr int kPrimaryWidth = 1024;
// The pointer's range keeps this far from the screen's edge.
constexpr int kEdge = 2;

TEST(LinuxTwoMonitors, TheViewAndThePointerStayOnThePrimaryMonitor) {
    Screen screen;
    TrayHost tray;
    screen.movePointer(512, 384);
    Program program("scene:pointing");
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == kPrimaryWidth / 8;
    })) << "never calibrated";
    const Geometry corner = screen.geometry(*screen.findWindow(kView));
    EXPECT_EQ(corner.x + corner.width, kPrimaryWidth) << "the view left the primary monitor";
    // The scene's person points from one side of the range to the other:
    // the pointer follows to the range's left edge, and on the way never
    // goes onto the second monitor.
    int least = kPrimaryWidth;
    int farthest = 0;
    EXPECT_TRUE(waitUntil(
        [&] {
            const int x = screen.pointer().first;
            least = std::min(least, x);
            farthest = std::max(farthest, x);
            return least <= kEdge;
        },
        std::chrono::seconds(60)))
        << "the pointer never reached the range's edge: " << least;
    EXPECT_LT(farthest, kPrimaryWidth);
}

}  // namespace
}  // namespace quil::lnxtest

// The monitors must exist before the program's Qt reads them.
int main(int argc, char** argv) {
    const std::string xrandr = QUIL_XRANDR;
    const std::string left = xrandr + " --setmonitor Left 1024/270x768/203+0+0 screen";
    const std::string right = xrandr + " --setmonitor Right 1024/270x768/203+1024+0 none";
    if (std::system(left.c_str()) != 0 || std::system(right.c_str()) != 0) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
