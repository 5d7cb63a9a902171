#include "keyboard_link/keyboard_link.h"

#include "pointer/pointer_mapping.h"

namespace quil {

namespace {

constexpr std::uintptr_t kLowByte = 0xFF;

void placeKeyboard(TrackerState& s, const keyboard::Rect& r) {
    s.keyboard.left = r.left;
    s.keyboard.right = r.right;
    s.keyboard.top = r.top;
    s.keyboard.bottom = r.bottom;
}

}  // namespace

void setKeyboardDefaultRect(TrackerState& s) {
    placeKeyboard(s, *keyboard::dockRect(keyboard::kDockBottomCentre, s.session.screenWidth,
                                         s.session.screenHeight,
                                         keyboard::keyboardHeight(s.keyboard.suggestionRow)));
}

void onKeyboardHello(TrackerState& s, WindowHandle keyboard) {
    s.keyboard.window = keyboard;
    s.keyboard.hidden = false;
    s.keyboard.toldSuggestions = -1;
}

void tellKeyboardOptions(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboard.window.load();
    const int32_t wanted = s.shared.wordSuggestions.load() ? 1 : 0;
    if (keyboard == 0 || s.keyboard.toldSuggestions == wanted) return;
    s.keyboard.toldSuggestions = wanted;
    desktop.tellKeyboardSuggestions(keyboard, wanted == 1);
}

// The keyboard hid itself: the pointer is no longer slowed over it.
void onKeyboardGone(TrackerState& s) {
    s.keyboard.hidden = true;
    s.keyboard.dockedCorner = false;
    s.shared.speedDivisor = s.shared.optionFlags.snapshot().speedDivisor;
    computeGains(s);
}

void onKeyboardDock(TrackerState& s, std::uintptr_t wParam, std::intptr_t lParam) {
    const auto code = static_cast<unsigned>(wParam & kLowByte);
    // The keyboard says how tall it is: with its suggestions' row it is
    // believed whatever the tracker last told it, as it may not have heard yet.
    const bool tall = (wParam & keyboard::kDockSuggestionRow) != 0;
    const int height = keyboard::keyboardHeight(tall);
    const auto rect =
        keyboard::dockRect(code, s.session.screenWidth, s.session.screenHeight, height);
    if (!rect) return;
    s.keyboard.suggestionRow = tall;
    // Docked on another monitor, the keyboard says where: it is believed, so
    // that the tracker never presses keys where there are none.
    const keyboard::Rect placed =
        (wParam & keyboard::kDockPlaced) != 0 ? keyboard::placedRect(lParam, height) : *rect;
    placeKeyboard(s, placed);
    // Docked over the corner view, the view stays hidden.
    s.keyboard.dockedCorner = code == keyboard::kDockBottomRight && placed == *rect;
}

bool handleKeyboardMessage(TrackerState& s, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) {
    switch (message) {
        case keyboard::kMsgKeyboardHello:
            onKeyboardHello(s, static_cast<WindowHandle>(wParam));
            return true;
        case keyboard::kMsgKeyboardGone:
            onKeyboardGone(s);
            return true;
        case keyboard::kMsgKeyboardDock:
            onKeyboardDock(s, wParam, lParam);
            return true;
        // The keys only ask; the tracker turns the mode over at its next
        // frame, where it knows whether a face is followed.
        case keyboard::kMsgKeyboardScroll:
            s.shared.scrollToggleRequested = true;
            return true;
        case keyboard::kMsgKeyboardPause:
            s.shared.pauseToggleRequested = true;
            return true;
        default:
            return false;
    }
}

void keyboardOnOptionsOpen(KeyboardState& k, Desktop& desktop) {
    const WindowHandle keyboard = k.window.load();
    if (keyboard == 0) return;
    if (!k.hidden.load()) {
        k.stayHidden = false;
        k.hidden = true;
        desktop.hideKeyboard(keyboard);
    } else {
        k.stayHidden = true;
    }
}

void keyboardOnOptionsClose(KeyboardState& k, Desktop& desktop) {
    const WindowHandle keyboard = k.window.load();
    if (keyboard == 0) return;
    if (!k.stayHidden.load()) {
        k.stayHidden = true;
        k.hidden = false;
        desktop.showKeyboard(keyboard);
    }
}

void keyboardOnTrackerLost(KeyboardState& k, Desktop& desktop) {
    const WindowHandle keyboard = k.window.load();
    if (keyboard == 0) return;
    if (!k.hidden.load()) {
        k.hidden = true;
        k.stayHidden = false;
        desktop.hideKeyboard(keyboard);
    } else {
        k.stayHidden = true;
    }
}

void keyboardOnCalibrated(KeyboardState& k, Desktop& desktop) {
    const WindowHandle keyboard = k.window.load();
    if (keyboard == 0 || k.stayHidden.load()) return;
    k.hidden = false;
    k.stayHidden = true;
    desktop.showKeyboard(keyboard);
}

bool toggleKeyboard(TrackerState& s, Desktop& desktop) {
    const WindowHandle keyboard = s.keyboard.window.load();
    if (keyboard == 0) return false;
    if (s.keyboard.hidden.load()) {
        setKeyboardDefaultRect(s);
        desktop.showKeyboard(keyboard);
        s.keyboard.hidden = false;
    } else {
        desktop.hideKeyboard(keyboard);
        s.keyboard.hidden = true;
    }
    return true;
}

}  // namespace quil
