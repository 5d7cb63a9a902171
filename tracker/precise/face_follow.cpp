// Following the face: points on the face away from the eyes and the mouth
// (which move on their own when the user blinks, talks or gestures) are
// followed from frame to frame by pyramidal Lucas-Kanade with a
// forward-backward check, and the similarity transform that best carries
// their calibrated places to today's is the face's pose. The face position is
// the calibrated midpoint of the eyes carried by that pose, pulled slowly
// toward where the landmark model sees it, so that the points cannot drift.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "tracker/head_modes.h"
#include "tracker/precise/precise_internal.h"
#include "tracker/tracking.h"

namespace quil::precise {

namespace {

using landmarks::Point;

// Points: at most this many, at least this share of the eye gap apart.
constexpr int kMaxPoints = 40;
constexpr float kPointSpacing = 0.12F;
constexpr float kCornerQuality = 0.001F;
// Followed only where the forward and the backward searches agree this well.
constexpr float kForwardBackwardLimit = 0.5F;
// A point whose place disagrees with the pose by more than this many pixels,
// or this many times the median disagreement, is dropped.
constexpr float kResidualFloor = 1.0F;
constexpr float kResidualFactor = 3.0F;
// Fewer good points than this and the frame cannot place the face.
constexpr int kMinPoints = 6;
// New points are looked for when fewer than this share of the first remain.
constexpr double kReplenishShare = 0.6;
// The face is lost after this many frames in a row without a placement, or
// two verifying detections in a row that find no face. With a check every
// third frame, a face that is gone is noticed within 6 frames (0.45 s).
constexpr int kWeakFrameLimit = 3;
constexpr int kCheckInterval = 3;
constexpr int kMissedCheckLimit = 2;
// The landmark model is fitted every few frames; the drift correction moves
// this share of the way toward its eyes' midpoint, when that is within this
// share of the eye gap (farther, the fit itself is taken to be wrong).
constexpr int kFitInterval = 4;
constexpr double kDriftGain = 0.1;
constexpr double kDriftTrust = 0.15;

// The region the points are taken from, and what is kept out of it, in
// shares of the eye gap around the eyes and the nose.
constexpr double kAreaAboveEyes = 0.55;
constexpr double kAreaBelowNose = 0.1;
constexpr double kAreaBeyondEyes = 0.25;
constexpr double kEyeKeepOutWide = 0.3;
constexpr double kEyeKeepOutAbove = 0.5;
constexpr double kEyeKeepOutBelow = 0.25;

PixelRect rectOf(double left, double top, double right, double bottom) {
    return {static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)),
            static_cast<int>(std::ceil(right)), static_cast<int>(std::ceil(bottom))};
}

// New corners on the face, their calibrated places found through the
// inverse pose, added to the points followed.
void addPoints(PreciseFace& f, const GreyPlane& grey, const FaceParts& parts) {
    const double g = parts.eyeGap;
    if (!(g > 0)) return;
    const double left = std::min(parts.eyeCentre[0].x, parts.eyeCentre[1].x);
    const double right = std::max(parts.eyeCentre[0].x, parts.eyeCentre[1].x);
    const double eyesY = (parts.eyeCentre[0].y + parts.eyeCentre[1].y) / 2;
    const PixelRect area = rectOf(left - kAreaBeyondEyes * g, eyesY - kAreaAboveEyes * g,
                                  right + kAreaBeyondEyes * g, parts.nose.y + kAreaBelowNose * g);
    PixelRect eyes[2];
    for (int i = 0; i < 2; ++i) {
        const Point c = parts.eyeCentre[i];
        eyes[i] = rectOf(c.x - kEyeKeepOutWide * g, c.y - kEyeKeepOutAbove * g,
                         c.x + kEyeKeepOutWide * g, c.y + kEyeKeepOutBelow * g);
    }
    const CornerSettings settings{kMaxPoints, kPointSpacing * static_cast<float>(g), kCornerQuality,
                                  2};
    findCorners(grey, area, eyes, settings, f.corners, f.cornerScratch);
    const double det = f.pose.a * f.pose.a + f.pose.b * f.pose.b;
    if (!(det > 0)) return;
    const float min2 = settings.minDistance * settings.minDistance;
    for (const FlowPoint& c : f.corners) {
        if (static_cast<int>(f.last.size()) >= kMaxPoints) break;
        bool taken = false;
        for (const FlowPoint& q : f.last) {
            taken = taken || (c.x - q.x) * (c.x - q.x) + (c.y - q.y) * (c.y - q.y) < min2;
        }
        if (taken) continue;
        // The inverse of the similarity: rotate and scale back the offset.
        const double ux = c.x - f.pose.tx, uy = c.y - f.pose.ty;
        f.origin.push_back({static_cast<float>((f.pose.a * ux + f.pose.b * uy) / det),
                            static_cast<float>((-f.pose.b * ux + f.pose.a * uy) / det)});
        f.last.push_back(c);
    }
}

