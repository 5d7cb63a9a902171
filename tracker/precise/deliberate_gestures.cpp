// Gestures that count only when held on purpose. Each frame measures how open
// the eyes look and how dark the mouth is, against what they were while the
// user looked at the camera at calibration. Both eyes shut, or the mouth wide
// open, for 0.45 s makes one event; a blink is over sooner, and talking opens
// the mouth less and more briefly. Dwell keeps the classic rule.
#include <algorithm>
#include <array>
#include <cmath>

#include "pointer/clicks.h"
#include "tracker/precise/precise_internal.h"

namespace quil::precise {

namespace {

using landmarks::Point;

// The eye region: the eye's width widened by this share, and this share of
// that width tall.
constexpr double kEyeRegionWiden = 1.3;
constexpr double kEyeRegionTall = 0.55;
// The mouth region: this wide and spanning these distances below the nose
// (shares of the eye gap).
constexpr double kMouthRegionWide = 1.0;
constexpr double kMouthRegionTop = 0.25;
constexpr double kMouthRegionBottom = 1.05;
// A mouth pixel is dark when below this share of the region's bright level,
// the level this share of its pixels are darker than.
constexpr double kDarkShare = 0.5;
constexpr double kBrightRank = 0.75;
// Eyes count as shut when both look less open than this share of their
// calibrated openness; the mouth as wide open when this much more of its
// region is dark than at calibration.
constexpr double kEyesShutRatio = 0.6;
constexpr double kMouthOpenGain = 0.08;
// Below one pixel of face motion the head counts as still (for dwell).
constexpr double kStillDistance = 1.0;

struct Region {
    int left = 0, top = 0, right = 0, bottom = 0;  // right, bottom excluded
};

Region clampedRegion(const GreyPlane& g, double cx, double cy, double w, double h) {
    Region r{static_cast<int>(std::lround(cx - w / 2)), static_cast<int>(std::lround(cy - h / 2)),
             static_cast<int>(std::lround(cx + w / 2)), static_cast<int>(std::lround(cy + h / 2))};
    r.left = std::clamp(r.left, 0, g.width);
    r.right = std::clamp(r.right, 0, g.width);
    r.top = std::clamp(r.top, 0, g.height);
    r.bottom = std::clamp(r.bottom, 0, g.height);
    return r;
}

// Contrast over brightness: an open eye shows dark iris and white sclera, a
// shut one an even lid.
double contrast(const GreyPlane& g, const Region& r) {
    double sum = 0, sum2 = 0;
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const double v = g.at(x, y);
            sum += v;
            sum2 += v * v;
            ++n;
        }
    }
    if (n < 4) return 0.0;
    const double mean = sum / n;
    const double var = std::max(0.0, sum2 / n - mean * mean);
    return mean > 0 ? std::sqrt(var) / mean : 0.0;
}

bool examined(const TrackerState& s, int gesture) {
    const auto k = static_cast<size_t>(gesture);
    return s.shared.clickGestures[k] == 1 || s.shared.dragGestures[k] == 1;
}

// Counts the frames a gesture has held and raises its event once per hold.
void countHold(bool holding, int32_t& frames, bool& spent, bool& event) {
    if (!holding) {
        frames = 0;
        spent = false;
        return;
    }
    ++frames;
    if (frames >= kHoldFrames && !spent) {
        event = true;
        spent = true;
    }
}

}  // namespace

double eyeOpenness(const GreyPlane& grey, const FaceParts& parts) {
    double least = 1e9;
    for (int i = 0; i < 2; ++i) {
        const double w = parts.eyeWidth[i] * kEyeRegionWiden;
        const Region r =
            clampedRegion(grey, parts.eyeCentre[i].x, parts.eyeCentre[i].y, w, w * kEyeRegionTall);
        least = std::min(least, contrast(grey, r));
    }
    return least;
}

double mouthDarkness(const GreyPlane& grey, const FaceParts& parts) {
    const double g = parts.eyeGap;
    const double top = parts.nose.y + kMouthRegionTop * g;
    const double bottom = parts.nose.y + kMouthRegionBottom * g;
    const Region r =
        clampedRegion(grey, parts.nose.x, (top + bottom) / 2, kMouthRegionWide * g, bottom - top);
    std::array<int, 256> histogram{};
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            ++histogram[grey.at(x, y)];
            ++n;
        }
    }
    if (n < 4) return 0.0;
    int bright = 255;
    for (int v = 0, seen = 0; v < 256; ++v) {
        seen += histogram[static_cast<size_t>(v)];
        if (seen >= kBrightRank * n) {
            bright = v;
            break;
        }
    }
    const double darkBelow = kDarkShare * bright;
    int dark = 0;
    for (int v = 0; v < darkBelow; ++v) dark += histogram[static_cast<size_t>(v)];
    return static_cast<double>(dark) / n;
}

void detectDeliberateEvents(TrackerState& s, double /*faceX*/, double /*faceY*/) {
    PreciseState& p = s.precise;
    DeliberateGestures& d = p.deliberate;
    const GreyPlane& grey = p.pictures.current.levels[0];
    const FaceParts parts = partsNow(p);
    d.eyeMeasure = eyeOpenness(grey, parts);
    d.mouthMeasure = mouthDarkness(grey, parts);
    const bool eyesShut = d.eyeMeasure < kEyesShutRatio * p.face.eyeBaseline;
    const bool mouthOpen = d.mouthMeasure > p.face.mouthBaseline + kMouthOpenGain;

    if (s.pointer.clickCooldown) {
        if (++s.pointer.cooldownFrames >= kClickCooldownFrames) {
            s.pointer.cooldownFrames = 0;
            s.pointer.clickCooldown = false;
        }
        // A hold that has acted, or is going on, during the rest must end
        // before it can count again.
        d.eyesSpent = eyesShut;
        d.mouthSpent = mouthOpen;
        d.eyesClosedFrames = 0;
        d.mouthOpenFrames = 0;
        return;
    }
    if (examined(s, GestureEye)) {
        countHold(eyesShut, d.eyesClosedFrames, d.eyesSpent, s.pointer.eyeEvent);
    }
    if (examined(s, GestureMouth) && !s.pointer.eyeEvent) {
        countHold(mouthOpen, d.mouthOpenFrames, d.mouthSpent, s.pointer.mouthEvent);
    }
    if (s.pointer.moveDistance >= kStillDistance) {
        s.pointer.dwellFrames = 0;
    } else if (examined(s, GestureDwell)) {
        if (++s.pointer.dwellFrames >= s.pointer.dwellLimit) {
            s.pointer.dwellEvent = true;
            s.pointer.dwellFrames = 0;
        }
    }
}

}  // namespace quil::precise
