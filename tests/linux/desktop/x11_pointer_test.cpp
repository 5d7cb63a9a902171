// The X11 pointer on a real (virtual) X server: what it sets is what the
// server reports, within the screen, and it leaves no button down.
#include "linux/desktop/x11_pointer.h"

#include <gtest/gtest.h>

namespace quil::lnx {
namespace {

TEST(X11Pointer, MovesThePointerTheServerReportsWithinTheScreen) {
    auto pointer = X11Pointer::open();
    ASSERT_NE(pointer, nullptr) << "run under xvfb-run";
    EXPECT_EQ(pointer->screenWidth(), 1024);
    EXPECT_EQ(pointer->screenHeight(), 768);
    pointer->moveTo(100, 200);
    EXPECT_EQ(pointer->position(), (ScreenPoint{100, 200}));
    pointer->moveTo(-5, 99999);
    EXPECT_EQ(pointer->position(), (ScreenPoint{0, 767}));
}

TEST(X11Pointer, AButtonItHoldsIsReleasedWhenItGoes) {
    auto pointer = X11Pointer::open();
    ASSERT_NE(pointer, nullptr);
    pointer->leftButton(true);
    EXPECT_TRUE(pointer->leftButtonDown());
    pointer.reset();
    auto after = X11Pointer::open();
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(after->leftButtonDown());
}

}  // namespace
}  // namespace quil::lnx
