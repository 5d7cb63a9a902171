// The one seam between the tracker and the desktop it drives.
//
// Everything the tracker does outside its own memory (pointer, left button,
// windows, mouse capture, the eyes window, the on-screen keyboard program)
// goes through this interface. The Win32 layer, the simulator and the
// recording fake of the tests implement it; the tracker core includes no OS
// header.
//
// Contract, for every method unless it says otherwise:
// - Called on the tracker's thread (the main window's thread on Windows),
//   from inside one frame step or from the main window's message handler.
// - Returns quickly; nothing here waits on the camera. The calls that cross
//   to another thread (closeEyesWindow, sendToKeyboard) block until that
//   thread has handled the message, as the platform's synchronous send does.
// - Failures are not reported: the tracker never examines a result of these
//   calls except the pointer position it reads.
// - A window handle of 0 names no window; calls on it are harmless no-ops.
#pragma once

#include <cstdint>

namespace quil {

using WindowHandle = std::uintptr_t;

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

enum class ShowMode {
    Hide,        // SW_HIDE
    Show,        // SW_SHOW
    ShowNormal,  // SW_SHOWNORMAL
};

// Window messages the tracker sends to the on-screen keyboard program.
inline constexpr unsigned kMsgClose = 16;           // WM_CLOSE, at teardown
inline constexpr unsigned kMsgKeyPress = 1044;      // wParam 87, lParam 48
inline constexpr unsigned kMsgPointerOver = 1055;   // wParam 1, lParam 0
inline constexpr unsigned kMsgClickOutside = 1057;  // wParam 0, lParam 0
inline constexpr unsigned kMsgPointerLeft = 1058;   // wParam 0, lParam 0
// Window messages the keyboard program sends to the main window.
inline constexpr unsigned kMsgKeyboardHello = 1024;  // WM_USER, wParam = its window
inline constexpr unsigned kMsgKeyboardGone = 1025;
inline constexpr unsigned kMsgKeyboardDock = 1045;  // low byte of wParam '1'..'5'

class Desktop {
public:
    Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    virtual ~Desktop() = default;

    // GetCursorPos: the pointer's screen position.
    virtual ScreenPoint cursorPos() = 0;
    // SetCursorPos.
    virtual void setCursorPos(int32_t x, int32_t y) = 0;
    // mouse_event with MOUSEEVENTF_LEFTDOWN / MOUSEEVENTF_LEFTUP at the
    // pointer's current position.
    virtual void leftButtonDown() = 0;
    virtual void leftButtonUp() = 0;

    // ShowWindow on the main window, the capture view or the keyboard window.
    virtual void showWindow(WindowHandle window, ShowMode mode) = 0;
    // MoveWindow with repainting.
    virtual void moveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width,
                            int32_t height) = 0;
    // SetCapture / ReleaseCapture.
    virtual void setMouseCapture(WindowHandle window) = 0;
    virtual void releaseMouseCapture() = 0;

    // Starts the eyes window on a thread of its own; the thread stores the
    // window's handle in the tracker state itself. Does not wait for it.
    virtual void startEyesWindow() = 0;
    // Sends WM_DESTROY to the eyes window and returns once its thread has
    // handled it.
    virtual void closeEyesWindow(WindowHandle eyesWindow) = 0;

    // SendMessageA to the keyboard program's window; synchronous.
    virtual void sendToKeyboard(WindowHandle keyboardWindow, unsigned message,
                                std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // ShellExecuteA of the keyboard program "plakette2.exe"; the result is
    // not examined. The program announces its window later.
    virtual void launchKeyboard() = 0;
};

}  // namespace quil
