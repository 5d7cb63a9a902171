#include "shell/win32_desktop.h"

#include <shellapi.h>

#include "app_layer/texts.h"
#include "eyes_window/eyes_window.h"
#include "keyboard_link/protocol.h"
#include "shell/refused_window.h"
#include "win32_common/handles.h"

namespace quil::win {

namespace {

// A keyboard program that stops answering must not freeze the pointer: a
// send to it gives up once the system considers it hung.
constexpr UINT kKeyboardSendTimeoutMs = 2000;

}  // namespace

ScreenPoint Win32Desktop::cursorPos() {
    POINT p{0, 0};
    GetCursorPos(&p);
    return {static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)};
}

void Win32Desktop::setCursorPos(int32_t x, int32_t y) { SetCursorPos(x, y); }

void Win32Desktop::leftButtonDown() { mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0); }

void Win32Desktop::leftButtonUp() { mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0); }

void Win32Desktop::show(WindowHandle window, int command) {
    if (window == 0) return;
    ShowWindow(toHwnd(window), command);
}

void Win32Desktop::showCameraView() { show(state_.session.mainWindow, SW_SHOWNORMAL); }

void Win32Desktop::hideCameraView() { show(state_.session.mainWindow, SW_HIDE); }

void Win32Desktop::placeCameraView(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (state_.session.mainWindow != 0) {
        MoveWindow(toHwnd(state_.session.mainWindow), x, y, width, height, TRUE);
    }
    if (state_.session.captureWindow != 0) {
        MoveWindow(toHwnd(state_.session.captureWindow), 0, 0, width, height, TRUE);
    }
    notice.fit();
}

void Win32Desktop::holdPointerOnCameraView() {
    if (state_.session.mainWindow != 0) SetCapture(toHwnd(state_.session.mainWindow));
}

void Win32Desktop::releasePointer() { ReleaseCapture(); }

void Win32Desktop::startEyesWindow() { startEyesThread(state_, instance_, eyesPictures); }

void Win32Desktop::closeEyesWindow(WindowHandle eyesWindow) {
    if (eyesWindow == 0) return;
    SendMessageA(toHwnd(eyesWindow), WM_DESTROY, 0, 0);
}

// Over the camera view wherever it is now; the tracker's thread serves it.
void Win32Desktop::showGesturePrompt(GesturePrompt step) { prompt.show(step, promptPlace(state_)); }

void Win32Desktop::showKeyboard(WindowHandle keyboard) { show(keyboard, SW_SHOW); }

void Win32Desktop::hideKeyboard(WindowHandle keyboard) { show(keyboard, SW_HIDE); }

void Win32Desktop::pressKeyboardKey(WindowHandle keyboard) {
    sendToKeyboard(keyboard, keyboard::kMsgKeyPress, keyboard::kKeyPressWParam,
                   keyboard::kKeyPressLParam);
}

void Win32Desktop::tellKeyboardClickOutside(WindowHandle keyboard) {
    sendToKeyboard(keyboard, keyboard::kMsgClickOutside, 0, 0);
}

void Win32Desktop::tellKeyboardPointerOver(WindowHandle keyboard) {
    sendToKeyboard(keyboard, keyboard::kMsgPointerOver, keyboard::kPointerOverWParam, 0);
}

void Win32Desktop::tellKeyboardPointerLeft(WindowHandle keyboard) {
    sendToKeyboard(keyboard, keyboard::kMsgPointerLeft, 0, 0);
}

void Win32Desktop::tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) {
    sendToKeyboard(keyboard, keyboard::kMsgDwellProgress, static_cast<WPARAM>(thousandths), 0);
}

void Win32Desktop::tellKeyboardSuggestions(WindowHandle keyboard, bool shown) {
    sendToKeyboard(keyboard, keyboard::kMsgSuggestions, shown ? 1 : 0, 0);
}

void Win32Desktop::closeKeyboard(WindowHandle keyboard) {
    sendToKeyboard(keyboard, WM_CLOSE, 0, 0);
}

void Win32Desktop::sendToKeyboard(WindowHandle keyboardWindow, UINT message, WPARAM wParam,
                                  LPARAM lParam) {
    if (keyboardWindow == 0) return;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(toHwnd(keyboardWindow), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kKeyboardSendTimeoutMs, &ignored);
}

void Win32Desktop::launchKeyboard() {
    ShellExecuteA(nullptr, nullptr, kKeyboardProgram, nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Desktop::scrollWheel(int32_t vertical, int32_t horizontal) {
    INPUT turns[2]{};
    UINT count = 0;
    // mouseData carries the signed amount in an unsigned field.
    const auto turn = [&](int32_t amount, DWORD flag) {
        if (amount == 0) return;
        INPUT& in = turns[count++];
        in.type = INPUT_MOUSE;
        in.mi.mouseData = static_cast<DWORD>(amount);
        in.mi.dwFlags = flag;
    };
    turn(vertical, MOUSEEVENTF_WHEEL);
    turn(horizontal, MOUSEEVENTF_HWHEEL);
    if (count > 0) SendInput(count, turns, sizeof(INPUT));
}

void Win32Desktop::showHeadMode(HeadMode mode) {
    const HWND main = toHwnd(state_.session.mainWindow);
    notice.showMode(main, mode);
    if (main != nullptr) SendMessageA(main, kMsgHeadMode, static_cast<WPARAM>(mode), 0);
}

void Win32Desktop::showDwellRing(ScreenPoint centre, int32_t thousandths) {
    ring.show(centre, thousandths);
}

void Win32Desktop::playClickSound(ClickSound sound) { sounds.play(sound); }

bool Win32Desktop::windowRefusesInput(ScreenPoint p) {
    return refusesInput(ownerFactsAt(POINT{p.x, p.y}));
}

void Win32Desktop::showNotice(DesktopNotice what) {
    if (what == DesktopNotice::RefusedWindow) {
        notice.showNotice(toHwnd(state_.session.mainWindow), kRefusedWindowNotice);
    }
}

ScreenRect Win32Desktop::allScreensRect() {
    return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

}  // namespace quil::win
