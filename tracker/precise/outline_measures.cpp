// The face read from the 68-point model's outlines: how open the eyes and
// the mouth are, how wide the mouth is (a smile narrows the eyes), how long
// the nose looks (looking down lowers the lids), and where the nose is, the
// point a user aims with. Ratios of distances on the face, so that they hold
// at any distance from the camera, and baselines learnt from this user.
#include <algorithm>
#include <cmath>

#include "tracker/precise/precise_internal.h"

namespace quil::precise {

namespace {

using landmarks::FullLandmarks;
using landmarks::Point;

// The outlines' points (the 68-point model's numbering).
constexpr int kNoseFirst = 27, kNoseLast = 35;            // bridge, tip, then the nostrils
constexpr int kLeftBrowFirst = 17, kRightBrowFirst = 22;  // five points each
constexpr int kNoseTip = 30;
constexpr int kLeftEyeFirst = 36, kRightEyeFirst = 42;  // six points each
constexpr int kMouthLeft = 48, kMouthRight = 54;
constexpr int kInnerLeft = 60, kInnerRight = 64;
constexpr int kInnerTop[3] = {61, 62, 63};
constexpr int kInnerBottom[3] = {67, 66, 65};

// The pointer's filter: the cut-off at rest (Hz), how fast it opens with the
// nose's speed (per pixel a second), and the speed's own cut-off.
constexpr double kFilterMinCutoff = 1.2;
constexpr double kFilterBeta = 0.04;
constexpr double kFilterSpeedCutoff = 1.0;
constexpr double kTickSeconds = 0.075;
constexpr double kPi = 3.14159265358979323846;

// The baselines, as the share of the recent measures that lie below them:
// the eyes' open level high (they are open most of the time, and a closing
// is short), the closed mouth low (talking opens it often), the mouth's
// width and the brows' height in the middle.
constexpr double kOpenRank = 0.8;
constexpr double kClosedRank = 0.2;
constexpr double kMiddleRank = 0.5;

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Point at(const FullLandmarks& m, int i) { return m[static_cast<size_t>(i)]; }

// The lids' mean gap over the eye's width (corners 0 and 3, lids 1-5, 2-4).
double eyeOpening(const FullLandmarks& m, int first) {
    const double width = distance(at(m, first), at(m, first + 3));
    if (!(width > 0)) return 0.0;
    return (distance(at(m, first + 1), at(m, first + 5)) +
            distance(at(m, first + 2), at(m, first + 4))) /
           (2.0 * width);
}

double alpha(double cutoff, double seconds) {
    const double tau = 1.0 / (2 * kPi * cutoff);
    return 1.0 / (1.0 + tau / seconds);
}

// Adds the value to the ring and returns the value this share of the ring's
// values lie below.
double pushAndRank(RecentMeasure& r, double value, double share,
                   std::array<float, kRecentTicks>& scratch) {
    r.values[static_cast<size_t>(r.next)] = static_cast<float>(value);
    r.next = (r.next + 1) % kRecentTicks;
    r.count = std::min(r.count + 1, kRecentTicks);
    std::copy(r.values.begin(), r.values.begin() + r.count, scratch.begin());
    const auto rank = scratch.begin() + static_cast<std::ptrdiff_t>(share * (r.count - 1));
    std::nth_element(scratch.begin(), rank, scratch.begin() + r.count);
    return *rank;
}

}  // namespace

OutlineMeasures measuresOf(const FullLandmarks& m) {
    OutlineMeasures r;
    for (int i = kNoseFirst; i <= kNoseLast; ++i) {
        r.noseX += at(m, i).x;
        r.noseY += at(m, i).y;
    }
    r.noseX /= kNoseLast - kNoseFirst + 1;
    r.noseY /= kNoseLast - kNoseFirst + 1;
    Point eyes[2] = {{0, 0}, {0, 0}};
    for (int k = 0; k < 6; ++k) {
        eyes[0].x += at(m, kLeftEyeFirst + k).x / 6, eyes[0].y += at(m, kLeftEyeFirst + k).y / 6;
        eyes[1].x += at(m, kRightEyeFirst + k).x / 6, eyes[1].y += at(m, kRightEyeFirst + k).y / 6;
    }
    r.eyeGap = distance(eyes[0], eyes[1]);
    r.eyes = (eyeOpening(m, kLeftEyeFirst) + eyeOpening(m, kRightEyeFirst)) / 2;
    const double innerWidth = distance(at(m, kInnerLeft), at(m, kInnerRight));
    if (innerWidth > 0) {
        double gap = 0;
        for (int k = 0; k < 3; ++k) gap += distance(at(m, kInnerTop[k]), at(m, kInnerBottom[k]));
        r.mouth = gap / (3 * innerWidth);
    }
    if (r.eyeGap > 0) {
        r.smile = distance(at(m, kMouthLeft), at(m, kMouthRight)) / r.eyeGap;
        // Each brow's height over its eye's corners, across the eyes' line
        // (so that a tilted head changes nothing).
        const double ux = (eyes[1].x - eyes[0].x) / r.eyeGap,
                     uy = (eyes[1].y - eyes[0].y) / r.eyeGap;
        double brows = 0;
        for (int side = 0; side < 2; ++side) {
            const int eye = side == 0 ? kLeftEyeFirst : kRightEyeFirst;
            const int brow = side == 0 ? kLeftBrowFirst : kRightBrowFirst;
            Point b{0, 0};
            for (int k = 0; k < 5; ++k) b.x += at(m, brow + k).x / 5, b.y += at(m, brow + k).y / 5;
            const Point c{(at(m, eye).x + at(m, eye + 3).x) / 2,
                          (at(m, eye).y + at(m, eye + 3).y) / 2};
            brows += -uy * (c.x - b.x) + ux * (c.y - b.y);
        }
        r.brows = brows / (2 * r.eyeGap);
        // The nose tip's offset from the eyes' midpoint along their line: it
        // grows as the head turns aside.
        const Point tip = at(m, kNoseTip);
        r.turn = (ux * (tip.x - (eyes[0].x + eyes[1].x) / 2) +
                  uy * (tip.y - (eyes[0].y + eyes[1].y) / 2)) /
                 r.eyeGap;
    }
    return r;
}

double filterStep(OneEuro& f, double raw, double seconds) {
    if (!f.primed) {
        f = {raw, 0.0, true};
        return raw;
    }
    const double speed = (raw - f.value) / seconds;
    f.speed += alpha(kFilterSpeedCutoff, seconds) * (speed - f.speed);
    const double cutoff = kFilterMinCutoff + kFilterBeta * std::abs(f.speed);
    f.value += alpha(cutoff, seconds) * (raw - f.value);
    return f.value;
}

double filterStep(OneEuro& f, double raw) { return filterStep(f, raw, kTickSeconds); }

bool fitOutline(PreciseState& p, const landmarks::FaceBox& box) {
    PreciseOutline& o = p.outline;
    p.tools.fullModel->fit(viewOf(p.pictures.current.levels[0]), box, o.marks);
    o.now = measuresOf(o.marks);
    return o.now.eyeGap > 0 && std::isfinite(o.now.noseX) && std::isfinite(o.now.noseY);
}

void startOutline(PreciseOutline& o) {
    o.reset();
    followRest(o);
}

void followRest(PreciseOutline& o) {
    const OutlineMeasures& m = o.now;
    // A long closing must not lower the open level it is measured against.
    if (!o.eyesShut) o.eyesOpenLevel = pushAndRank(o.recentEyes, m.eyes, kOpenRank, o.rankScratch);
    o.mouthRest = pushAndRank(o.recentMouth, m.mouth, kClosedRank, o.rankScratch);
    o.smileRest = pushAndRank(o.recentSmile, m.smile, kMiddleRank, o.rankScratch);
    o.browsRest = pushAndRank(o.recentBrows, m.brows, kMiddleRank, o.rankScratch);
    o.turnRest = pushAndRank(o.recentTurn, m.turn, kMiddleRank, o.rankScratch);
}

}  // namespace quil::precise
