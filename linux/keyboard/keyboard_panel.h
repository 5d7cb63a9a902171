// The on-screen keyboard of the Linux program: a window of the program
// itself, driven directly by the tracker's desktop where Windows sends
// messages to a separate keyboard program. Same keys, size, docks,
// highlight and flashing; it never takes the focus, so that the keys it
// types go to the window the user is typing into.
//
// Everything runs on the Qt GUI thread.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "onscreen_keyboard/key_sink.h"
#include "onscreen_keyboard/panel_rules.h"
#include "tracker/desktop.h"

namespace quil::lnx {

// The portable keyboard's parts the program hands the panel.
using osk::asTrackerMessages;
using osk::KeyboardEvents;
using osk::KeySink;
using osk::ScreenSize;

class KeyboardWindow;

class KeyboardPanel {
public:
    // Types into `sink`, which must outlive the panel.
    explicit KeyboardPanel(KeySink& sink);
    KeyboardPanel(const KeyboardPanel&) = delete;
    KeyboardPanel& operator=(const KeyboardPanel&) = delete;
    ~KeyboardPanel();

    // What the tracker hears back. asTrackerMessages() turns one handler of
    // the tracker's keyboard messages into all three, e.g.
    //   panel.events = asTrackerMessages([&](unsigned m, auto w, auto l) {
    //       quil::handleKeyboardMessage(state, m, w, l); });
    // The replies to a key press (gone, docked) come during pressKey(), as
    // the Windows program's do during the tracker's send; those to launch()
    // and show() come later, from the event loop.
    KeyboardEvents events;
    // Set before launch(): where the pointer is on the screen (the
    // program's pointer device); unset, Qt's idea of it.
    std::function<ScreenPoint()> pointerPosition;
    // Set before launch(): the screen the docks are reckoned on, as the
    // tracker reckons them; unset, the whole virtual screen Qt sees.
    std::function<ScreenSize()> screenSize;

    // Before launch(): the word list (a missing one leaves the suggestions'
    // row empty) and the user's learnt words' file.
    void loadWords(const std::filesystem::path& list, std::filesystem::path userWords);

    // Desktop::launchKeyboard: makes the window, docked at the bottom centre
    // and shown, and announces it (events.announced, then events.docked)
    // from the event loop. Again while open: announces it again.
    void launch();
    // Desktop::showKeyboard / hideKeyboard.
    void show();
    void hide();
    // Desktop::pressKeyboardKey: presses the key under the pointer.
    void pressKey();
    // Desktop::tellKeyboardClickOutside: makes the armed click, if any.
    void clickOutside();
    // Desktop::tellKeyboardPointerOver / Left; (x, y) in screen pixels.
    void pointerOver(int x, int y);
    void pointerLeft();
    // Desktop::tellKeyboardDwell: the dwell click's progress, thousandths.
    void dwell(int thousandths);
    // Desktop::tellKeyboardSuggestions: the suggested words' row shown
    // above the keys, or not.
    void showSuggestions(bool shown);
    // Desktop::closeKeyboard: the window goes; a later launch() makes a new
    // one, announced anew.
    void close();

    // The window's handle once launched (0 before and after close()).
    [[nodiscard]] WindowHandle handle() const;
    [[nodiscard]] bool visible() const;
    // The keys' state, for the program's tests; null while not launched.
    [[nodiscard]] const osk::Plakette* keys() const;
    [[nodiscard]] const osk::PanelRules* rules() const { return rules_.get(); }

private:
    KeySink& sink_;
    osk::Suggestions suggestions_;
    std::unique_ptr<KeyboardWindow> window_;
    std::unique_ptr<osk::PanelRules> rules_;
};

}  // namespace quil::lnx
