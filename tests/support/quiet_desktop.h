// A desktop whose pointer follows setCursorPos and that records nothing, so
// that it allocates nothing itself: for allocation counts and benchmarks.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"

namespace quil::testing {

class QuietDesktop : public Desktop {
public:
    ScreenPoint cursor{500, 400};
    ScreenPoint cursorPos() override { return cursor; }
    void setCursorPos(int32_t x, int32_t y) override { cursor = {x, y}; }
    void leftButtonDown() override {}
    void leftButtonUp() override {}
    void showWindow(WindowHandle, ShowMode) override {}
    void moveWindow(WindowHandle, int32_t, int32_t, int32_t, int32_t) override {}
    void setMouseCapture(WindowHandle) override {}
    void releaseMouseCapture() override {}
    void startEyesWindow() override {}
    void closeEyesWindow(WindowHandle) override {}
    void sendToKeyboard(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override {}
    void launchKeyboard() override {}
};

}  // namespace quil::testing
