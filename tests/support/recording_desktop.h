// A desktop that records every call the tracker makes, in order, and keeps a
// pointer position that tests can set or that follows setCursorPos. It
// records in the Windows program's terms (which window, which show mode,
// which keyboard message), so that tests state what the user's desktop sees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keyboard_link/protocol.h"
#include "tracker/desktop.h"

namespace quil {

// How a window is shown: hidden, shown as it was, or shown at its place.
enum class ShowMode { Hide, Show, ShowNormal };

}  // namespace quil

namespace quil::testing {

// The windows the tests' tracker names its main window and camera picture by.
inline constexpr WindowHandle kMainWindow = 11;
inline constexpr WindowHandle kCaptureWindow = 12;

struct DesktopCall {
    enum Kind {
        SetCursor,
        ButtonDown,
        ButtonUp,
        Show,
        Move,
        Capture,
        ReleaseCapture,
        StartEyes,
        CloseEyes,
        KeyboardMessage,
        LaunchKeyboard,
        GesturePrompt,
        Wheel,       // a: vertical, b: horizontal
        HeadMode,    // a: the mode
        DwellRing,   // a, b: the centre, c: thousandths
        ClickSound,  // a: the sound
        Notice,      // a: the notice
    };
    Kind kind;
    WindowHandle window = 0;
    int32_t a = 0;  // x, ShowMode, message
    int32_t b = 0;  // y, wParam
    int32_t c = 0;  // width, lParam
    int32_t d = 0;  // height
    friend bool operator==(const DesktopCall&, const DesktopCall&) = default;
};

class RecordingDesktop : public Desktop {
public:
    ScreenPoint cursor{0, 0};
    std::vector<DesktopCall> calls;

    ScreenPoint cursorPos() override { return cursor; }
    void setCursorPos(int32_t x, int32_t y) override {
        cursor = {x, y};
        calls.push_back({DesktopCall::SetCursor, 0, x, y});
    }
    void leftButtonDown() override { calls.push_back({DesktopCall::ButtonDown}); }
    void leftButtonUp() override { calls.push_back({DesktopCall::ButtonUp}); }
    void showCameraView() override { show(kMainWindow, ShowMode::ShowNormal); }
    void hideCameraView() override { show(kMainWindow, ShowMode::Hide); }
    void placeCameraView(int32_t x, int32_t y, int32_t width, int32_t height) override {
        calls.push_back({DesktopCall::Move, kMainWindow, x, y, width, height});
        calls.push_back({DesktopCall::Move, kCaptureWindow, 0, 0, width, height});
    }
    void holdPointerOnCameraView() override {
        calls.push_back({DesktopCall::Capture, kMainWindow});
    }
    void releasePointer() override { calls.push_back({DesktopCall::ReleaseCapture}); }
    void startEyesWindow() override { calls.push_back({DesktopCall::StartEyes}); }
    void closeEyesWindow(WindowHandle w) override { calls.push_back({DesktopCall::CloseEyes, w}); }
    void showKeyboard(WindowHandle w) override { show(w, ShowMode::Show); }
    void hideKeyboard(WindowHandle w) override { show(w, ShowMode::Hide); }
    void pressKeyboardKey(WindowHandle w) override {
        send(w, keyboard::kMsgKeyPress, keyboard::kKeyPressWParam, keyboard::kKeyPressLParam);
    }
    void tellKeyboardClickOutside(WindowHandle w) override {
        send(w, keyboard::kMsgClickOutside, 0, 0);
    }
    void tellKeyboardPointerOver(WindowHandle w) override {
        send(w, keyboard::kMsgPointerOver, keyboard::kPointerOverWParam, 0);
    }
    void tellKeyboardPointerLeft(WindowHandle w) override {
        send(w, keyboard::kMsgPointerLeft, 0, 0);
    }
    void tellKeyboardDwell(WindowHandle w, int32_t thousandths) override {
        send(w, keyboard::kMsgDwellProgress, static_cast<std::uintptr_t>(thousandths), 0);
    }
    void tellKeyboardSuggestions(WindowHandle w, bool shown) override {
        send(w, keyboard::kMsgSuggestions, shown ? 1 : 0, 0);
    }
    void closeKeyboard(WindowHandle w) override { send(w, keyboard::kMsgClose, 0, 0); }
    void showGesturePrompt(GesturePrompt prompt) override {
        calls.push_back({DesktopCall::GesturePrompt, 0, static_cast<int32_t>(prompt)});
    }
    void launchKeyboard() override { calls.push_back({DesktopCall::LaunchKeyboard}); }

    // The hands-free extras. Windows under the pointer refuse input while
    // `refusing` (the questions are counted, not recorded: every click asks);
    // allScreensRect answers `screens`.
    bool refusing = false;
    int refusalQuestions = 0;
    ScreenRect screens;
    void scrollWheel(int32_t vertical, int32_t horizontal) override {
        calls.push_back({DesktopCall::Wheel, 0, vertical, horizontal});
    }
    void showHeadMode(HeadMode mode) override {
        calls.push_back({DesktopCall::HeadMode, 0, static_cast<int32_t>(mode)});
    }
    void showDwellRing(ScreenPoint centre, int32_t thousandths) override {
        calls.push_back({DesktopCall::DwellRing, 0, centre.x, centre.y, thousandths});
    }
    void playClickSound(ClickSound sound) override {
        calls.push_back({DesktopCall::ClickSound, 0, static_cast<int32_t>(sound)});
    }
    bool windowRefusesInput(ScreenPoint p) override {
        (void)p;
        ++refusalQuestions;
        return refusing;
    }
    void showNotice(DesktopNotice notice) override {
        calls.push_back({DesktopCall::Notice, 0, static_cast<int32_t>(notice)});
    }
    ScreenRect allScreensRect() override { return screens; }

    // Calls of one kind, in order.
    [[nodiscard]] std::vector<DesktopCall> of(DesktopCall::Kind kind) const {
        std::vector<DesktopCall> out;
        for (const auto& call : calls) {
            if (call.kind == kind) out.push_back(call);
        }
        return out;
    }
    void show(WindowHandle w, ShowMode mode) {
        calls.push_back({DesktopCall::Show, w, static_cast<int32_t>(mode)});
    }
    void send(WindowHandle w, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
        calls.push_back({DesktopCall::KeyboardMessage, w, static_cast<int32_t>(message),
                         static_cast<int32_t>(wParam), static_cast<int32_t>(lParam)});
    }

    [[nodiscard]] std::vector<int32_t> keyboardMessages() const {
        std::vector<int32_t> out;
        for (const auto& call : of(DesktopCall::KeyboardMessage)) out.push_back(call.a);
        return out;
    }
};

}  // namespace quil::testing
