#include "pointer/pointer_mapping.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace quil {

namespace {

// computeGains' reference screen: at 1280 x 1024 the step divisor equals the
// speed divisor.
constexpr double kReferenceScreenArea = 1310720.0;
// Head range size at the largest setting, in frame pixels.
constexpr double kHeadRangeFullWidth = 65.0;
constexpr double kHeadRangeFullHeight = 35.0;

// Keeps v within [lo, end - 1], the lower bound first; 64-bit so that a step
// far off the screen cannot overflow before it is clamped.
int32_t clampAxis(int64_t v, int32_t lo, int32_t end) {
    if (v < lo) return lo;
    if (v > int64_t{end} - 1) return static_cast<int32_t>(int64_t{end} - 1);
    return static_cast<int32_t>(v);
}

// One axis of the quadratic step toward raw from last.
int64_t stepToward(int32_t raw, int32_t last, double gain) {
    const double d = std::fabs(static_cast<double>(raw) - static_cast<double>(last));
    const int64_t step = roundNearest(d * d * gain);
    return raw > last ? int64_t{last} + step : int64_t{last} - step;
}

}  // namespace

int roundNearest(double v) {
    // Saturates instead of overflowing: a degenerate head range or a screen
    // of zero size must not turn into undefined behaviour.
    if (std::isnan(v)) return 0;
    const double f = std::floor(v);
    const double c = std::ceil(v);
    const double r = (v - f > c - v) ? c : f;
    if (r <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    if (r >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(r);
}

void setHeadRange(TrackerState& s) {
    s.shared.headRangeRefX = s.face.refX;
    s.shared.headRangeRefY = s.face.refY;
    resizeHeadRange(s.shared);
}

void resizeHeadRange(SharedState& shared) {
    const int refX = shared.headRangeRefX.load();
    const int refY = shared.headRangeRefY.load();
    const double scale = shared.rangeScale.load();
    const int width = static_cast<int>(kHeadRangeFullWidth * scale);
    const int height = static_cast<int>(kHeadRangeFullHeight * scale);
    shared.headRangeWidth = width;
    shared.headRangeHeight = height;
    const int minX = roundNearest(refX - width / 2.0);
    const int minY = roundNearest(refY - height / 2.0);
    const int maxX = roundNearest(refX + width / 2.0);
    const int maxY = roundNearest(refY + height / 2.0);
    shared.headRangeMinX = minX;
    shared.headRangeMinY = minY;
    shared.headRangeMaxX = maxX;
    shared.headRangeMaxY = maxY;
    shared.headRangeCentreX = roundNearest(minX + (maxX - minX) / 2.0);
    shared.headRangeCentreY = roundNearest(minY + (maxY - minY) / 2.0);
}

void computeGains(TrackerState& s) {
    const double width = s.session.screenWidth;
    const double height = s.session.screenHeight;
    const double divisor = s.shared.speedDivisor.load();
    if (width <= 0.0 || height <= 0.0 || divisor <= 0.0) {
        // No usable screen or speed yet: a zero gain keeps the pointer still.
        s.shared.gainX = 0.0;
        s.shared.gainY = 0.0;
        return;
    }
    const double c = (kReferenceScreenArea / (width * height)) * divisor;
    s.shared.gainX = 1.0 / (c * c);
    const double cy = (width / height) * c;
    s.shared.gainY = 1.0 / (cy * cy);
}

void mapPointer(TrackerState& s, double faceX, double faceY) {
    const double minX = s.shared.headRangeMinX.load();
    const double spanX = s.shared.headRangeMaxX.load() - minX;
    const double minY = s.shared.headRangeMinY.load();
    const double spanY = s.shared.headRangeMaxY.load() - minY;
    const double mapWidth = s.shared.mapWidth.load();
    const double mapHeight = s.shared.mapHeight.load();

    // A captured picture shows the user as the camera sees them: moving the
    // head to the user's right moves the face toward the picture's left
    // edge, so the horizontal axis is reversed (left edge of the range ->
    // mapWidth). A mirrored picture already flips that motion, so the same
    // head motion moves the face the other way in the picture; the axis is
    // then taken as it is (left edge -> 0). Only the raw target differs: the
    // step, rounding and clamping are identical, so the pointer closes in on
    // the place the head indicates either way.
    const double along = (faceX - minX) * mapWidth / spanX;
    double screenX = s.shared.mirrorX.load() ? along : mapWidth - along;
    double screenY = (faceY - minY) * mapHeight / spanY;
    // Over every screen the map starts at the desktop's corner, which may lie
    // left of or above the primary screen.
    if (const ScreenSpan& span = s.handsFree.screens; span.allScreens) {
        screenX += span.rect.x;
        screenY += span.rect.y;
    }
    const int rawX = roundNearest(screenX);
    const int rawY = roundNearest(screenY);

    const int64_t x = stepToward(rawX, s.track.lastTargetX, s.shared.gainX.load());
    const int64_t y = stepToward(rawY, s.track.lastTargetY, s.shared.gainY.load());

    s.pointer.targetX = clampAxis(x, s.shared.clampMinX.load(), s.shared.clampMaxX.load());
    s.pointer.targetY = clampAxis(y, s.shared.clampMinY.load(), s.shared.clampMaxY.load());
}

bool insideKeyboard(const TrackerState& s, ScreenPoint p) {
    return s.keyboard.left < p.x && p.x < s.keyboard.right && s.keyboard.top < p.y &&
           p.y < s.keyboard.bottom;
}

bool keyboardShown(const TrackerState& s) {
    return !s.keyboard.hidden.load() && s.keyboard.window.load() != 0;
}

void movePointer(TrackerState& s, Desktop& desktop, ScreenPoint frameStart) {
    desktop.setCursorPos(s.pointer.targetX, s.pointer.targetY);
    if (!keyboardShown(s)) return;

    // The position before this frame's move decides: the frame that carries
    // the pointer into the keyboard sends nothing, the next one does.
    const bool inside = insideKeyboard(s, frameStart);
    if (inside) {
        if (const WindowHandle k = s.keyboard.window.load()) desktop.tellKeyboardPointerOver(k);
        if (!s.pointer.overKeyboard) {
            // Finer control over the keys: half the speed while over them.
            s.shared.speedDivisor = 2.0 * s.shared.optionFlags.snapshot().speedDivisor;
            computeGains(s);
            s.pointer.overKeyboard = true;
        }
    } else if (s.pointer.overKeyboard) {
        s.shared.speedDivisor = s.shared.optionFlags.snapshot().speedDivisor;
        computeGains(s);
        s.pointer.overKeyboard = false;
        if (const WindowHandle k = s.keyboard.window.load()) desktop.tellKeyboardPointerLeft(k);
    }
}

}  // namespace quil
