// What the user sees and hears of the clicks besides the click itself: the
// ring that fills as a dwell or a held gesture approaches its click, the
// click sounds, and the notice when the window under the pointer refuses
// our input.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// How far the most advanced of the chosen gestures has come toward its
// action, in thousandths; 0 until it has come a named share of the way.
[[nodiscard]] int32_t dwellRingFill(const TrackerState& s);
// Tells the desktop the ring's fill around centre, only when it changed.
void showDwellRing(TrackerState& s, Desktop& desktop, ScreenPoint centre, int32_t thousandths);
// Tells the on-screen keyboard the dwell's progress over it (0: none), only
// when it changes.
void showDwellOnKeyboard(TrackerState& s, Desktop& desktop, int32_t thousandths);
// Takes the ring away if it is shown.
void hideDwellRing(TrackerState& s, Desktop& desktop);

// A click sound, when the user chose to hear them.
void playClickSound(const TrackerState& s, Desktop& desktop, ClickSound sound);

// Asks whether the window at p refuses our input, before a click or a press
// goes there. True when it does; the corner view says so once an episode.
bool refusedHere(TrackerState& s, Desktop& desktop, ScreenPoint p);
// Counts one frame toward telling of a refused window again.
void countRefusalTime(RefusalNotice& refusal);

}  // namespace quil
