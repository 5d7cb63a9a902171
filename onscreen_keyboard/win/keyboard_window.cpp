#include "keyboard_window.h"

#include <windowsx.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "keyboard_link/protocol.h"
#include "onscreen_keyboard/panel_rules.h"
#include "painter.h"
#include "send_input.h"

namespace quil::osk::win {

namespace {

namespace link = quil::keyboard;

// The tracker may still be starting when we do: look for its window this
// often, for this long, before working as a plain on-screen keyboard.
constexpr UINT kFindPeriodMs = 200;
constexpr int kFindAttempts = 150;
// A tracker that does not answer within this time is treated as gone.
constexpr UINT kTrackerPatienceMs = 2000;

constexpr UINT_PTR kTimerFind = 1;
constexpr UINT_PTR kTimerFlash = 2;
constexpr UINT_PTR kTimerRightClick = 3;
// Posted to ourselves for each piece of work the rules leave to the
// message loop.
constexpr UINT kMsgLater = WM_APP + 2;

POINT toPoint(Point p) { return {p.x, p.y}; }

UINT_PTR timerOf(PanelTimer which) {
    return which == PanelTimer::Flash ? kTimerFlash : kTimerRightClick;
}

// The keyboard's window as the rules use it.
class Window final : public PanelWindow {
public:
    HWND hwnd = nullptr;

    WindowId handle() override { return reinterpret_cast<WindowId>(hwnd); }
    [[nodiscard]] bool shown() const override { return IsWindowVisible(hwnd) != FALSE; }
    void show() override { ShowWindow(hwnd, SW_SHOWNOACTIVATE); }
    void hide() override { ShowWindow(hwnd, SW_HIDE); }
    void place(const keyboard::Rect& r) override {
        SetWindowPos(hwnd, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOACTIVATE);
    }
    [[nodiscard]] Point origin() const override {
        POINT p{};
        ClientToScreen(hwnd, &p);
        return {p.x, p.y};
    }
    [[nodiscard]] ScreenSize screenSize() const override {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    // The whole monitor, not its work area: with one monitor the docks stay
    // where the tracker's table (made for the whole screen) puts them.
    [[nodiscard]] keyboard::Rect dockScreen() const override {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        const HMONITOR monitor = MonitorFromPoint(toPoint(pointer()), MONITOR_DEFAULTTOPRIMARY);
        if (GetMonitorInfoW(monitor, &info) == FALSE) return PanelWindow::dockScreen();
        const RECT& r = info.rcMonitor;
        return {r.left, r.top, r.right, r.bottom};
    }
    [[nodiscard]] Point pointer() const override {
        POINT p{};
        GetCursorPos(&p);
        return {p.x, p.y};
    }
    void repaint() override { InvalidateRect(hwnd, nullptr, FALSE); }
    void startTimer(PanelTimer which, int ms) override {
        SetTimer(hwnd, timerOf(which), static_cast<UINT>(ms), nullptr);
    }
    void later(std::function<void()> work) override {
        queued_.push_back(std::move(work));
        PostMessageW(hwnd, kMsgLater, 0, 0);
    }
    // Runs the oldest piece of work left for the message loop.
    void runLater() {
        if (queued_.empty()) return;
        const std::function<void()> work = std::move(queued_.front());
        queued_.pop_front();
        work();
    }

private:
    std::deque<std::function<void()>> queued_;
};

// The folder this program runs from, where its word list lies.
std::filesystem::path programFolder() {
    constexpr DWORD kLongestPath = 32768;
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        if (name.size() >= kLongestPath) return {};
        name.resize(name.size() * 2);
    }
}

// The user's learnt words: in their roaming application data, which is
// theirs alone and follows them; else beside the program.
std::filesystem::path userWordsFile() {
    constexpr DWORD kRoom = 32768;
    std::wstring folder(kRoom, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", folder.data(), kRoom);
    if (length == 0 || length >= kRoom) return programFolder() / kUserWordsFile;
    folder.resize(length);
    return std::filesystem::path(folder) / L"Quilbrand" / kUserWordsFile;
}

struct Link {
    Window window;
    SendInputSink sink;
    KeyboardEvents events;
    Suggestions suggestions;
    PanelRules rules{window, sink, events};
    HWND tracker = nullptr;
    int findAttempts = 0;
};

Link app;

void toTracker(UINT message, WPARAM wParam, LPARAM lParam) {
    if (app.tracker == nullptr) return;
    DWORD_PTR ignored = 0;
    const LRESULT ok =
        SendMessageTimeoutW(app.tracker, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            kTrackerPatienceMs, &ignored);
    // A tracker that has ended is forgotten; a new one starts a second copy
    // of us, which asks us to greet it.
    if (ok == 0 && IsWindow(app.tracker) == FALSE) app.tracker = nullptr;
}

bool findTracker() {
    const HWND tracker = FindWindowW(kTrackerClass, nullptr);
    if (tracker == nullptr) return false;
    app.tracker = tracker;
    return true;
}

// Started, or started again by a new tracker: the rules greet the tracker
// from the message loop, which reaches it if it is there now; one found
// later is greeted when found.
void startLooking() {
    const HWND window = app.window.hwnd;
    KillTimer(window, kTimerFind);
    app.rules.launch();
    if (findTracker()) return;
    app.findAttempts = 0;
    SetTimer(window, kTimerFind, kFindPeriodMs, nullptr);
}

void onTimer(HWND window, WPARAM id) {
    if (id == kTimerFind) {
        if (findTracker()) {
            KillTimer(window, kTimerFind);
            app.rules.announce();
        } else if (++app.findAttempts >= kFindAttempts) {
            KillTimer(window, kTimerFind);
        }
    } else if (id == kTimerFlash || id == kTimerRightClick) {
        KillTimer(window, id);
        app.rules.timerDone(id == kTimerFlash ? PanelTimer::Flash : PanelTimer::RightClick);
    }
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    paintKeyboard(dc, app.rules, client.right, client.bottom);
    EndPaint(window, &ps);
}

LRESULT CALLBACK keyboardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (app.rules.trackerMessage(message, wParam)) return 0;
    switch (message) {
        case kMsgGreetAgain:
            startLooking();
            return 0;
        case kMsgLater:
            app.window.runLater();
            return 0;
        case WM_LBUTTONDOWN:
            app.rules.pressAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_WINDOWPOSCHANGING:
            // Whoever shows or moves us, the focus stays where it is.
            reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOACTIVATE;
            return 0;
        case WM_SHOWWINDOW:
            // The tracker shows and hides us itself.
            if (wParam != FALSE) {
                app.rules.appeared();
            } else {
                app.rules.disappeared();
            }
            return 0;
        case WM_DISPLAYCHANGE:
            app.rules.screenChanged();
            return 0;
        case WM_TIMER:
            onTimer(window, wParam);
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
    app.suggestions = Suggestions::load(programFolder() / kWordListFile, userWordsFile());
    app.rules.useSuggestions(app.suggestions);
    app.events =
        asTrackerMessages([](unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
            toTracker(message, wParam, lParam);
        });
    WNDCLASSW c{};
    c.lpfnWndProc = keyboardProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.lpszClassName = kWindowClass;
    if (RegisterClassW(&c) == 0) return nullptr;
    app.window.hwnd = CreateWindowExW(
        WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, kWindowTitle, WS_POPUP,
        0, 0, link::kKeyboardWidth, link::kKeyboardHeight, nullptr, nullptr, instance, nullptr);
    if (app.window.hwnd == nullptr) return nullptr;
    startLooking();
    return app.window.hwnd;
}

}  // namespace quil::osk::win
