#include "tracker/rest_states.h"

#include "imaging/grids.h"
#include "keyboard_link/keyboard_link.h"
#include "tracker/lifecycle.h"
#include "tracker/tracking.h"
#include "tracker/views.h"

namespace quil {

namespace {

// A pointer still for more than this many frames hands back to tracking.
constexpr int kStillFrameLimit = 40;

constexpr uint8_t kPauseRed = 234;
constexpr uint8_t kPauseGreen = 248;
constexpr uint8_t kPauseBlue = 3;

}  // namespace

// Whatever found the loss (the face gone, a shake, idling), it ends here.
void stepLost(TrackerState& s, Desktop& desktop, FrameInput& /*frame*/) {
    endTracking(s, desktop, Ending::TrackingLost);
}

void stepRestart(TrackerState& s, Desktop& desktop, FrameInput& /*frame*/) {
    s.state = MotionSearch;
    chooseLargeView(s, desktop);
    moveViewWindows(s, desktop);
}

// A nod with no keyboard program known changes nothing: waiting here for one
// would freeze the pointer of a user who has none.
void stepKeyboardToggle(TrackerState& s, Desktop& desktop, FrameInput& /*frame*/) {
    static_cast<void>(toggleKeyboard(s, desktop));
    s.state = Tracking;
}

// Tracking rests while the user moves the pointer by hand; a frame counts as
// still when either coordinate is unchanged.
void stepHandPause(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    s.pointer.cursorNow = desktop.cursorPos();
    const ScreenPoint last = s.shared.lastCursor.load();
    if (s.pointer.cursorNow.x == last.x || s.pointer.cursorNow.y == last.y) {
        ++s.pointer.stillFrames;
    } else {
        s.pointer.stillFrames = 0;
    }
    if (s.pointer.stillFrames > kStillFrameLimit) s.state = Tracking;
    s.shared.lastCursor.store(s.pointer.cursorNow);
    drawCross(frame.pixels, s.shared.headRangeCentreX, s.shared.headRangeCentreY, kPauseRed,
              kPauseGreen, kPauseBlue);
}

}  // namespace quil
