// What the in-process tests of the main window share: its window classes,
// a message pump that waits for a condition, the main window around a fresh
// App, and the tray menu opened and worked with the mouse from a second
// thread, as a user would (the menu runs its own loop on the window's thread
// until it closes).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "eyes_window/eyes_window.h"
#include "options/window/options_window.h"
#include "program_harness.h"
#include "shell/app.h"
#include "shell/main_window.h"
#include "tracker/views.h"

namespace quil::win {

inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;

inline void registerClasses(HINSTANCE instance) {
    WNDCLASSA main{};
    main.lpfnWndProc = mainWindowProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    main.lpszClassName = kMainClassName;
    RegisterClassA(&main);
    WNDCLASSA eyes = main;
    eyes.lpfnWndProc = eyesWindowProc;
    eyes.lpszClassName = kEyesClassName;
    RegisterClassA(&eyes);
    WNDCLASSEXA options{};
    options.cbSize = sizeof options;
    options.lpfnWndProc = optionsWindowProc;
    options.hInstance = instance;
    options.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    options.lpszClassName = kOptionsClassName;
    RegisterClassExA(&options);
}

// Serves this thread's messages for a while (the options and eyes threads
// talk to windows of this one).
inline void pumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) continue;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(10);
    }
}

inline bool pumpUntil(const std::function<bool()>& ready, DWORD patienceMs = 5000) {
    for (DWORD waited = 0; waited < patienceMs; waited += 20) {
        if (ready()) return true;
        pumpFor(20);
    }
    return ready();
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        registerClasses(instance);
        app = std::make_unique<App>(instance);
        setScreenDefaults(s(), kScreenWidth, kScreenHeight);
        chooseLargeView(s(), app->desktop);
        main = CreateWindowExA(WS_EX_TOOLWINDOW, kMainClassName, kMainTitle, WS_POPUP | WS_BORDER,
                               s().view.viewX, s().view.viewY, s().view.viewWidth,
                               s().view.viewHeight, nullptr, nullptr, instance, app.get());
        ASSERT_NE(main, nullptr);
        s().session.mainWindow = wintest_handle(main);
    }
    void TearDown() override {
        if (IsWindow(main)) DestroyWindow(main);
        if (keyboard != nullptr && IsWindow(keyboard)) DestroyWindow(keyboard);
        pumpFor(50);
    }
    static WindowHandle wintest_handle(HWND w) { return reinterpret_cast<WindowHandle>(w); }
    TrackerState& s() { return app->state; }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(main, message, wParam, lParam);
    }

    std::unique_ptr<App> app;
    HWND main = nullptr;
    HWND keyboard = nullptr;
};

inline constexpr char kMenuClass[] = "#32768";
inline constexpr DWORD kMenuPatienceMs = 10000;
// How long one key may take to move the highlight.
inline constexpr DWORD kStepPatienceMs = 1000;

struct MenuItem {
    std::string text;
    UINT state = 0;  // GetMenuState's flags
    std::vector<MenuItem> submenu;
};

inline std::vector<MenuItem> readMenu(HMENU menu) {
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        const auto at = static_cast<UINT>(i);
        GetMenuStringA(menu, at, text, sizeof text, MF_BYPOSITION);
        const HMENU sub = GetSubMenu(menu, i);
        items.push_back({text, GetMenuState(menu, at, MF_BYPOSITION),
                         sub != nullptr ? readMenu(sub) : std::vector<MenuItem>{}});
    }
    return items;
}

inline HWND openMenuWindow() {
    const auto found = wintest::windowsOf(GetCurrentProcessId(), kMenuClass, nullptr, true);
    return found.empty() ? nullptr : found.front();
}

inline HMENU menuOf(HWND window) {
    return reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
}

// The shown menu window whose menu is `menu`, if any.
inline HWND windowShowing(HMENU menu) {
    for (HWND w : wintest::windowsOf(GetCurrentProcessId(), kMenuClass, nullptr, true)) {
        if (menuOf(w) == menu) return w;
    }
    return nullptr;
}

// Points at the item at `position` of the shown `menu` with the mouse, and
// clicks it unless it only opens a submenu (which pointing does).
inline bool pointAtMenuItem(HMENU menu, int position, bool click) {
    RECT item{};
    if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &item)) return false;
    SetCursorPos((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    if (!click) return true;
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    return true;
}

// Opens the menu as a click on the icon does and returns its items as shown.
// With `choose` at an item's position, the item is then clicked; with
// `inSubmenu` too, that item's submenu is opened and its item at
// `inSubmenu` chosen. The menu is closed with Escape otherwise, or if the
// choice leaves it open.
inline std::vector<MenuItem> visitTrayMenu(HWND main, int choose, int inSubmenu = -1) {
    std::vector<MenuItem> items;
    std::thread driver([&items, choose, inSubmenu] {
        HWND window = nullptr;
        if (!wintest::waitUntil([&] { return (window = openMenuWindow()) != nullptr; },
                                kMenuPatienceMs)) {
            return;
        }
        const HMENU menu = menuOf(window);
        items = readMenu(menu);
        const HMENU sub = choose >= 0 ? GetSubMenu(menu, choose) : nullptr;
        if (sub != nullptr && inSubmenu >= 0) {
            // Pointing does not open a submenu under Wine's menu loop: the
            // keys do, as for a user of the keyboard.
            const auto key = [window](WPARAM k) { PostMessageA(window, WM_KEYDOWN, k, 0); };
            // Down until the item is highlighted, however many the menu
            // skips on the way.
            const auto lit = [&] {
                return (GetMenuState(menu, static_cast<UINT>(choose), MF_BYPOSITION) & MF_HILITE) !=
                       0;
            };
            for (int i = 0; i < GetMenuItemCount(menu) && !lit(); ++i) {
                key(VK_DOWN);
                wintest::waitUntil([&] { return lit(); }, kStepPatienceMs);
            }
            key(VK_RIGHT);
            if (wintest::waitUntil([&] { return windowShowing(sub) != nullptr; },
                                   kMenuPatienceMs)) {
                const HWND shown = windowShowing(sub);
                for (int i = 0; i < inSubmenu; ++i) PostMessageA(shown, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(shown, WM_KEYDOWN, VK_RETURN, 0);
            }
        } else if (choose >= 0) {
            pointAtMenuItem(menu, choose, true);
        }
        if (choose >= 0 &&
            wintest::waitUntil([] { return openMenuWindow() == nullptr; }, kMenuPatienceMs)) {
            return;
        }
        for (HWND w = openMenuWindow(); w != nullptr && IsWindow(w); w = openMenuWindow()) {
            PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
            if (!wintest::waitUntil([w] { return IsWindowVisible(w) == FALSE; }, kMenuPatienceMs))
                break;
        }
    });
    SendMessageA(main, kTrayMessage, kTrayIconId, WM_LBUTTONDOWN);
    driver.join();
    return items;
}

}  // namespace quil::win
