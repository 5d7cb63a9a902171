// Lensory: opens the camera driver's own settings dialog and nothing else.
// It never shows a window of its own and ends, with exit code 0, as soon as
// the dialog is closed, or at once when there is no camera or no dialog.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// (vfw.h after windows.h)
#include <vfw.h>

#include <cstddef>

namespace {

constexpr char kClassName[] = "Ostrevin2";
constexpr char kIconName[] = "Icono";
// Where the hidden window would be: the lower right of a 1024 x 768 screen.
constexpr int kWindowX = 890;
constexpr int kWindowY = 610;
constexpr int kWindowWidth = 134;
constexpr int kWindowHeight = 128;
constexpr int kCaptureWidth = 128;
constexpr int kCaptureHeight = 96;
constexpr int kDriverSlots = 10;
constexpr int kDescriptionSize = 80;

// The record is asked for at its own size, which differs between 32- and
// 64-bit builds; the flag read sits at the same place in both.
static_assert(offsetof(CAPDRIVERCAPS, fHasDlgVideoSource) == 8);

HWND toolCaptureWindow = nullptr;

LRESULT sendIfWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsWindow(window) ? SendMessageA(window, message, wParam, lParam) : 0;
}

LRESULT CALLBACK toolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            sendIfWindow(toolCaptureWindow, WM_CAP_SET_PREVIEW, 0, 0);
            sendIfWindow(toolCaptureWindow, WM_CAP_DRIVER_DISCONNECT, 0, 0);
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The lowest driver index that has a description and connects.
bool connectFirstDriver(HWND capture) {
    char name[kDescriptionSize];
    char version[kDescriptionSize];
    for (int index = 0; index < kDriverSlots; ++index) {
        if (!capGetDriverDescriptionA(static_cast<WORD>(index), name, kDescriptionSize, version,
                                      kDescriptionSize)) {
            continue;
        }
        if (sendIfWindow(capture, WM_CAP_DRIVER_CONNECT, static_cast<WPARAM>(index), 0) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = toolWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, kIconName);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);

    const HWND toolWindow =
        CreateWindowExA(WS_EX_TOPMOST, kClassName, kClassName, WS_CAPTION | WS_SYSMENU, kWindowX,
                        kWindowY, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    toolCaptureWindow = capCreateCaptureWindowA(kClassName, WS_CHILD | WS_VISIBLE, 0, 0,
                                                kCaptureWidth, kCaptureHeight, toolWindow, 0);
    // No camera is not worth a message here: the tool simply has nothing to show.
    connectFirstDriver(toolCaptureWindow);
    ShowWindow(toolWindow, SW_HIDE);
    UpdateWindow(toolWindow);

    CAPDRIVERCAPS caps{};
    sendIfWindow(toolCaptureWindow, WM_CAP_DRIVER_GET_CAPS, sizeof caps,
                 reinterpret_cast<LPARAM>(&caps));
    if (caps.fHasDlgVideoSource) {
        // Modal: returns when the user closes the driver's dialog.
        sendIfWindow(toolCaptureWindow, WM_CAP_DLG_VIDEOSOURCE, 0, 0);
    }
    // Let the driver go now rather than leave it to the end of the process.
    if (toolWindow != nullptr) DestroyWindow(toolWindow);
    return 0;
}
