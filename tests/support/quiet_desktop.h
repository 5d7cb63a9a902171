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
    void showCameraView() override {}
    void hideCameraView() override {}
    void placeCameraView(int32_t, int32_t, int32_t, int32_t) override {}
    void holdPointerOnCameraView() override {}
    void releasePointer() override {}
    void startEyesWindow() override {}
    void closeEyesWindow(WindowHandle) override {}
    void showKeyboard(WindowHandle) override {}
    void hideKeyboard(WindowHandle) override {}
    void pressKeyboardKey(WindowHandle) override {}
    void tellKeyboardClickOutside(WindowHandle) override {}
    void tellKeyboardPointerOver(WindowHandle) override {}
    void tellKeyboardPointerLeft(WindowHandle) override {}
    void closeKeyboard(WindowHandle) override {}
    void showGesturePrompt(GesturePrompt) override {}
    void launchKeyboard() override {}
};

}  // namespace quil::testing
