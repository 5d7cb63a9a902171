#include "keyboard_link/keyboard_link.h"

#include "pointer/pointer_mapping.h"

namespace quil {

namespace {

constexpr std::uintptr_t kLowByte = 0xFF;

void placeKeyboard(TrackerState& s, const keyboard::Rect& r) {
    s.keyboardLeft = r.left;
    s.keyboardRight = r.right;
    s.keyboardTop = r.top;
    s.keyboardBottom = r.bottom;
}

}  // namespace

void setKeyboardDefaultRect(TrackerState& s) {
    placeKeyboard(s,
                  *keyboard::dockRect(keyboard::kDockBottomCentre, s.screenWidth, s.screenHeight));
}

void onKeyboardHello(TrackerState& s, WindowHandle keyboard) {
    s.keyboardWindow = keyboard;
    s.keyboardHidden = false;
}

// The keyboard hid itself: the pointer is no longer slowed over it.
void onKeyboardGone(TrackerState& s) {
    s.keyboardHidden = true;
    s.keyboardDockedCorner = false;
    s.speedDivisor = speedValue(s.optionFlags);
    computeGains(s);
}

void onKeyboardDock(TrackerState& s, std::uintptr_t wParam) {
    const auto code = static_cast<unsigned>(wParam & kLowByte);
    const auto rect = keyboard::dockRect(code, s.screenWidth, s.screenHeight);
    if (!rect) return;
    placeKeyboard(s, *rect);
    // Docked over the corner view, the view stays hidden.
    s.keyboardDockedCorner = code == keyboard::kDockBottomRight;
}

bool handleKeyboardMessage(TrackerState& s, unsigned message, std::uintptr_t wParam,
                           std::intptr_t /*lParam*/) {
    switch (message) {
        case kMsgKeyboardHello:
            onKeyboardHello(s, static_cast<WindowHandle>(wParam));
            return true;
        case kMsgKeyboardGone:
            onKeyboardGone(s);
            return true;
        case kMsgKeyboardDock:
            onKeyboardDock(s, wParam);
            return true;
        default:
            return false;
    }
}

void keyboardOnOptionsOpen(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboardWindow.load();
    if (keyboard == 0) return;
    if (!s.keyboardHidden.load()) {
        s.keyboardStayHidden = false;
        s.keyboardHidden = true;
        desktop.showWindow(keyboard, ShowMode::Hide);
    } else {
        s.keyboardStayHidden = true;
    }
}

void keyboardOnOptionsClose(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboardWindow.load();
    if (keyboard == 0) return;
    if (!s.keyboardStayHidden.load()) {
        s.keyboardStayHidden = true;
        s.keyboardHidden = false;
        desktop.showWindow(keyboard, ShowMode::Show);
    }
}

void keyboardOnTrackerLost(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboardWindow.load();
    if (keyboard == 0) return;
    if (!s.keyboardHidden.load()) {
        s.keyboardHidden = true;
        s.keyboardStayHidden = false;
        desktop.showWindow(keyboard, ShowMode::Hide);
    } else {
        s.keyboardStayHidden = true;
    }
}

void keyboardOnCalibrated(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboardWindow.load();
    if (keyboard == 0 || s.keyboardStayHidden.load()) return;
    s.keyboardHidden = false;
    s.keyboardStayHidden = true;
    desktop.showWindow(keyboard, ShowMode::Show);
}

bool toggleKeyboard(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboardWindow.load();
    if (keyboard == 0) return false;
    if (s.keyboardHidden.load()) {
        setKeyboardDefaultRect(s);
        desktop.showWindow(keyboard, ShowMode::Show);
        s.keyboardHidden = false;
    } else {
        desktop.showWindow(keyboard, ShowMode::Hide);
        s.keyboardHidden = true;
    }
    return true;
}

}  // namespace quil
