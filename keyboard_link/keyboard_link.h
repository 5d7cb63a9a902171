// The keyboard link: the effects of the on-screen keyboard program's
// messages, and the tracker's own keyboard show/hide rules.
#pragma once

#include <cstdint>

#include "keyboard_link/protocol.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

using keyboard::kKeyboardHeight;
using keyboard::kKeyboardWidth;

// Bottom centre, 30 pixels above the screen's bottom edge.
void setKeyboardDefaultRect(TrackerState& s);

void onKeyboardHello(TrackerState& s, WindowHandle keyboard);
// Tells the keyboard the options it follows (the word suggestions' row)
// when they changed or it announced itself since; the shells call it at
// every tick of their frame timer, camera or not.
void tellKeyboardOptions(TrackerState& s, Desktop& desktop);
void onKeyboardGone(TrackerState& s);
// The dock in the low byte of wParam; with kDockPlaced, the place in lParam;
// with kDockSuggestionRow, the taller keyboard.
void onKeyboardDock(TrackerState& s, std::uintptr_t wParam, std::intptr_t lParam = 0);
// Dispatches 1024, 1025, 1045, and 1046 and 1047 (the scroll and pause
// keys, taken up at the next frame); returns false for any other message.
bool handleKeyboardMessage(TrackerState& s, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam);

// The options window opens: hide a visible keyboard, remember a hidden one.
void keyboardOnOptionsOpen(KeyboardState& k, Desktop& desktop);
// The options window closes by OK or CANCEL: show the keyboard again unless
// it was already hidden when the window opened.
void keyboardOnOptionsClose(KeyboardState& k, Desktop& desktop);

// The tracker's own moments, for the tracker states that own them:
// the user is lost (hide a visible keyboard; remember a hidden one),
void keyboardOnTrackerLost(KeyboardState& k, Desktop& desktop);
// a calibration succeeded (show it again unless it stays hidden),
void keyboardOnCalibrated(KeyboardState& k, Desktop& desktop);
// a nod (show it at its default place, or hide it). False while no keyboard
// has announced itself: the toggle is then still due.
bool toggleKeyboard(TrackerState& s, Desktop& desktop);

}  // namespace quil