// Least squares similarity from origin to found over the points marked in
// use; false when fewer than two points are.
bool fitPose(const PreciseFace& f, const std::vector<uint8_t>& use, FacePose& pose) {
    double ox = 0, oy = 0, nx = 0, ny = 0;
    int n = 0;
    for (size_t i = 0; i < f.origin.size(); ++i) {
        if (!use[i]) continue;
        ox += f.origin[i].x, oy += f.origin[i].y, nx += f.found[i].x, ny += f.found[i].y;
        ++n;
    }
    if (n < 2) return false;
    ox /= n, oy /= n, nx /= n, ny /= n;
    double sa = 0, sb = 0, norm = 0;
    for (size_t i = 0; i < f.origin.size(); ++i) {
        if (!use[i]) continue;
        const double px = f.origin[i].x - ox, py = f.origin[i].y - oy;
        const double qx = f.found[i].x - nx, qy = f.found[i].y - ny;
        sa += px * qx + py * qy;
        sb += px * qy - py * qx;
        norm += px * px + py * py;
    }
    if (!(norm > 0)) return false;
    pose.a = sa / norm;
    pose.b = sb / norm;
    pose.tx = nx - (pose.a * ox - pose.b * oy);
    pose.ty = ny - (pose.b * ox + pose.a * oy);
    return std::isfinite(pose.a) && std::isfinite(pose.b) && std::isfinite(pose.tx) &&
           std::isfinite(pose.ty);
}

// Pulls the drift correction toward the landmark model's eyes.
void correctDrift(PreciseState& p, const FaceParts& now) {
    PreciseFace& f = p.face;
    static_cast<void>(now);
    const landmarks::Landmarks marks =
        p.tools.model->fit(viewOf(p.pictures.current.levels[0]), boxNow(p));
    const FaceParts fitted = partsOf(marks);
    const Point seen = anchorOf(fitted);
    const Point carried = applyPose(f.pose, {f.anchorX, f.anchorY});
    const double dx = seen.x - (carried.x + f.driftX);
    const double dy = seen.y - (carried.y + f.driftY);
    if (std::hypot(dx, dy) > kDriftTrust * f.eyeGap) return;
    f.driftX += kDriftGain * dx;
    f.driftY += kDriftGain * dy;
}

// With the 68-point outlines: the face position is the nose's, filtered, and
// the gestures are read from the outlines. A frame whose outlines are
// unusable moves nothing.
void followOutline(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    PreciseState& p = s.precise;
    PreciseOutline& o = p.outline;
    s.shared.gestureCheckAvailable = true;
    if (!fitOutline(p, boxNow(p))) return;
    const double lastX = o.filterX.value, lastY = o.filterY.value;
    double x = filterStep(o.filterX, o.now.noseX);
    double y = filterStep(o.filterY, o.now.noseY);
    readOutlineGestures(s, std::hypot(x - lastX, y - lastY));
    followRest(o);
    runGestureCheck(s, desktop);
    s.precise.face.tickFaceX = x;
    s.precise.face.tickFaceY = y;
    holdPointerForGesture(s, x, y);
    followFace(s, desktop, frame, x, y, detectOutlineEvents);
}

