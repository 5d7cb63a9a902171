#include "sim/sim_desktop.h"

#include <algorithm>

#include "keyboard_link/keyboard_link.h"

namespace quil::sim {

SimDesktop::SimDesktop(TrackerState& state, int screenWidth, int screenHeight, bool keyboardProgram)
    : state_(state),
      width_(screenWidth),
      height_(screenHeight),
      keyboardProgram_(keyboardProgram),
      cursor_{screenWidth / 2, screenHeight / 2} {}

void SimDesktop::beginTick(int64_t tick) {
    tick_ = tick;
    events_.clear();
    tickWheelVertical_ = 0;
    tickWheelHorizontal_ = 0;
    if (keyboardRunning_ && !keyboardAnnounced_ && tick >= helloTick_) {
        // The program shows its window, says hello and docks at the bottom centre.
        keyboardAnnounced_ = true;
        keyboardVisible_ = true;
        handleKeyboardMessage(state_, keyboard::kMsgKeyboardHello, kKeyboardWindow, 0);
        handleKeyboardMessage(state_, keyboard::kMsgKeyboardDock,
                              std::uintptr_t{keyboard::kDockBottomCentre}, 0);
    }
}

void SimDesktop::setCursorPos(int32_t x, int32_t y) {
    // The desktop keeps the pointer on the screen whatever it is asked.
    cursor_ = {std::clamp(x, 0, width_ - 1), std::clamp(y, 0, height_ - 1)};
}

void SimDesktop::scrollWheel(int32_t vertical, int32_t horizontal) {
    wheelVertical_ += vertical;
    wheelHorizontal_ += horizontal;
    tickWheelVertical_ += vertical;
    tickWheelHorizontal_ += horizontal;
}

void SimDesktop::showDwellRing(ScreenPoint /*centre*/, int32_t thousandths) {
    if (ring_ == 0 && thousandths > 0) ringShownTick_ = tick_;
    ring_ = thousandths;
}

void SimDesktop::leftButtonDown() {
    button_ = true;
    events_.emplace_back("down");
}

void SimDesktop::leftButtonUp() {
    button_ = false;
    events_.emplace_back("up");
}

void SimDesktop::showKeyboardWindow(WindowHandle keyboard, bool visible) {
    if (keyboard != kKeyboardWindow || !keyboardAnnounced_) return;
    if (visible != keyboardVisible_) {
        events_.emplace_back(visible ? "keyboard_shown" : "keyboard_hidden");
    }
    keyboardVisible_ = visible;
}

void SimDesktop::startEyesWindow() {
    // The eyes window's own thread stores its handle; here that is at once.
    eyesOpen_ = true;
    state_.shared.eyesWindow = kEyesWindow;
    events_.emplace_back("eyes_window_opened");
}

void SimDesktop::closeEyesWindow(WindowHandle eyesWindow) {
    if (eyesWindow == 0 || !eyesOpen_) return;
    eyesOpen_ = false;
    events_.emplace_back("eyes_window_closed");
}

void SimDesktop::sendToKeyboard(WindowHandle keyboardWindow, unsigned message) {
    if (keyboardWindow != kKeyboardWindow || !keyboardAnnounced_) return;
    inbox_.push_back(message);
    switch (message) {
        case keyboard::kMsgKeyPress:
            events_.emplace_back("key_press_msg");
            break;
        case keyboard::kMsgClickOutside:
            events_.emplace_back("click_outside_msg");
            break;
        case keyboard::kMsgPointerOver:
            events_.emplace_back("pointer_over_msg");
            break;
        case keyboard::kMsgPointerLeft:
            events_.emplace_back("pointer_left_msg");
            break;
        default:
            break;
    }
}

void SimDesktop::showGesturePrompt(GesturePrompt prompt) {
    if (prompt == prompt_) return;
    prompt_ = prompt;
    static constexpr const char* kNames[] = {"prompt_none", "prompt_close_eyes",
                                             "prompt_open_mouth", "prompt_done", "prompt_failed"};
    events_.emplace_back(kNames[static_cast<int>(prompt)]);
}

void SimDesktop::launchKeyboard() {
    events_.emplace_back("keyboard_launched");
    // Without the program installed the launch fails unnoticed, as it would.
    if (!keyboardProgram_ || keyboardRunning_) return;
    keyboardRunning_ = true;
    helloTick_ = tick_ + kKeyboardHelloDelay;
}

void lookAtDesktop(UserView& view, const SimDesktop& desktop, const TrackerState& s) {
    view.eyesWindowOpen = desktop.eyesWindowOpen();
    view.keyboardVisible = desktop.keyboardVisible();
    view.largeView = s.view.largeView;
    view.pointerVsKeyboard = 2;
    view.pointerVsKeyboardX = 2;
    if (desktop.keyboardVisible()) {
        const ScreenPoint p = desktop.pointer();
        view.pointerVsKeyboard = p.y <= s.keyboard.top ? -1 : p.y >= s.keyboard.bottom ? 1 : 0;
        view.pointerVsKeyboardX = p.x <= s.keyboard.left ? -1 : p.x >= s.keyboard.right ? 1 : 0;
    }
}

}  // namespace quil::sim
