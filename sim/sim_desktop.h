// A simulated desktop behind the tracker's desktop interface: a screen with
// a pointer and a left button, the main window's placement and visibility,
// mouse capture, the eyes window, and optionally the on-screen keyboard
// program, which announces its window a few ticks after it is launched,
// docks at the bottom centre and records every message it receives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keyboard_link/protocol.h"
#include "sim/scene.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil::sim {

inline constexpr WindowHandle kMainWindow = 0x101;
inline constexpr WindowHandle kCaptureWindow = 0x102;
inline constexpr WindowHandle kEyesWindow = 0x103;
inline constexpr WindowHandle kKeyboardWindow = 0x104;
// Ticks from the keyboard program's launch to its hello message.
inline constexpr int kKeyboardHelloDelay = 4;

class SimDesktop : public Desktop {
public:
    SimDesktop(TrackerState& state, int screenWidth, int screenHeight, bool keyboardProgram);

    // Starts a tick: clears the tick's events and delivers the keyboard
    // program's messages that are due, between frames as on the real desktop.
    void beginTick(int64_t tick);
    // Event names of this tick, in order (see the trace's event list); the
    // raw button calls are "down" and "up".
    const std::vector<std::string>& tickEvents() const { return events_; }

    ScreenPoint pointer() const { return cursor_; }
    bool buttonDown() const { return button_; }
    bool eyesWindowOpen() const { return eyesOpen_; }
    bool keyboardVisible() const { return keyboardVisible_; }
    bool mainWindowVisible() const { return mainVisible_; }
    WindowHandle captureHolder() const { return capture_; }
    const std::vector<unsigned>& keyboardInbox() const { return inbox_; }
    // Empties the inbox, for a run too long to keep it.
    void forgetInbox() { inbox_.clear(); }

    ScreenPoint cursorPos() override { return cursor_; }
    void setCursorPos(int32_t x, int32_t y) override;
    void leftButtonDown() override;
    void leftButtonUp() override;
    void showCameraView() override { mainVisible_ = true; }
    void hideCameraView() override { mainVisible_ = false; }
    void placeCameraView(int32_t, int32_t, int32_t, int32_t) override {}
    void holdPointerOnCameraView() override { capture_ = kMainWindow; }
    void releasePointer() override { capture_ = 0; }
    void startEyesWindow() override;
    void closeEyesWindow(WindowHandle eyesWindow) override;
    void showGesturePrompt(GesturePrompt prompt) override;
    GesturePrompt gesturePrompt() const { return prompt_; }
    void showKeyboard(WindowHandle keyboard) override { showKeyboardWindow(keyboard, true); }
    void hideKeyboard(WindowHandle keyboard) override { showKeyboardWindow(keyboard, false); }
    void pressKeyboardKey(WindowHandle keyboard) override {
        sendToKeyboard(keyboard, keyboard::kMsgKeyPress);
    }
    void tellKeyboardClickOutside(WindowHandle keyboard) override {
        sendToKeyboard(keyboard, keyboard::kMsgClickOutside);
    }
    void tellKeyboardPointerOver(WindowHandle keyboard) override {
        sendToKeyboard(keyboard, keyboard::kMsgPointerOver);
    }
    void tellKeyboardPointerLeft(WindowHandle keyboard) override {
        sendToKeyboard(keyboard, keyboard::kMsgPointerLeft);
    }
    void closeKeyboard(WindowHandle keyboard) override {
        sendToKeyboard(keyboard, keyboard::kMsgClose);
    }
    void launchKeyboard() override;

    // The hands-free extras, kept apart from the tick's events so that the
    // recorded traces stay as they were: the wheel turned so far (120ths of
    // a notch), the mode, the ring, the sounds and notices, and windows that
    // refuse input from a point on (refusingFrom; none while it is negative).
    void scrollWheel(int32_t vertical, int32_t horizontal) override;
    void showHeadMode(HeadMode mode) override {
        mode_ = mode;
        ++modeChanges_;
    }
    void showDwellRing(ScreenPoint centre, int32_t thousandths) override;
    void playClickSound(ClickSound sound) override { sounds_.push_back(sound); }
    bool windowRefusesInput(ScreenPoint p) override {
        return refusingFromX_ >= 0 && p.x >= refusingFromX_;
    }
    void showNotice(DesktopNotice notice) override { notices_.push_back(notice); }
    ScreenRect allScreensRect() override { return allScreens_; }

    int64_t wheelVertical() const { return wheelVertical_; }
    int64_t wheelHorizontal() const { return wheelHorizontal_; }
    // This tick's wheel turns.
    int32_t tickWheelVertical() const { return tickWheelVertical_; }
    int32_t tickWheelHorizontal() const { return tickWheelHorizontal_; }
    HeadMode headMode() const { return mode_; }
    int modeChanges() const { return modeChanges_; }
    int32_t ringFill() const { return ring_; }
    // The tick at which the ring last appeared (went from 0 to a fill).
    int64_t ringShownTick() const { return ringShownTick_; }
    const std::vector<ClickSound>& sounds() const { return sounds_; }
    const std::vector<DesktopNotice>& notices() const { return notices_; }
    void refuseInputFrom(int32_t x) { refusingFromX_ = x; }
    void setAllScreens(ScreenRect rect) { allScreens_ = rect; }

private:
    void showKeyboardWindow(WindowHandle keyboard, bool visible);
    // The keyboard program's inbox: the message numbers it was sent.
    void sendToKeyboard(WindowHandle keyboard, unsigned message);

    TrackerState& state_;
    int width_;
    int height_;
    bool keyboardProgram_;
    ScreenPoint cursor_{0, 0};
    bool button_ = false;
    bool mainVisible_ = false;
    bool eyesOpen_ = false;
    WindowHandle capture_ = 0;
    bool keyboardRunning_ = false;
    bool keyboardAnnounced_ = false;
    bool keyboardVisible_ = false;
    int64_t helloTick_ = -1;
    int64_t tick_ = 0;
    std::vector<unsigned> inbox_;
    std::vector<std::string> events_;
    GesturePrompt prompt_ = GesturePrompt::None;
    int64_t wheelVertical_ = 0;
    int64_t wheelHorizontal_ = 0;
    int32_t tickWheelVertical_ = 0;
    int32_t tickWheelHorizontal_ = 0;
    HeadMode mode_ = HeadMode::Pointing;
    int modeChanges_ = 0;
    int32_t ring_ = 0;
    int64_t ringShownTick_ = -1;
    std::vector<ClickSound> sounds_;
    std::vector<DesktopNotice> notices_;
    int32_t refusingFromX_ = -1;
    ScreenRect allScreens_;
};

// What the scene's user sees of the desktop before a tick's frame.
void lookAtDesktop(UserView& view, const SimDesktop& desktop, const TrackerState& s);

}  // namespace quil::sim
