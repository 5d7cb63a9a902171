#include "shell/main_window.h"

#include <cstring>
#include <string_view>

#include "app_layer/tray_menu.h"
#include "capture/capture.h"
#include "keyboard_link/keyboard_link.h"
#include "options/window/options_window.h"
#include "shell/win32_shell.h"
#include "win32_common/handles.h"

namespace quil::win {

namespace {

App* appOf(HWND window) { return reinterpret_cast<App*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

// The icon and tip for the head's mode: only the pause changes them.
void dressTrayIcon(App& app) {
    NOTIFYICONDATAA& icon = app.trayIcon;
    const bool paused = app.headMode == HeadMode::Paused;
    icon.hIcon = LoadIconA(app.instance, paused ? kPausedIconName : kIconName);
    std::memset(icon.szTip, 0, sizeof icon.szTip);
    std::strncpy(icon.szTip, paused ? kPausedTrayTip : kTrayTip, sizeof(icon.szTip) - 1);
}

void addTrayIcon(App& app, HWND window) {
    NOTIFYICONDATAA& icon = app.trayIcon;
    icon = NOTIFYICONDATAA{};
    // The oldest layout of the record: every shell accepts it, and the
    // fields it has are all the icon needs.
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = kTrayIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayMessage;
    dressTrayIcon(app);
    // Added again after a shell restart, it may still be there: whatever
    // this answer, an icon once shown is removed at the end.
    if (Shell_NotifyIconA(NIM_ADD, &icon) != FALSE) app.trayIconShown = true;
}

UINT itemFlags(const TrackerState& s, const TrayEntry& entry) {
    const TrayItemState state = trayItemState(s, entry.command);
    UINT flags = MF_BYPOSITION | MF_STRING;
    if (state.ticked) flags |= MF_CHECKED;
    if (state.greyed) flags |= MF_GRAYED;
    return flags;
}

// Draws the portable menu: a submenu is filled, then appended to its parent
// under its title; a radio item's tick is the round one.
void fillMenu(HMENU root, const TrackerState& s) {
    constexpr UINT kAppend = 0xFFFFFFFF;  // position past the last item
    constexpr int kMaxDepth = 4;
    HMENU levels[kMaxDepth] = {root};
    const char* titles[kMaxDepth] = {""};
    int depth = 0;
    for (const TrayEntry& entry : trayMenu(TrayPlatform::Windows)) {
        HMENU menu = levels[depth];
        switch (entry.kind) {
            case TrayEntryKind::Separator:
                InsertMenuA(menu, kAppend, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
                break;
            case TrayEntryKind::SubmenuBegin:
                if (depth + 1 >= kMaxDepth) return;
                ++depth;
                levels[depth] = CreatePopupMenu();
                titles[depth] = entry.text;
                if (levels[depth] == nullptr) return;
                break;
            case TrayEntryKind::SubmenuEnd:
                if (depth == 0) return;
                --depth;
                // Appended, the submenu is destroyed with its parent.
                InsertMenuA(levels[depth], kAppend, MF_BYPOSITION | MF_POPUP | MF_STRING,
                            reinterpret_cast<UINT_PTR>(levels[depth + 1]), titles[depth + 1]);
                break;
            case TrayEntryKind::Item: {
                const UINT id = commandId(entry.command);
                InsertMenuA(menu, kAppend, itemFlags(s, entry), id, entry.text);
                if (entry.tick == TrayTick::Radio) {
                    MENUITEMINFOA info{};
                    info.cbSize = sizeof info;
                    info.fMask = MIIM_FTYPE;
                    info.fType = MFT_STRING | MFT_RADIOCHECK;
                    SetMenuItemInfoA(menu, id, FALSE, &info);
                }
                break;
            }
        }
    }
}

void showTrayMenu(App& app, HWND window) {
    POINT at{0, 0};
    GetCursorPos(&at);
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return;
    TrackerState& s = app.state;
    s.shared.menuOpen = true;
    ShowWindow(window, SW_HIDE);
    fillMenu(menu.get(), s);

    // In the foreground the menu closes when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(menu.get(), TPM_CENTERALIGN | TPM_TOPALIGN, at.x, at.y - kMenuLift, 0, window,
                   nullptr);
    s.shared.menuOpen = false;
    ShowWindow(window, SW_SHOW);
}

// The camera view and the keyboard stay on top, and the tracker brings the
// view forward again as it shows it: a box left behind them could not be
// closed by the head. While open, the box is lifted above them this often.
constexpr UINT kAboutLiftMs = 250;

void CALLBACK liftAbout(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = FindWindowA("#32770", kAboutCaption);
    DWORD owner = 0;
    if (box == nullptr || GetWindowThreadProcessId(box, &owner) != GetCurrentThreadId()) return;
    SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

DWORD WINAPI aboutThread(LPVOID argument) {
    auto& aboutOpen = *static_cast<std::atomic<bool>*>(argument);
    // The box's own loop runs the thread's timer.
    const UINT_PTR lift = SetTimer(nullptr, 0, kAboutLiftMs, liftAbout);
    MessageBoxA(nullptr, kAboutText, kAboutCaption, MB_OK | MB_TOPMOST);
    if (lift != 0) KillTimer(nullptr, lift);
    aboutOpen = false;
    return 0;
}

void openAbout(App& app) {
    TrackerState& s = app.state;
    if (s.shared.optionsOpen) return;
    // Claimed here rather than by the thread, so that a second command
    // arriving before the thread runs cannot open a second box.
    bool closed = false;
    if (!app.aboutOpen.compare_exchange_strong(closed, true)) return;
    if (!startDetachedThread(aboutThread, &app.aboutOpen)) app.aboutOpen = false;
}

// The tray's "Options" and a click on the camera view, under the portable
// rule: only while the user can aim, and not twice.
void openOptions(App& app) {
    if (askForOptionsWindow(app.state, app.desktop)) {
        startOptionsWindow(app.state, app.desktop, app.instance, app.optionsFile);
    }
}

void openManual(const App& app) {
    if (app.state.shared.optionsOpen) return;
    ShellExecuteA(nullptr, nullptr, kManualFile, nullptr, nullptr, SW_SHOWNORMAL);
}

// A new test over the tracker's screen; the options window is answered first.
void openPointingTest(App& app) {
    const TrackerState& s = app.state;
    if (s.shared.optionsOpen) return;
    const ScreenRect screen{0, 0, s.session.screenWidth, s.session.screenHeight};
    const bool precise = s.shared.engineChoice == PreciseEngine;
    app.pointing.start(app.instance, screen, app.optionsFile.parent_path() / pointing::kResultsFile,
                       precise ? "precise" : "classic");
}

void onCommand(App& app, HWND window, WPARAM wParam) {
    const UINT id = LOWORD(wParam);
    if (id <= kTrayCommandBase) return;
    const auto command = static_cast<TrayCommand>(id - kTrayCommandBase);
    // The settings items are the portable layer's; the rest open or end
    // things here.
    if (runTrayCommand(app.state, command, app.optionsFile)) return;
    switch (command) {
        case TrayCommand::About:
            openAbout(app);
            break;
        case TrayCommand::Options:
            openOptions(app);
            break;
        case TrayCommand::Exit:
            DestroyWindow(window);
            break;
        case TrayCommand::Manual:
            openManual(app);
            break;
        case TrayCommand::PointingTest:
            openPointingTest(app);
            break;
        default:
            break;
    }
}

void showHeadModeInTray(App& app, WPARAM mode) {
    app.headMode = static_cast<HeadMode>(mode);
    dressTrayIcon(app);
    if (app.trayIconShown) Shell_NotifyIconA(NIM_MODIFY, &app.trayIcon);
}

void onKeyboardMessage(App& app, UINT message, WPARAM wParam, LPARAM lParam) {
    // Any program can send the hello; only a real window may become the
    // keyboard that the tracker later shows, hides, messages and closes.
    if (message == keyboard::kMsgKeyboardHello && !IsWindow(reinterpret_cast<HWND>(wParam))) return;
    handleKeyboardMessage(app.state, message, static_cast<std::uintptr_t>(wParam),
                          static_cast<std::intptr_t>(lParam));
}

// Runs once, whether the window is destroyed or the options window's EXIT
// sends the message directly.
void tearDown(App& app) {
    Win32Shell shell(app);
    app.lifetime.stopProgram(app.state, app.desktop, shell, app.optionsFile);
}

}  // namespace

void removeTrayIcon(App& app) {
    if (!app.trayIconShown) return;
    Shell_NotifyIconA(NIM_DELETE, &app.trayIcon);
    app.trayIconShown = false;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* app = static_cast<App*>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
        if (app != nullptr) addTrayIcon(*app, window);
        return 0;
    }
    App* app = appOf(window);
    if (app == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    // A restarted shell has lost every tray icon: put ours back, or the
    // user would lose the menu and the way to the options.
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (message == taskbarCreated && taskbarCreated != 0) {
        addTrayIcon(*app, window);
        return 0;
    }

    switch (message) {
        case WM_DESTROY:
            tearDown(*app);
            return 0;
        case WM_MOVE:
            captureOverlayOn(app->state);
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_COMMAND:
            onCommand(*app, window, wParam);
            return 1;
        case WM_TIMER:
            onFrameTimer(app->state, app->desktop);
            saveTrackersOptions(app->state, app->optionsFile);
            tellKeyboardOptions(app->state, app->desktop);
            return 0;
        case WM_LBUTTONUP:
            openOptions(*app);
            return 0;
        case kTrayMessage:
            if (lParam == WM_LBUTTONDOWN) showTrayMenu(*app, window);
            return 0;
        case keyboard::kMsgKeyboardHello:
        case keyboard::kMsgKeyboardGone:
        case keyboard::kMsgKeyboardDock:
        case keyboard::kMsgKeyboardScroll:
        case keyboard::kMsgKeyboardPause:
            onKeyboardMessage(*app, message, wParam, lParam);
            return 0;
        case kMsgHeadMode:
            showHeadModeInTray(*app, wParam);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace quil::win
