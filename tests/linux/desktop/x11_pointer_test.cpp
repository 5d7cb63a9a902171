// The X11 pointer on a real (virtual) X server: what it sets is what the
// server reports, within the screen, and it leaves no button down.
#include "linux/desktop/x11_pointer.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xlib.h>

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

// A window over the screen counting the wheel buttons' presses it receives,
// as any program under the pointer would.
class WheelWindow {
public:
    WheelWindow() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) return;
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.event_mask = ButtonPressMask | StructureNotifyMask;
        window_ =
            XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 1024, 768, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &a);
        XMapRaised(display_, window_);
        XFlush(display_);
    }
    ~WheelWindow() {
        if (display_ == nullptr) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    WheelWindow(const WheelWindow&) = delete;
    WheelWindow& operator=(const WheelWindow&) = delete;

    // Reads events until `ready` holds for the presses, or a deadline.
    template <typename Ready>
    bool waitFor(Ready ready) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!ready(presses) && std::chrono::steady_clock::now() < end) {
            while (XPending(display_) > 0) {
                XEvent e{};
                XNextEvent(display_, &e);
                if (e.type == MapNotify) mapped = true;
                if (e.type == ButtonPress && e.xbutton.button < presses.size()) {
                    ++presses[e.xbutton.button];
                }
            }
            XFlush(display_);
        }
        return ready(presses);
    }

    std::array<int, 8> presses{};
    bool mapped = false;

private:
    Display* display_;
    Window window_ = 0;
};

TEST(X11Pointer, TheWheelClicksButtonsFourToSevenOncePerWholeNotch) {
    auto pointer = X11Pointer::open();
    ASSERT_NE(pointer, nullptr);
    WheelWindow window;
    ASSERT_TRUE(window.waitFor([&](const auto&) { return window.mapped; }));
    pointer->moveTo(500, 400);
    // Up two and a half notches, then the half and a bit more: three in all.
    pointer->wheel(300, 0);
    pointer->wheel(70, 0);
    // Right one, left two (the 60 carried over makes -300 two notches).
    pointer->wheel(0, 180);
    pointer->wheel(0, -300);
    // Down one in small steps, the 10 left over from going up taken back first.
    for (int i = 0; i < 5; ++i) pointer->wheel(-30, 0);
    const std::array<int, 8> expected{0, 0, 0, 0, 3, 1, 2, 1};
    EXPECT_TRUE(window.waitFor([&](const auto& p) { return p == expected; }));
    EXPECT_EQ(window.presses, expected);
}

}  // namespace
}  // namespace quil::lnx
