#include "keyboard_window.h"

#include <windowsx.h>

#include "keyboard_link/protocol.h"
#include "onscreen_keyboard/plakette.h"
#include "painter.h"
#include "send_input.h"

namespace quil::osk::win {

namespace {

namespace link = quil::keyboard;

// The tracker may still be starting when we do: look for its window this
// often, for this long, before working as a plain on-screen keyboard.
constexpr UINT kFindPeriodMs = 200;
constexpr int kFindAttempts = 150;
// How long a typed key stays lit.
constexpr UINT kFlashMs = 150;
// The tracker makes its own left click just before or just after telling us
// of a click outside; a right click must come after it, or that left click
// would land on the menu the right click opens.
constexpr UINT kRightClickDelayMs = 120;
// A tracker that does not answer within this time is treated as gone.
constexpr UINT kTrackerPatienceMs = 2000;

constexpr UINT_PTR kTimerFind = 1;
constexpr UINT_PTR kTimerFlash = 2;
constexpr UINT_PTR kTimerRightClick = 3;
// Posted to ourselves when shown: the tracker may have reset its idea of our
// place before showing us, so we tell it where we really are.
constexpr UINT kMsgAnnounceDock = WM_APP + 2;

struct Link {
    HWND window = nullptr;
    HWND tracker = nullptr;
    int findAttempts = 0;
    Plakette keys;
};

Link app;

void toTracker(UINT message, WPARAM wParam) {
    if (app.tracker == nullptr) return;
    DWORD_PTR ignored = 0;
    const LRESULT ok =
        SendMessageTimeoutW(app.tracker, message, wParam, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            kTrackerPatienceMs, &ignored);
    // A tracker that has ended is forgotten; a new one starts a second copy
    // of us, which asks us to greet it.
    if (ok == 0 && IsWindow(app.tracker) == FALSE) app.tracker = nullptr;
}

void greetTracker() {
    toTracker(link::kMsgKeyboardHello, reinterpret_cast<WPARAM>(app.window));
    toTracker(link::kMsgKeyboardDock, app.keys.dock());
}

bool findTracker() {
    const HWND tracker = FindWindowW(kTrackerClass, nullptr);
    if (tracker == nullptr) return false;
    app.tracker = tracker;
    greetTracker();
    return true;
}

void startLooking() {
    if (findTracker()) return;
    app.findAttempts = 0;
    SetTimer(app.window, kTimerFind, kFindPeriodMs, nullptr);
}

void moveToDock(unsigned code) {
    const auto rect =
        link::dockRect(code, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (!rect) return;
    app.keys.docked(code);
    SetWindowPos(app.window, HWND_TOPMOST, rect->left, rect->top, link::kKeyboardWidth,
                 link::kKeyboardHeight, SWP_NOACTIVATE);
}

// The pointer's place in window pixels.
POINT pointerInWindow() {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(app.window, &p);
    return p;
}

void repaint() { InvalidateRect(app.window, nullptr, FALSE); }

void press(POINT at) {
    // Keys that cannot be seen are not pressed, whoever asks.
    if (IsWindowVisible(app.window) == FALSE) return;
    const KeyResult r = app.keys.pressAt(at.x, at.y);
    if (!r.key) return;
    SetTimer(app.window, kTimerFlash, kFlashMs, nullptr);
    repaint();
    const Typed& t = r.typed;
    if (!t.text.empty()) sendText(t.text);
    if (t.special != SpecialKey::None) sendSpecial(t.special);
    if (t.dock != 0) {
        moveToDock(t.dock);
        toTracker(link::kMsgKeyboardDock, t.dock);
    }
    if (t.hide) {
        ShowWindow(app.window, SW_HIDE);
        app.keys.pointerLeft();
        toTracker(link::kMsgKeyboardGone, 0);
    }
}

// An armed click made over the keyboard itself would press one of its keys:
// such a click is dropped.
bool pointerOverUs() {
    const POINT p = pointerInWindow();
    RECT client{};
    GetClientRect(app.window, &client);
    return IsWindowVisible(app.window) != FALSE && PtInRect(&client, p) != FALSE;
}

void clickOutside() {
    const Latch armed = app.keys.clickOutside();
    repaint();
    if (armed == Latch::DoubleClick && !pointerOverUs()) sendClick(Latch::DoubleClick);
    if (armed == Latch::RightClick)
        SetTimer(app.window, kTimerRightClick, kRightClickDelayMs, nullptr);
}

void onTimer(WPARAM id) {
    if (id == kTimerFind) {
        if (findTracker() || ++app.findAttempts >= kFindAttempts) KillTimer(app.window, kTimerFind);
    } else if (id == kTimerFlash) {
        KillTimer(app.window, kTimerFlash);
        if (app.keys.flashOver()) repaint();
    } else if (id == kTimerRightClick) {
        KillTimer(app.window, kTimerRightClick);
        if (!pointerOverUs()) sendClick(Latch::RightClick);
    }
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    paintKeyboard(dc, app.keys, client.right, client.bottom);
    EndPaint(window, &ps);
}

LRESULT CALLBACK keyboardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case link::kMsgKeyPress:
            press(pointerInWindow());
            return 0;
        case link::kMsgPointerOver: {
            const POINT p = pointerInWindow();
            if (app.keys.pointerOver(p.x, p.y)) repaint();
            return 0;
        }
        case link::kMsgPointerLeft:
            if (app.keys.pointerLeft()) repaint();
            return 0;
        case link::kMsgClickOutside:
            clickOutside();
            return 0;
        case kMsgGreetAgain:
            KillTimer(window, kTimerFind);
            startLooking();
            return 0;
        case kMsgAnnounceDock:
            toTracker(link::kMsgKeyboardDock, app.keys.dock());
            return 0;
        case WM_LBUTTONDOWN:
            press(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_WINDOWPOSCHANGING:
            // Whoever shows or moves us, the focus stays where it is.
            reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOACTIVATE;
            return 0;
        case WM_SHOWWINDOW:
            if (wParam != FALSE && app.tracker != nullptr)
                PostMessageW(window, kMsgAnnounceDock, 0, 0);
            return 0;
        case WM_DISPLAYCHANGE:
            // A new screen size moves the docks: stay at ours.
            moveToDock(app.keys.dock());
            toTracker(link::kMsgKeyboardDock, app.keys.dock());
            return 0;
        case WM_TIMER:
            onTimer(wParam);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint(window);
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND createKeyboardWindow(HINSTANCE instance) {
    WNDCLASSW c{};
    c.lpfnWndProc = keyboardProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.lpszClassName = kWindowClass;
    if (RegisterClassW(&c) == 0) return nullptr;
    app.window = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass,
                                 kWindowTitle, WS_POPUP, 0, 0, link::kKeyboardWidth,
                                 link::kKeyboardHeight, nullptr, nullptr, instance, nullptr);
    if (app.window == nullptr) return nullptr;
    moveToDock(link::kDockBottomCentre);
    ShowWindow(app.window, SW_SHOWNOACTIVATE);
    startLooking();
    return app.window;
}

}  // namespace quil::osk::win