// The eye line's angle now against the calibrated one, in degrees: the
// head tilted toward a shoulder. The eyes are the calibrated ones carried by
// the points' pose, so it is the pose's own rotation.
double rollFromCalibration(const PreciseState& p, const FaceParts& now) {
    const FaceParts then = partsOf(p.face.calibratedMarks);
    const auto angle = [](const FaceParts& f) {
        return std::atan2(f.eyeCentre[1].y - f.eyeCentre[0].y, f.eyeCentre[1].x - f.eyeCentre[0].x);
    };
    return std::remainder(angle(now) - angle(then), 2 * std::numbers::pi) * 180.0 /
           std::numbers::pi;
}

}  // namespace

// Follows the points into this frame and fits the pose; false when too few
// points could be followed. Points that failed are dropped.
bool followPoints(PreciseState& p) {
    PreciseFace& f = p.face;
    const size_t n = f.last.size();
    if (!p.pictures.previousHeld || n == 0) return false;
    f.found.resize(n);
    f.back.resize(n);
    f.ok.resize(n);
    f.okBack.resize(n);
    trackPoints(p.pictures.previous, p.pictures.current, f.last, f.found, f.ok);
    trackPoints(p.pictures.current, p.pictures.previous, f.found, f.back, f.okBack);
    for (size_t i = 0; i < n; ++i) {
        const float ex = f.back[i].x - f.last[i].x, ey = f.back[i].y - f.last[i].y;
        f.ok[i] = f.ok[i] && f.okBack[i] &&
                  ex * ex + ey * ey < kForwardBackwardLimit * kForwardBackwardLimit;
    }
    FacePose pose;
    if (!fitPose(f, f.ok, pose)) return false;
    // Points that disagree with the pose (on an eyelid after all, or caught
    // by an edge of the background) are dropped and the pose fitted again.
    f.residuals.clear();
    for (size_t i = 0; i < n; ++i) {
        const Point q = applyPose(pose, {f.origin[i].x, f.origin[i].y});
        const float r = static_cast<float>(std::hypot(q.x - f.found[i].x, q.y - f.found[i].y));
        f.residuals.push_back(f.ok[i] ? r : -1.0F);
    }
    f.corners.clear();  // the good residuals, for their median
    for (float r : f.residuals) {
        if (r >= 0) f.corners.push_back({r, 0});
    }
    auto mid = f.corners.begin() + static_cast<std::ptrdiff_t>(f.corners.size() / 2);
    std::nth_element(f.corners.begin(), mid, f.corners.end(),
                     [](const FlowPoint& a, const FlowPoint& b) { return a.x < b.x; });
    const float limit = std::max(kResidualFloor, kResidualFactor * mid->x);
    int good = 0;
    for (size_t i = 0; i < n; ++i) {
        f.ok[i] = f.ok[i] && f.residuals[i] <= limit;
        good += f.ok[i];
    }
    if (good < kMinPoints || !fitPose(f, f.ok, pose)) return false;
    f.pose = pose;
    // Keep the good points only, in place.
    size_t k = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!f.ok[i]) continue;
        f.origin[k] = f.origin[i];
        f.last[k] = f.found[i];
        ++k;
    }
    f.origin.resize(k);
    f.last.resize(k);
    return true;
}

Point applyPose(const FacePose& pose, Point p) {
    return {pose.a * p.x - pose.b * p.y + pose.tx, pose.b * p.x + pose.a * p.y + pose.ty};
}

