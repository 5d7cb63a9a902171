// The tracker's desktop on Windows: pointer, left button, windows, mouse
// capture, the eyes window and the on-screen keyboard program.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "eyes_window/eyes_window.h"
#include "eyes_window/prompt_window.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil::win {

inline constexpr char kKeyboardProgram[] = "plakette2.exe";

class Win32Desktop final : public Desktop {
public:
    Win32Desktop(TrackerState& state, HINSTANCE instance)
        : state_(state), instance_(instance), prompt(instance) {}

    ScreenPoint cursorPos() override;
    void setCursorPos(int32_t x, int32_t y) override;
    void leftButtonDown() override;
    void leftButtonUp() override;
    void showCameraView() override;
    void hideCameraView() override;
    void placeCameraView(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void holdPointerOnCameraView() override;
    void releasePointer() override;
    void startEyesWindow() override;
    void closeEyesWindow(WindowHandle eyesWindow) override;
    void showKeyboard(WindowHandle keyboard) override;
    void hideKeyboard(WindowHandle keyboard) override;
    void pressKeyboardKey(WindowHandle keyboard) override;
    void tellKeyboardClickOutside(WindowHandle keyboard) override;
    void tellKeyboardPointerOver(WindowHandle keyboard) override;
    void tellKeyboardPointerLeft(WindowHandle keyboard) override;
    void tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) override;
    void closeKeyboard(WindowHandle keyboard) override;
    void showGesturePrompt(GesturePrompt prompt) override;
    void launchKeyboard() override;

    // The eyes window's pictures, loaded by start-up.
    EyesPictures eyesPictures;

private:
    void show(WindowHandle window, int command);
    void sendToKeyboard(WindowHandle keyboard, UINT message, WPARAM wParam, LPARAM lParam);

    TrackerState& state_;
    HINSTANCE instance_;

public:
    // The gesture check's prompt; its pictures are loaded by start-up.
    PromptWindow prompt;
};

}  // namespace quil::win
