// The desktop around plakette2.exe in its tests: a window of the tracker's
// class that records what the keyboard tells it, the keyboard program
// itself, and pressing its keys the way the tracker does.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "keyboard_link/protocol.h"
#include "keys_for_tests.h"
#include "program_harness.h"

namespace quil::osk::wintest {

using quil::wintest::kPatienceMs;
using quil::wintest::Program;

// Handles this thread's messages (our windows live on it) until `ready`
// holds or the patience runs out.
inline bool pumpUntil(const std::function<bool()>& ready, DWORD patienceMs = kPatienceMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (ready()) return true;
        if (GetTickCount() - start > patienceMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, quil::wintest::kPollMs, QS_ALLINPUT);
    }
}

// Handles this thread's messages for a while: for checking that something
// does not happen.
inline void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window of class "Quilbrand2", as the tracker's main window, that keeps
// every keyboard-link message it receives.
class FakeTracker {
public:
    FakeTracker();
    FakeTracker(const FakeTracker&) = delete;
    FakeTracker& operator=(const FakeTracker&) = delete;
    ~FakeTracker();

    [[nodiscard]] HWND window() const { return window_; }
    [[nodiscard]] std::vector<Received> received() const { return received_; }
    [[nodiscard]] int count(UINT message) const;
    // Handles messages until that many of that number have come.
    [[nodiscard]] bool waitFor(UINT message, int atLeast = 1) const;
    // The wParam of the last message of that number (0 if none came).
    [[nodiscard]] WPARAM last(UINT message) const;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    std::vector<Received> received_;
};

// A window with a multi-line text box that has the focus, away from where
// the keyboard docks.
class TextBox {
public:
    TextBox();
    TextBox(const TextBox&) = delete;
    TextBox& operator=(const TextBox&) = delete;
    ~TextBox();

    [[nodiscard]] std::u16string text() const;
    // Whether the text box has the focus and its window is the foreground.
    [[nodiscard]] bool hasFocus() const;
    [[nodiscard]] bool waitText(const std::u16string& wanted, DWORD patienceMs = 5000) const;

private:
    HWND frame_ = nullptr;
    HWND edit_ = nullptr;
};

// The keyboard program started afresh, and its window once shown.
struct RunningKeyboard {
    std::unique_ptr<Program> program;
    HWND window = nullptr;
};
RunningKeyboard startKeyboard(const std::string& name);

// The keyboard's windows on the desktop, of any process.
std::vector<HWND> keyboardWindows();

// Puts the pointer at (x, y) on screen and waits until it stays there.
// Under Wine a program that handles a stale pointer-motion event of the
// display can move the pointer back to where it was before; we put it
// again until it holds still.
void movePointer(int x, int y);
// Puts the pointer on the key's centre on screen.
void pointAt(HWND keyboard, const Key& key);
// Presses the key as the tracker does: pointer on it, then the key-press
// message, handled before this returns.
void pressKey(HWND keyboard, const Key& key);
// Sends a message of the link to the keyboard and says whether it was
// handled in time.
bool tell(HWND keyboard, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

}  // namespace quil::osk::wintest
