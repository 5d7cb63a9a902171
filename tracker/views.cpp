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
    desktop.showCameraView();
    s.view.viewX = (s.session.screenWidth - kLargeWidth) / 2;
    s.view.viewY = (s.session.screenHeight - kLargeHeight) / 2;
    s.view.viewWidth = kLargeWidth;
    s.view.viewHeight = kLargeHeight;
    s.view.largeView = true;
}

void chooseCornerView(TrackerState& s) {
    s.view.viewWidth = s.session.screenWidth / kCornerFraction;
    s.view.viewHeight = s.session.screenHeight / kCornerFraction;
    s.view.viewX = s.session.screenWidth - s.view.viewWidth;
    s.view.viewY = s.session.screenHeight - s.view.viewHeight - kCornerMarginBottom;
    s.view.largeView = false;
}

void moveViewWindows(const TrackerState& s, Desktop& desktop) {
    desktop.placeCameraView(s.view.viewX, s.view.viewY, s.view.viewWidth, s.view.viewHeight);
}

void setScreenDefaults(TrackerState& s, int screenWidth, int screenHeight) {
    s.session.screenWidth = screenWidth;
    s.session.screenHeight = screenHeight;
    s.shared.clampMinX = 1;
    s.shared.clampMaxX = screenWidth - kPointerEdgeMargin;
    s.shared.clampMinY = 1;
    s.shared.clampMaxY = screenHeight - kPointerEdgeMargin;
    s.shared.mapWidth = screenWidth;
    s.shared.mapHeight = screenHeight;
    setKeyboardDefaultRect(s);
}

}  // namespace quil
