// A desktop that records every call the tracker makes, in order, and keeps a
// pointer position that tests can set or that follows setCursorPos.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tracker/desktop.h"

namespace quil::testing {

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
    void showWindow(WindowHandle w, ShowMode mode) override {
        calls.push_back({DesktopCall::Show, w, static_cast<int32_t>(mode)});
    }
    void moveWindow(WindowHandle w, int32_t x, int32_t y, int32_t width, int32_t height) override {
        calls.push_back({DesktopCall::Move, w, x, y, width, height});
    }
    void setMouseCapture(WindowHandle w) override { calls.push_back({DesktopCall::Capture, w}); }
    void releaseMouseCapture() override { calls.push_back({DesktopCall::ReleaseCapture}); }
    void startEyesWindow() override { calls.push_back({DesktopCall::StartEyes}); }
    void closeEyesWindow(WindowHandle w) override { calls.push_back({DesktopCall::CloseEyes, w}); }
    void sendToKeyboard(WindowHandle w, unsigned message, std::uintptr_t wParam,
                        std::intptr_t lParam) override {
        calls.push_back({DesktopCall::KeyboardMessage, w, static_cast<int32_t>(message),
                         static_cast<int32_t>(wParam), static_cast<int32_t>(lParam)});
    }
    void launchKeyboard() override { calls.push_back({DesktopCall::LaunchKeyboard}); }

    // Calls of one kind, in order.
    [[nodiscard]] std::vector<DesktopCall> of(DesktopCall::Kind kind) const {
        std::vector<DesktopCall> out;
        for (const auto& call : calls) {
            if (call.kind == kind) out.push_back(call);
        }
        return out;
    }
    [[nodiscard]] std::vector<int32_t> keyboardMessages() const {
        std::vector<int32_t> out;
        for (const auto& call : of(DesktopCall::KeyboardMessage)) out.push_back(call.a);
        return out;
    }
};

}  // namespace quil::testing
