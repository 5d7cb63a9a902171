// A stand-in for the on-screen keyboard program, built as "plakette2.exe":
// it announces its window to Quilbrand2 (WM_USER), docks (1045), hides when
// told to (1025), and logs every message of the keyboard link it receives.
//
// Environment (set by the tests): QUIL_KEYBOARD_DOCK, the dock digit to
// report (default 1).
#include <string>

#include "event_log.h"

namespace {

using quil::wintest::logEvent;

constexpr char kClassName[] = "QuilTestKeyboard";
constexpr UINT kMsgHello = WM_USER;
constexpr UINT kMsgGone = 1025;
constexpr UINT kMsgDock = 1045;
// Sent by the tests: hide yourself and tell the tracker.
constexpr UINT kMsgPleaseHide = WM_APP + 1;
constexpr int kWidth = 412;
constexpr int kHeight = 192;
constexpr DWORD kFindPatienceMs = 15000;

HWND mainWindow = nullptr;

void logMessage(const char* name, WPARAM wParam, LPARAM lParam) {
    logEvent(std::string("keyboard ") + name + " " + std::to_string(wParam) + " " +
             std::to_string(lParam));
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    RECT all;
    GetClientRect(window, &all);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    const char* rows[] = {"Q W E R T Y U I O P", "A S D F G H J K L", "Z X C V B N M"};
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < 3; ++i) {
        RECT r{0, 30 + i * 50, all.right, 70 + i * 50};
        DrawTextA(dc, rows[i], -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    }
    EndPaint(window, &ps);
}

LRESULT CALLBACK keyboardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case 1044:
            logMessage("key-press", wParam, lParam);
            return 0;
        case 1055:
            logMessage("pointer-over", wParam, lParam);
            return 0;
        case 1057:
            logMessage("click-outside", wParam, lParam);
            return 0;
        case 1058:
            logMessage("pointer-left", wParam, lParam);
            return 0;
        case kMsgPleaseHide:
            ShowWindow(window, SW_HIDE);
            SendMessageA(mainWindow, kMsgGone, 0, 0);
            logEvent("keyboard gone-sent");
            return 0;
        case WM_SHOWWINDOW:
            logEvent(wParam != 0 ? "keyboard shown" : "keyboard hidden");
            break;
        case WM_CLOSE: {
            const bool icon = quil::wintest::trayIconExists(mainWindow, 100);
            logEvent(std::string("keyboard close tray=") + (icon ? "present" : "absent"));
            DestroyWindow(window);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            paint(window);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA c{};
    c.lpfnWndProc = keyboardProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = kClassName;
    RegisterClassA(&c);

    const int sw = GetSystemMetrics(SM_CXSCREEN);
    const int sh = GetSystemMetrics(SM_CYSCREEN);
    const HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClassName, "plakette2",
                                        WS_POPUP | WS_BORDER, (sw - kWidth) / 2, sh - kHeight - 30,
                                        kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;

    for (DWORD waited = 0; waited < kFindPatienceMs && mainWindow == nullptr; waited += 50) {
        mainWindow = FindWindowA("Quilbrand2", "Quilbrand2");
        if (mainWindow == nullptr) Sleep(50);
    }
    if (mainWindow == nullptr) {
        logEvent("keyboard no-main-window");
        return 1;
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SendMessageA(mainWindow, kMsgHello, reinterpret_cast<WPARAM>(window), 0);
    logEvent("keyboard hello-sent");
    const char* dock = std::getenv("QUIL_KEYBOARD_DOCK");
    const WPARAM code = (dock != nullptr && dock[0] != 0) ? static_cast<WPARAM>(dock[0]) : '1';
    SendMessageA(mainWindow, kMsgDock, code, 0);
    logEvent("keyboard dock-sent " + std::to_string(code));

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    logEvent("keyboard exit");
    return 0;
}
