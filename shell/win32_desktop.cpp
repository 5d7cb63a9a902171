#include "shell/win32_desktop.h"

#include <shellapi.h>

#include "eyes_window/eyes_window.h"
#include "shell/win32_handles.h"

namespace quil::win {

namespace {

// A keyboard program that stops answering must not freeze the pointer: a
// send to it gives up once the system considers it hung.
constexpr UINT kKeyboardSendTimeoutMs = 2000;

int toShowCommand(ShowMode mode) {
    switch (mode) {
        case ShowMode::Hide:
            return SW_HIDE;
        case ShowMode::Show:
            return SW_SHOW;
        case ShowMode::ShowNormal:
            return SW_SHOWNORMAL;
    }
    return SW_SHOW;
}

}  // namespace

ScreenPoint Win32Desktop::cursorPos() {
    POINT p{0, 0};
    GetCursorPos(&p);
    return {static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)};
}

void Win32Desktop::setCursorPos(int32_t x, int32_t y) { SetCursorPos(x, y); }

void Win32Desktop::leftButtonDown() { mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0); }

void Win32Desktop::leftButtonUp() { mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0); }

void Win32Desktop::showWindow(WindowHandle window, ShowMode mode) {
    if (window == 0) return;
    ShowWindow(toHwnd(window), toShowCommand(mode));
}

void Win32Desktop::moveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width,
                              int32_t height) {
    if (window == 0) return;
    MoveWindow(toHwnd(window), x, y, width, height, TRUE);
}

void Win32Desktop::setMouseCapture(WindowHandle window) {
    if (window == 0) return;
    SetCapture(toHwnd(window));
}

void Win32Desktop::releaseMouseCapture() { ReleaseCapture(); }

void Win32Desktop::startEyesWindow() { startEyesThread(state_, instance_, eyesPictures); }

void Win32Desktop::closeEyesWindow(WindowHandle eyesWindow) {
    if (eyesWindow == 0) return;
    SendMessageA(toHwnd(eyesWindow), WM_DESTROY, 0, 0);
}

void Win32Desktop::sendToKeyboard(WindowHandle keyboardWindow, unsigned message,
                                  std::uintptr_t wParam, std::intptr_t lParam) {
    if (keyboardWindow == 0) return;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(toHwnd(keyboardWindow), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kKeyboardSendTimeoutMs, &ignored);
}

void Win32Desktop::launchKeyboard() {
    ShellExecuteA(nullptr, nullptr, kKeyboardProgram, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace quil::win
