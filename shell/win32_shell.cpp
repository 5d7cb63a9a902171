#include "shell/win32_shell.h"

#include "app_layer/texts.h"
#include "capture/capture.h"
#include "shell/main_window.h"
#include "win32_common/handles.h"

namespace quil::win {

bool Win32Shell::createWindows() {
    TrackerState& s = app_.state;
    const HWND main =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kMainClassName, kMainTitle,
                        WS_POPUP | WS_BORDER, s.view.viewX, s.view.viewY, s.view.viewWidth,
                        s.view.viewHeight, nullptr, nullptr, app_.instance, &app_);
    if (main == nullptr) return false;
    s.session.mainWindow = fromHwnd(main);
    createCaptureView(s);
    return true;
}

CameraStart Win32Shell::openCamera() {
    TrackerState& s = app_.state;
    if (!connectFirstDriver(s)) return CameraStart::NoCamera;
    const HWND main = toHwnd(s.session.mainWindow);
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    configureCapture(s, app_.desktop);
    if (!ensureVideoFormat(s)) return CameraStart::NoFormat;
    return CameraStart::Ready;
}

void Win32Shell::warn(const char* text) {
    MessageBoxA(toHwnd(app_.state.session.mainWindow), text, kWarningCaption, MB_OK);
}

void Win32Shell::showView() {
    SetActiveWindow(toHwnd(app_.state.session.captureWindow));
    Win32Desktop& desktop = app_.desktop;
    desktop.eyesPictures = {LoadBitmapA(app_.instance, kEyesOpenName),
                            LoadBitmapA(app_.instance, kEyesClosedName)};
    desktop.prompt.pictures = {desktop.eyesPictures.closed,
                               LoadBitmapA(app_.instance, kMouthOpenName)};
}

void Win32Shell::startFrames() { startFrameTimer(app_.state); }

void Win32Shell::stopFrames() { KillTimer(toHwnd(app_.state.session.mainWindow), kFrameTimerId); }

void Win32Shell::stopCamera() { stopCapture(app_.state); }

void Win32Shell::removeTrayIcon() { win::removeTrayIcon(app_); }

void Win32Shell::endMessageLoop() { PostQuitMessage(0); }

}  // namespace quil::win
