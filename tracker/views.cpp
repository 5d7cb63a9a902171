#include "tracker/views.h"

#include "keyboard_link/keyboard_link.h"

namespace quil {

namespace {
constexpr int kLargeWidth = 640;
constexpr int kLargeHeight = 480;
constexpr int kCornerFraction = 8;
constexpr int kCornerMarginBottom = 30;
constexpr int kPointerEdgeMargin = 10;
}  // namespace

void chooseLargeView(TrackerState& s, Desktop& desktop) {
    desktop.showWindow(s.mainWindow, ShowMode::ShowNormal);
    s.viewX = (s.screenWidth - kLargeWidth) / 2;
    s.viewY = (s.screenHeight - kLargeHeight) / 2;
    s.viewWidth = kLargeWidth;
    s.viewHeight = kLargeHeight;
    s.largeView = true;
}

void chooseCornerView(TrackerState& s) {
    s.viewWidth = s.screenWidth / kCornerFraction;
    s.viewHeight = s.screenHeight / kCornerFraction;
    s.viewX = s.screenWidth - s.viewWidth;
    s.viewY = s.screenHeight - s.viewHeight - kCornerMarginBottom;
    s.largeView = false;
}

void moveViewWindows(const TrackerState& s, Desktop& desktop) {
    desktop.moveWindow(s.mainWindow, s.viewX, s.viewY, s.viewWidth, s.viewHeight);
    desktop.moveWindow(s.captureWindow, 0, 0, s.viewWidth, s.viewHeight);
}

void setScreenDefaults(TrackerState& s, int screenWidth, int screenHeight) {
    s.screenWidth = screenWidth;
    s.screenHeight = screenHeight;
    s.clampMinX = 1;
    s.clampMaxX = screenWidth - kPointerEdgeMargin;
    s.clampMinY = 1;
    s.clampMaxY = screenHeight - kPointerEdgeMargin;
    s.mapWidth = screenWidth;
    s.mapHeight = screenHeight;
    setKeyboardDefaultRect(s);
}

}  // namespace quil
