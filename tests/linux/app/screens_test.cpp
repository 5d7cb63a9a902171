// Two monitors side by side on one wide X screen, made with RandR before Qt
// starts: the program's rectangle of all screens holds both.
#include "linux/app/screens.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <cstdlib>
#include <string>

namespace quil::lnx {
namespace {

TEST(LinuxScreens, TheRectangleOfAllScreensHoldsBothMonitors) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "RandR's monitors not seen";
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(allScreensUnion(), (ScreenRect{0, 0, 2048, 768}));
}

}  // namespace
}  // namespace quil::lnx

// The monitors must exist before Qt reads them.
int main(int argc, char** argv) {
    const std::string xrandr = QUIL_XRANDR;
    const std::string left = xrandr + " --setmonitor Left 1024/270x768/203+0+0 screen";
    const std::string right = xrandr + " --setmonitor Right 1024/270x768/203+1024+0 none";
    if (std::system(left.c_str()) != 0 || std::system(right.c_str()) != 0) return 1;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
