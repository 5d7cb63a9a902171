// What the keyboard window does with each call of the tracker, each press
// of a key and each of its timers, apart from Qt: the same meaning as the
// Windows keyboard program gives the tracker's messages, with its replies
// (hello, gone, dock) as callbacks instead of window messages.
#pragma once

#include <cstdint>
#include <functional>

#include "keyboard_link/protocol.h"
#include "linux/keyboard/key_sink.h"
#include "onscreen_keyboard/plakette.h"
#include "tracker/desktop.h"

namespace quil::lnx {

// How long a typed key stays lit.
inline constexpr int kFlashMs = 150;
// The tracker makes its own left click just before or just after telling
// the keyboard of a click outside; a right click must come after it, or
// that left click would land on the menu the right click opens.
inline constexpr int kRightClickDelayMs = 120;

enum class PanelTimer { Flash, RightClick };

// What the tracker hears back, as the Windows program's messages mean it.
struct KeyboardEvents {
    // The keyboard is there and shown, known by this handle (kMsgKeyboardHello).
    std::function<void(WindowHandle)> announced;
    // It hid itself by its own key (kMsgKeyboardGone).
    std::function<void()> gone;
    // It sits at this dock, '1'..'5' (kMsgKeyboardDock).
    std::function<void(unsigned)> docked;
};

// The three callbacks as the tracker's keyboard messages, for
// quil::handleKeyboardMessage.
using TrackerMessageHandler =
    std::function<void(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)>;
KeyboardEvents asTrackerMessages(TrackerMessageHandler deliver);

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// The window system's side of the keyboard, as the rules use it.
class PanelWindow {
public:
    PanelWindow() = default;
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;
    virtual ~PanelWindow() = default;

    [[nodiscard]] virtual WindowHandle handle() = 0;
    [[nodiscard]] virtual bool shown() const = 0;
    // Shows the window without taking the focus.
    virtual void show() = 0;
    virtual void hide() = 0;
    // Moves the window to this screen rectangle.
    virtual void place(const keyboard::Rect& r) = 0;
    // The window's top-left corner on the screen.
    [[nodiscard]] virtual ScreenPoint origin() const = 0;
    // The screen the docks are reckoned on: the tracker's own.
    [[nodiscard]] virtual ScreenSize screenSize() const = 0;
    // Where the pointer is on the screen.
    [[nodiscard]] virtual ScreenPoint pointer() const = 0;
    virtual void repaint() = 0;
    // (Re)starts a one-shot timer; timerDone() is called when it fires.
    virtual void startTimer(PanelTimer which, int ms) = 0;
    // Runs `work` from the event loop, after the current call has returned.
    virtual void later(std::function<void()> work) = 0;
};

class PanelRules {
public:
    PanelRules(PanelWindow& window, KeySink& sink, const KeyboardEvents& events)
        : window_(window), sink_(sink), events_(events) {}

    // The keyboard starts: docked at the bottom centre and shown; it
    // announces itself and its dock once the caller has returned. Started
    // again, it only announces itself again, as a second copy of the
    // Windows program makes the first one do.
    void launch();
    // The tracker shows it; it tells its dock afterwards, as the tracker
    // may have reset its idea of the keyboard's place before showing it.
    void show();
    void hide();
    // The tracker's click over the keyboard: the key under the pointer.
    void pressKey();
    // A key press at (x, y) in window pixels (a real click).
    void pressAt(int x, int y);
    // The pointer is over the window at (x, y) in screen pixels.
    void pointerOver(int x, int y);
    void pointerLeft();
    void clickOutside();
    void timerDone(PanelTimer which);
    // The screen changed size: the docks move, the keyboard stays at its own.
    void screenChanged();
    // Carries out one of the tracker's messages to the Windows program
    // (kMsgKeyPress, kMsgPointerOver, ...); false for any other message.
    // kMsgClose is left to the caller, who owns the window.
    bool trackerMessage(unsigned message);

    [[nodiscard]] const osk::Plakette& keys() const { return keys_; }

private:
    void moveToDock(unsigned code);
    [[nodiscard]] bool pointerOverUs() const;
    void tellDock();

    PanelWindow& window_;
    KeySink& sink_;
    const KeyboardEvents& events_;
    osk::Plakette keys_;
    bool launched_ = false;
};

}  // namespace quil::lnx
