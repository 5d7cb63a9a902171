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

// The band across the eye's slit: this share of the eye's width each side of
// its centre along the slit, and this share above and below it.
constexpr double kSlitHalfLength = 0.35;
constexpr double kSlitHalfHeight = 0.08;
// The widest band measured, in columns (an eye 140 pixels wide).
constexpr int kMaxEyeColumns = 100;
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
constexpr double kEyesShutRatio = 0.25;
constexpr double kMouthOpenGain = 0.2;
// Below one pixel of face motion the head counts as still (for dwell).
constexpr double kStillDistance = 1.0;
// A frame counts toward holding the eyes shut only while the head moves less
// than this share of the eye gap: looking down, as in a nod, lowers the lids
// over the eyes as far as shutting them does, but the head moves meanwhile,
// and a user who shuts the eyes on purpose holds it still.
constexpr double kEyesStillShare = 0.03;

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

// Along the line from one corner of the eye to the other, an open eye shows
// white, iris, white; a shut one an even lid, whose lashes run along the
// whole line. So the columns' means over a thin band on that line vary a lot
// across an open eye and little across a shut one.
double acrossTheSlit(const GreyPlane& g, Point centre, double eyeWidth) {
    const int half = static_cast<int>(std::lround(kSlitHalfHeight * eyeWidth));
    const int top = static_cast<int>(std::lround(centre.y)) - half;
    const int bottom = static_cast<int>(std::lround(centre.y)) + half + 1;
    const int left = static_cast<int>(std::lround(centre.x - kSlitHalfLength * eyeWidth));
    const int right = static_cast<int>(std::lround(centre.x + kSlitHalfLength * eyeWidth)) + 1;
    if (top < 0 || left < 0 || bottom > g.height || right > g.width || right - left < 3 ||
        right - left > kMaxEyeColumns) {
        return 0.0;
    }
    double least = 1e9, most = 0.0, sum = 0.0;
    for (int x = left; x < right; ++x) {
        double column = 0;
        for (int y = top; y < bottom; ++y) column += g.at(x, y);
        column /= bottom - top;
        least = std::min(least, column);
        most = std::max(most, column);
        sum += column;
    }
    const double mean = sum / (right - left);
    return mean > 0 ? (most - least) / mean : 0.0;
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
    // Both eyes must be shut: the more open one decides.
    double most = 0.0;
    for (int i = 0; i < 2; ++i) {
        most = std::max(most, acrossTheSlit(grey, parts.eyeCentre[i], parts.eyeWidth[i]));
    }
    return most;
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
    bool eyesShut = d.eyeMeasure < kEyesShutRatio * p.face.eyeBaseline &&
                    s.pointer.moveDistance < kEyesStillShare * parts.eyeGap;
    if (eyesShut) {
        // The pose is a similarity: a head pitched down carries the eye
        // regions below the eyes, onto the even skin of the cheeks. The
        // landmark model finds the eyes themselves.
        const FaceParts seen = partsOf(p.tools.model->fit(viewOf(grey), boxNow(p)));
        d.eyeMeasure = eyeOpenness(grey, seen);
        eyesShut = d.eyeMeasure < kEyesShutRatio * p.face.eyeBaseline;
    }
    const bool mouthOpen = d.mouthMeasure > p.face.mouthBaseline + kMouthOpenGain;
    d.holdLength = kHoldFrames;

    if (restAfterAction(s.pointer)) {
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
