#include "tracker/startup.h"

#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "tracker/frame_driver.h"
#include "tracker/imaging_steps.h"
#include "tracker/views.h"

namespace quil {

void beginStartup(TrackerState& s, int screenWidth, int screenHeight) {
    buildIntakeTable(s);
    setScreenDefaults(s, screenWidth, screenHeight);
}

void prepareDetectionTables(TrackerState& s) {
    s.session.blockRows = kDetectionBlockRows;
    s.session.blockCols = kDetectionBlockCols;
    setNeighbourOffsets(s.frame, kDetectionBlockRows);
    makeFrameProfiles(s);
}

void finishStartup(TrackerState& s) {
    prepareDetectionTables(s);
    setKeyboardDefaultRect(s);
    buildCircleMask(s, kCircleRadius);
}

void startTracker(TrackerState& s, Desktop& desktop, int screenWidth, int screenHeight,
                  SessionWindows windows, std::string_view optionsText) {
    beginStartup(s, screenWidth, screenHeight);
    applyOptionsText(s, optionsText);
    s.session.mainWindow = windows.main;
    s.session.captureWindow = windows.capture;
    chooseLargeView(s, desktop);
    moveViewWindows(s, desktop);
    finishStartup(s);
}

}  // namespace quil
