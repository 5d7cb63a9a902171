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

namespace {

struct PointerSpan {
    int32_t minX, maxX, minY, maxY, mapWidth, mapHeight;
    friend bool operator==(const PointerSpan&, const PointerSpan&) = default;
};

PointerSpan spanOf(const ScreenRect& r) {
    return {r.x + 1, r.x + r.width - kPointerEdgeMargin,
            r.y + 1, r.y + r.height - kPointerEdgeMargin,
            r.width, r.height};
}

PointerSpan currentSpan(const SharedState& shared) {
    return {shared.clampMinX.load(), shared.clampMaxX.load(), shared.clampMinY.load(),
            shared.clampMaxY.load(), shared.mapWidth.load(),  shared.mapHeight.load()};
}

void setSpan(SharedState& shared, const PointerSpan& span) {
    shared.clampMinX = span.minX;
    shared.clampMaxX = span.maxX;
    shared.clampMinY = span.minY;
    shared.clampMaxY = span.maxY;
    shared.mapWidth = span.mapWidth;
    shared.mapHeight = span.mapHeight;
}

}  // namespace

// The primary screen's bounds are left exactly as start-up and the options
// window set them; only a change of choice, or every screen's bounds undone
// by the options window, writes them.
void followScreenChoice(TrackerState& s, Desktop& desktop) {
    ScreenSpan& span = s.handsFree.screens;
    const bool wanted = s.shared.allScreens.load();
    if (!wanted && !span.allScreens) return;
    if (s.shared.optionsOpen.load()) return;
    ScreenRect rect;
    if (wanted) rect = desktop.allScreensRect();
    const bool usable = rect.width > kPointerEdgeMargin && rect.height > kPointerEdgeMargin;
    if (!usable) {
        if (!span.allScreens) return;
        span = {};
        setSpan(s.shared, spanOf({0, 0, s.session.screenWidth, s.session.screenHeight}));
        return;
    }
    const PointerSpan bounds = spanOf(rect);
    if (span.allScreens && span.rect == rect && currentSpan(s.shared) == bounds) return;
    span = {true, rect};
    setSpan(s.shared, bounds);
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
