#include "tracker/rest_states.h"

#include "imaging/grids.h"
#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "tracker/tracking.h"
#include "tracker/views.h"

namespace quil {

namespace {

// A pointer still for more than this many frames hands back to tracking.
constexpr int kStillFrameLimit = 40;

constexpr uint8_t kPauseRed = 234;
constexpr uint8_t kPauseGreen = 248;
constexpr uint8_t kPauseBlue = 3;

void freeTrackingBuffers(TrackerState& s) {
    for (IntList* list : {&s.headIndices, &s.headCurrent, &s.headPrevious, &s.latticeOffsets,
                          &s.latticeReference, &s.circleScratch, &s.distanceMap, &s.eyePatchCurrent,
                          &s.eyePatchPrevious, &s.eyePatchIndices, &s.mouthPatchCurrent,
                          &s.mouthPatchPrevious, &s.mouthPatchIndices, &s.mouthPatchBlock,
                          &s.eyePatchBlock, &s.searchIndices, &s.currentGrid, &s.previousGrid}) {
        list->clear();
    }
    freeFeatureSet(s.eyeMotion);
    freeFeatureSet(s.mouthMotion);
    // The patch lists it may have designated are gone; the initialising frame
    // builds the detection list afresh.
    s.blockOffsetsIn = TrackerState::BlockList::Own;
}

}  // namespace

void stepLost(TrackerState& s, Desktop& desktop, FrameInput& /*frame*/) {
    keyboardOnTrackerLost(s, desktop);
    freeTrackingBuffers(s);
    setNeighbourOffsets(s, s.blockRows);
    s.pauseActive = true;
    s.pauseFrames = 0;
    s.latticeRecords.clear();
    s.lastTargetX = 0;
    s.lastTargetY = 0;
    s.lastFoundX = 0.0;
    s.lastFoundY = 0.0;
    s.previewDwellFrames = 0;
    clearProfiles(s);
    s.detectFrames = 0;
    applyOptions(s);
    s.state = Restart;
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
    s.cursorNow = desktop.cursorPos();
    const ScreenPoint last = s.lastCursor.load();
    if (s.cursorNow.x == last.x || s.cursorNow.y == last.y) {
        ++s.stillFrames;
    } else {
        s.stillFrames = 0;
    }
    if (s.stillFrames > kStillFrameLimit) s.state = Tracking;
    s.lastCursor.store(s.cursorNow);
    drawCross(frame.pixels, s.headRangeCentreX, s.headRangeCentreY, kPauseRed, kPauseGreen,
              kPauseBlue);
}

}  // namespace quil
