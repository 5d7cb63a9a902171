// The tracker's desktop on Windows: pointer, left button and wheel, windows,
// mouse capture, the eyes window, the on-screen keyboard program, and the
// hands-free extras (the view's mode band, the dwell ring, click sounds).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "eyes_window/eyes_window.h"
#include "eyes_window/prompt_window.h"
#include "shell/click_sounds.h"
#include "shell/dwell_ring.h"
#include "shell/view_notice.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil::win {

inline constexpr char kKeyboardProgram[] = "plakette2.exe";
// Sent to the main window when the head's mode changes (wParam: the
// HeadMode), for the tray icon.
inline constexpr UINT kMsgHeadMode = WM_APP + 1;

class Win32Desktop final : public Desktop {
public:
    Win32Desktop(TrackerState& state, HINSTANCE instance)
        : state_(state), instance_(instance), prompt(instance), notice(instance), ring(instance) {}

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
    void tellKeyboardSuggestions(WindowHandle keyboard, bool shown) override;
    void closeKeyboard(WindowHandle keyboard) override;
    void showGesturePrompt(GesturePrompt prompt) override;
    void launchKeyboard() override;

    // The wheel turned by SendInput, as a mouse's would be.
    void scrollWheel(int32_t vertical, int32_t horizontal) override;
    // The band over the camera view, and the tray icon through the main window.
    void showHeadMode(HeadMode mode) override;
    void showDwellRing(ScreenPoint centre, int32_t thousandths) override;
    void playClickSound(ClickSound sound) override;
    bool windowRefusesInput(ScreenPoint p) override;
    void showNotice(DesktopNotice what) override;
    // The virtual screen: every monitor's rectangle together.
    ScreenRect allScreensRect() override;

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
    ViewNotice notice;
    DwellRing ring;
    ClickSoundPlayer sounds;
};

}  // namespace quil::win
