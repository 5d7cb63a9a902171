#include "eyes_window/eyes_window.h"

#include "capture/capture.h"
#include "win32_common/handles.h"

namespace quil::win {

namespace {

// Longest wait for the eyes thread to create its window; far above what it
// takes, but a wedged thread must not stop the tracker for good.
constexpr DWORD kWindowReadyTimeoutMs = 5000;

struct EyesStart {
    TrackerState* state = nullptr;
    HINSTANCE instance = nullptr;
    EyesPictures pictures;
    HANDLE ready = nullptr;
};

// Per window, on the eyes thread's stack for the window's whole life.
struct EyesWindowData {
    TrackerState* state = nullptr;
    EyesPictures pictures;
    bool nextClosed = true;
};

EyesWindowData* dataOf(HWND window) {
    return reinterpret_cast<EyesWindowData*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void paintEyes(HWND window, EyesWindowData& data) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    const HBITMAP picture = data.nextClosed ? data.pictures.closed : data.pictures.open;
    data.nextClosed = !data.nextClosed;
    if (picture != nullptr) {
        MemoryDc memory(dc, picture);
        if (memory) {
            BitBlt(dc, kEyesPictureLeft, kEyesPictureTop, kEyesPictureWidth, kEyesPictureHeight,
                   memory.get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(window, &ps);
}

DWORD WINAPI eyesThread(LPVOID argument) {
    const EyesStart start = *static_cast<EyesStart*>(argument);
    TrackerState& s = *start.state;
    EyesWindowData data{&s, start.pictures, true};
    // The main thread waits while the window is created, so the view fields
    // are stable here.
    const HWND window = CreateWindowExA(
        WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "Eyes", "Eyes", WS_POPUP | WS_BORDER, s.view.viewX,
        s.view.viewY, s.view.viewWidth, s.view.viewHeight, nullptr, nullptr, start.instance, &data);
    s.shared.eyesWindow = fromHwnd(window);
    SetEvent(start.ready);
    if (window == nullptr) return 0;

    ShowWindow(toHwnd(s.session.mainWindow), SW_HIDE);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetTimer(window, kEyesTimerId, kEyesPeriodMs, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// Waits for the event while still serving messages sent to this thread's
// windows: the eyes window's creation sends the overlay message to the
// capture window, which this thread owns.
void waitServingSentMessages(HANDLE event, DWORD timeoutMs) {
    const DWORD deadline = GetTickCount() + timeoutMs;
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD left = static_cast<int32_t>(deadline - now) > 0 ? deadline - now : 0;
        const DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1) return;
        MSG ignored;
        PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

LRESULT CALLBACK eyesWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            auto* data = static_cast<EyesWindowData*>(create->lpCreateParams);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
            if (data != nullptr) data->nextClosed = true;
            return 0;
        }
        case WM_PAINT: {
            EyesWindowData* data = dataOf(window);
            if (data == nullptr) break;
            paintEyes(window, *data);
            return 0;
        }
        case WM_TIMER:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_MOVE: {
            EyesWindowData* data = dataOf(window);
            if (data != nullptr) captureOverlayOn(*data->state);
            return 0;
        }
        case WM_CLOSE:
            KillTimer(window, kEyesTimerId);
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void startEyesThread(TrackerState& s, HINSTANCE instance, const EyesPictures& pictures) {
    UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready) return;
    EyesStart start{&s, instance, pictures, ready.get()};
    if (!startDetachedThread(eyesThread, &start)) return;
    waitServingSentMessages(ready.get(), kWindowReadyTimeoutMs);
}

}  // namespace quil::win
