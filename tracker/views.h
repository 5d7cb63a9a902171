// The two placements of the main window: the large centred view used while
// the head is searched and calibrated, and the small corner preview used
// while tracking.
#pragma once

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// Shows the main window (SW_SHOWNORMAL), then sets the 640x480 centred
// placement and largeView. Moves nothing.
void chooseLargeView(TrackerState& s, Desktop& desktop);
// Sets the lower-right placement of one eighth of the screen, 30 pixels above
// the bottom edge, and clears largeView. Moves nothing.
void chooseCornerView(TrackerState& s);
// Moves the main window to the chosen placement and the capture view inside
// it, both repainted.
void moveViewWindows(const TrackerState& s, Desktop& desktop);

// Screen-derived start values: pointer bounds, mapping extent, keyboard
// rectangle at its default place.
void setScreenDefaults(TrackerState& s, int screenWidth, int screenHeight);

// The user's choice of screens for the pointer, followed at each frame: over
// every screen, the bounds and the head range's map cover the rectangle
// that holds them all; otherwise (or when only the primary screen is known)
// the primary screen, as start-up set it. Changes nothing while the options
// window holds the pointer inside it.
void followScreenChoice(TrackerState& s, Desktop& desktop);

}  // namespace quil