FaceParts partsNow(const PreciseState& p) {
    FaceParts parts = partsOf(p.face.calibratedMarks);
    const double scale = std::hypot(p.face.pose.a, p.face.pose.b);
    for (int i = 0; i < 2; ++i) {
        parts.eyeCentre[i] = applyPose(p.face.pose, parts.eyeCentre[i]);
        parts.eyeWidth[i] *= scale;
    }
    parts.nose = applyPose(p.face.pose, parts.nose);
    parts.eyeGap *= scale;
    return parts;
}

landmarks::FaceBox boxNow(const PreciseState& p) {
    const landmarks::FaceBox& b = p.face.calibratedBox;
    const Point centre =
        applyPose(p.face.pose, {(b.left + b.right) / 2.0, (b.top + b.bottom) / 2.0});
    const double scale = std::hypot(p.face.pose.a, p.face.pose.b);
    const double halfW = (b.right - b.left) * scale / 2, halfH = (b.bottom - b.top) * scale / 2;
    return {static_cast<int>(std::lround(centre.x - halfW)),
            static_cast<int>(std::lround(centre.y - halfH)),
            static_cast<int>(std::lround(centre.x + halfW)),
            static_cast<int>(std::lround(centre.y + halfH)), 0.0};
}

bool startFollowing(TrackerState& s) {
    PreciseFace& f = s.precise.face;
    f.pose = {};
    f.origin.clear();
    f.last.clear();
    addPoints(f, s.precise.pictures.current.levels[0], partsOf(f.calibratedMarks));
    f.initialCount = static_cast<int32_t>(f.last.size());
    return f.initialCount >= 2 * kMinPoints;
}

void stepFollow(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    checkHandMove(s, desktop);
    PreciseState& p = s.precise;
    PreciseFace& f = p.face;
    const bool placed = followPoints(p);
    f.weakFrames = placed ? 0 : f.weakFrames + 1;

    // Now and then, the detector confirms that a face is still there.
    bool missing = false;
    if (++f.framesSinceCheck >= kCheckInterval) {
        f.framesSinceCheck = 0;
        f.missedChecks = faceNear(p, boxNow(p)) ? 0 : f.missedChecks + 1;
        missing = f.missedChecks >= kMissedCheckLimit;
    }
    if (f.weakFrames >= kWeakFrameLimit || missing) {
        s.state = Lost;
        frame.report.loss = LossReason::FaceLost;
        drawTrackingCross(s, frame);
        return;
    }
    f.tickFaceX = std::numeric_limits<double>::quiet_NaN();
    f.tickBaseX = s.track.lastTargetX;
    f.tickBaseY = s.track.lastTargetY;
    f.sinceTickMs = 0;
    if (placed) {
        const FaceParts now = partsNow(p);
        followHeadTilt(s, desktop, rollFromCalibration(p, now));
        if (static_cast<double>(f.last.size()) < kReplenishShare * f.initialCount) {
            addPoints(f, p.pictures.current.levels[0], now);
        }
        if (p.tools.fullModel) {
            followOutline(s, desktop, frame);
        } else {
            if (++f.framesSinceFit >= kFitInterval) {
                f.framesSinceFit = 0;
                correctDrift(p, now);
            }
            const Point face = applyPose(f.pose, {f.anchorX, f.anchorY});
            f.tickFaceX = face.x + f.driftX;
            f.tickFaceY = face.y + f.driftY;
            followFace(s, desktop, frame, face.x + f.driftX, face.y + f.driftY,
                       detectDeliberateEvents);
        }
    }
    f.tickPose = f.pose;
    // Only frames between ticks use it; at the tick's rate the pointer is not
    // asked for its place again.
    f.glideReady = s.frame.periodMs < kTrackerTickMs && placed && std::isfinite(f.tickFaceX) &&
                   glideMayFollow(s, desktop);
    drawTrackingCross(s, frame);
}

}  // namespace quil::precise
