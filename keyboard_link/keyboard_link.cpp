#include "keyboard_link/keyboard_link.h"

#include "pointer/pointer_mapping.h"

namespace quil {

namespace {

// The keyboard's bottom positions leave this much free below it.
constexpr int kBottomGap = 30;
constexpr int kBottomTopOffset = kKeyboardHeight + kBottomGap;  // 222

// Dock codes are the digits '1'..'5' in the low byte of wParam.
constexpr unsigned kDockBottomCentre = '1';
constexpr unsigned kDockBottomLeft = '2';
constexpr unsigned kDockTopLeft = '3';
constexpr unsigned kDockTopRight = '4';
constexpr unsigned kDockBottomRight = '5';
constexpr std::uintptr_t kLowByte = 0xFF;

void placeKeyboard(TrackerState& s, int left, int top) {
    s.keyboardLeft = left;
    s.keyboardRight = left + kKeyboardWidth;
    s.keyboardTop = top;
    s.keyboardBottom = top + kKeyboardHeight;
}

}  // namespace

void setKeyboardDefaultRect(TrackerState& s) {
    placeKeyboard(s, (s.screenWidth - kKeyboardWidth) / 2, s.screenHeight - kBottomTopOffset);
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
    const int right = s.screenWidth - kKeyboardWidth;
    const int bottom = s.screenHeight - kBottomTopOffset;
    switch (code) {
        case kDockBottomCentre:
            setKeyboardDefaultRect(s);
            break;
        case kDockBottomLeft:
            placeKeyboard(s, 0, bottom);
            break;
        case kDockTopLeft:
            placeKeyboard(s, 0, 0);
            break;
        case kDockTopRight:
            placeKeyboard(s, right, 0);
            break;
        case kDockBottomRight:
            placeKeyboard(s, right, bottom);
            break;
        default:
            return;
    }
    // Docked over the corner view, the view stays hidden.
    s.keyboardDockedCorner = code == kDockBottomRight;
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
