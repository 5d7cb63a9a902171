// Two monitors, as tests/win32/in-two-monitors lays them out: the primary
// 1024 x 768 at the origin and a second 800 x 600 to its left. The head
// range over every screen needs the rectangle around both, and the pointer
// must reach the left one.
#include <gtest/gtest.h>

#include <memory>

#include "shell/win32_desktop.h"

namespace quil::win {
namespace {

TEST(TwoMonitors, AllScreensSpansBothFromTheLeftOnesCorner) {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "run through in-two-monitors";
    auto state = std::make_unique<TrackerState>();
    Win32Desktop desktop(*state, GetModuleHandleA(nullptr));
    EXPECT_EQ(desktop.allScreensRect(), (ScreenRect{-800, 0, 1824, 768}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "the primary alone";

    desktop.setCursorPos(-400, 300);
    EXPECT_EQ(desktop.cursorPos(), (ScreenPoint{-400, 300}));
    desktop.setCursorPos(1000, 700);
    EXPECT_EQ(desktop.cursorPos(), (ScreenPoint{1000, 700}));
}

}  // namespace
}  // namespace quil::win
