// What the keyboard does with each message of the tracker, each press of a
// key and each of its timers, apart from any window system. The Windows
// program and the Linux keyboard window both carry out what it asks of a
// window (PanelWindow) and of the typing (KeySink); its replies to the
// tracker (hello, gone, dock) are callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "keyboard_link/protocol.h"
#include "onscreen_keyboard/key_look.h"
#include "onscreen_keyboard/key_sink.h"
#include "onscreen_keyboard/plakette.h"
#include "onscreen_keyboard/suggestions.h"

namespace quil::osk {

// How long a typed key stays lit.
inline constexpr int kFlashMs = 150;
// The tracker makes its own left click just before or just after telling
// the keyboard of a click outside; a right click must come after it, or
// that left click would land on the menu the right click opens.
inline constexpr int kRightClickDelayMs = 120;

enum class PanelTimer { Flash, RightClick };

// The keyboard's window as the tracker knows it (an HWND, an X window id).
using WindowId = std::uintptr_t;

// A place on the screen, in its own pixels.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// What the tracker hears back, as the keyboard's messages mean it.
struct KeyboardEvents {
    // The keyboard is there, known by this window (kMsgKeyboardHello).
    std::function<void(WindowId)> announced;
    // It hid itself by its own key (kMsgKeyboardGone).
    std::function<void()> gone;
    // It sits at this dock, '1'..'5', of the tracker's screen
    // (kMsgKeyboardDock); kDockSuggestionRow is added to the code while the
    // suggestions' row makes it taller.
    std::function<void(unsigned)> docked;
    // It sits at this dock of another monitor, its top-left there
    // (kMsgKeyboardDock with kDockPlaced). Unset, docked() hears of it.
    std::function<void(unsigned, Point)> dockedElsewhere;
    // Its Desplazar or Pausa key was pressed (kMsgKeyboardScroll, -Pause).
    std::function<void(TrackerRequest)> requested;
};

// The callbacks as the keyboard's messages to the tracker.
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

    [[nodiscard]] virtual WindowId handle() = 0;
    [[nodiscard]] virtual bool shown() const = 0;
    // Shows the window without taking the focus.
    virtual void show() = 0;
    virtual void hide() = 0;
    // Moves the window to this screen rectangle.
    virtual void place(const keyboard::Rect& r) = 0;
    // The window's top-left corner on the screen.
    [[nodiscard]] virtual Point origin() const = 0;
    // The tracker's screen, which it reckons the docks on.
    [[nodiscard]] virtual ScreenSize screenSize() const = 0;
    // The monitor the keyboard docks on, in screen pixels: the one that
    // holds the pointer. With one monitor, the tracker's screen.
    [[nodiscard]] virtual keyboard::Rect dockScreen() const {
        const ScreenSize s = screenSize();
        return {0, 0, s.width, s.height};
    }
    // Where the pointer is on the screen.
    [[nodiscard]] virtual Point pointer() const = 0;
    virtual void repaint() = 0;
    // (Re)starts a one-shot timer; the platform calls timerDone() when it
    // fires.
    virtual void startTimer(PanelTimer which, int ms) = 0;
    // Runs `work` from the event loop, after the current call has returned.
    virtual void later(std::function<void()> work) = 0;
};

class PanelRules {
public:
    PanelRules(PanelWindow& window, KeySink& sink, const KeyboardEvents& events)
        : window_(window), sink_(sink), events_(events) {}

    // The suggested words' row, which must outlive the rules; without it
    // the row stays empty.
    void useSuggestions(Suggestions& suggestions);
    // The keyboard starts: docked at the bottom centre and shown; it
    // announces itself once the caller has returned. Started again, it
    // only announces itself again, neither shown nor moved.
    void launch();
    // Tells the tracker the keyboard is there, then its dock. launch() does
    // it from the event loop; a platform that finds the tracker only later
    // (on Windows the tracker may still be starting) calls it then.
    void announce();
    // The tracker shows it; it tells its dock afterwards, as the tracker
    // may have reset its idea of the keyboard's place before showing it.
    void show();
    void hide();
    // Where the tracker shows or hides the window itself (Windows), the
    // platform reports the change instead of calling show() or hide().
    void appeared();
    void disappeared();
    // The tracker's click over the keyboard: the key under the pointer.
    void pressKey();
    // A key press at (x, y) in window pixels (a real click).
    void pressAt(int x, int y);
    // The pointer is over the window at (x, y) in screen pixels.
    void pointerOver(int x, int y);
    void pointerLeft();
    void clickOutside();
    void timerDone(PanelTimer which);
    // The screen changed size: the docks move, the keyboard stays at its own
    // (on the monitor that holds the pointer).
    void screenChanged();
    // Carries out one of the tracker's messages to the keyboard
    // (kMsgKeyPress, kMsgPointerOver, ...); false for any other message.
    // kMsgClose is left to the caller, who owns the window.
    bool trackerMessage(unsigned message, std::uintptr_t wParam = 0);
    // The dwell click's progress over the key under the pointer, in
    // thousandths; 0 when none is on its way. Shown with the suggestions'
    // row only, the keyboard's look otherwise staying as it always was.
    void dwell(std::uintptr_t thousandths);
    // The tracker's word suggestions option (kMsgSuggestions): the row
    // above the keys shown or not. The window grows or shrinks by the row
    // at its dock, and the tracker hears of its new rectangle.
    void showSuggestions(bool on);

    [[nodiscard]] const Plakette& keys() const { return keys_; }
    [[nodiscard]] const Suggestions* suggestions() const { return suggestions_; }
    [[nodiscard]] int dwellProgress() const { return dwell_; }
    // The window's height now: with or without the suggestions' row.
    [[nodiscard]] int height() const;
    // How keys().keys()[index] is drawn now, suggestions and dwell included.
    [[nodiscard]] KeyLook look(std::size_t index) const;

private:
    void moveToDock(unsigned code);
    [[nodiscard]] bool pointerOverUs() const;
    void tellDock();
    void typeSuggestion(std::size_t slot);
    void suggestionsHear(const Typed& t);
    // The words are offered, and learnt, only while their row is shown.
    [[nodiscard]] Suggestions* activeSuggestions() const;

    PanelWindow& window_;
    KeySink& sink_;
    const KeyboardEvents& events_;
    Plakette keys_;
    Suggestions* suggestions_ = nullptr;
    int dwell_ = 0;
    bool launched_ = false;
    // Where the keyboard was last docked; nothing while it stands at the
    // tracker's screen's dock, which the dock code alone says.
    std::optional<Point> elsewhere_;
};

}  // namespace quil::osk
