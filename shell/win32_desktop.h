// The tracker's desktop on Windows: pointer, left button, windows, mouse
// capture, the eyes window and the on-screen keyboard program.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "eyes_window/eyes_window.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil::win {

inline constexpr char kKeyboardProgram[] = "plakette2.exe";

class Win32Desktop final : public Desktop {
public:
    Win32Desktop(TrackerState& state, HINSTANCE instance) : state_(state), instance_(instance) {}

    ScreenPoint cursorPos() override;
    void setCursorPos(int32_t x, int32_t y) override;
    void leftButtonDown() override;
    void leftButtonUp() override;
    void showWindow(WindowHandle window, ShowMode mode) override;
    void moveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width,
                    int32_t height) override;
    void setMouseCapture(WindowHandle window) override;
    void releaseMouseCapture() override;
    void startEyesWindow() override;
    void closeEyesWindow(WindowHandle eyesWindow) override;
    void sendToKeyboard(WindowHandle keyboardWindow, unsigned message, std::uintptr_t wParam,
                        std::intptr_t lParam) override;
    void launchKeyboard() override;

    // The eyes window's pictures, loaded by start-up.
    EyesPictures eyesPictures;

private:
    TrackerState& state_;
    HINSTANCE instance_;
};

}  // namespace quil::win
