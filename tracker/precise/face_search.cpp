// Finding a face and calibrating on it without blinking: the detector finds
// the face, the landmark model places the eyes and the nose, and once they
// hold steady for a moment (the user looks at the camera, as the eyes window
// asks) and the detector still sees the face there, tracking starts.
#include <algorithm>
#include <cmath>

#include "pointer/pointer_mapping.h"
#include "tracker/calibration.h"
#include "tracker/precise/precise_internal.h"
#include "tracker/views.h"

namespace quil::precise {

namespace {

using landmarks::FaceBox;
using landmarks::Landmarks;
using landmarks::Point;

// Every this many detection runs is made on the whole-size picture, which
// finds faces too small for the half-size one (a user sitting far back).
constexpr int kWholeSizeEvery = 3;
// Calibration: the landmarks hold steady for this many frames in a row,
// moving less than this share of the eye gap from one frame to the next.
constexpr int kSteadyFramesNeeded = 4;
constexpr double kSteadyShare = 0.05;
// As long as the classic engine waits for a blink: 65 frames, about 5 s.
constexpr int kCalibrationFrameLimit = 65;
// The box the landmark model expects is about this many eye gaps wide, its
// centre this far below the eyes' midpoint (shares of the eye gap).
constexpr double kBoxWidthInGaps = 2.3;
constexpr double kBoxCentreBelowEyes = 0.45;
// A verifying detection looks this much beyond the box on every side (share
// of its width), and accepts a weaker score than a search does.
constexpr double kCheckMargin = 0.5;
constexpr double kCheckLevelWidth = 180.0;  // a face this wide is checked at half size
// The face is named by a point this share of the way from the eyes' midpoint
// to the bottom of the nose: nearer the nose, it moves with a nod as the
// nose does, which is what the user aims with.
constexpr double kAnchorTowardNose = 0.5;

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Point midpoint(Point a, Point b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

FaceBox scaled(const FaceBox& b, int factor, int dx = 0, int dy = 0) {
    return {b.left * factor + dx, b.top * factor + dy, b.right * factor + dx,
            b.bottom * factor + dy, b.score};
}

bool overlaps(const FaceBox& a, const FaceBox& b) {
    const double cx = (a.left + a.right) / 2.0;
    const double cy = (a.top + a.bottom) / 2.0;
    return cx > b.left && cx < b.right && cy > b.top && cy < b.bottom;
}

// The detector on the whole picture, at half size or now and then at whole
// size; the surest face, if any.
bool searchWholePicture(PreciseState& p, FaceBox& face) {
    const bool whole = ++p.pictures.detectorCalls % kWholeSizeEvery == 0;
    const GreyPlane& plane = p.pictures.current.levels[whole ? 0 : 1];
    p.tools.detector->find(viewOf(plane), p.pictures.boxes);
    if (p.pictures.boxes.empty()) return false;
    face = scaled(p.pictures.boxes.front(), whole ? 1 : 2);
    return true;
}

void beginCalibration(TrackerState& s, Desktop& desktop, FrameInput& frame, const FaceBox& box) {
    s.precise.search.reset();
    s.precise.search.box = box;
    // The head box as the classic engine reports it: rows as heights above
    // the picture's bottom edge.
    frame.report.headBox =
        HeadBoxFix{box.left, kFrameRows - box.top, box.right, kFrameRows - box.bottom};
    desktop.startEyesWindow();
    s.state = Calibration;
}

void giveUp(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    desktop.closeEyesWindow(s.shared.eyesWindow);
    desktop.showCameraView();
    s.precise.search.reset();
    s.state = MotionSearch;
    frame.report.calibrationTimedOut = true;
}

CalibrationResult calibrationResult(const TrackerState& s) {
    const PreciseFace& f = s.precise.face;
    CalibrationResult c = calibrationMapping(s);
    const FaceParts parts = partsOf(f.calibratedMarks);
    c.eyeAX = static_cast<int32_t>(std::lround(parts.eyeCentre[0].x));
    c.eyeAY = static_cast<int32_t>(std::lround(parts.eyeCentre[0].y));
    c.eyeBX = static_cast<int32_t>(std::lround(parts.eyeCentre[1].x));
    c.eyeBY = static_cast<int32_t>(std::lround(parts.eyeCentre[1].y));
    c.latticeCount = static_cast<int32_t>(f.origin.size());
    c.templateX = static_cast<int32_t>(std::lround(f.anchorX));
    c.templateY = static_cast<int32_t>(std::lround(f.anchorY));
    return c;
}

}  // namespace

landmarks::GreyView viewOf(const GreyPlane& plane) {
    return {plane.pixels.data(), plane.width, plane.height, plane.width};
}

FaceParts partsOf(const Landmarks& m) {
    FaceParts parts;
    parts.eyeCentre[0] = midpoint(m[landmarks::kLeftEyeOuter], m[landmarks::kLeftEyeInner]);
    parts.eyeCentre[1] = midpoint(m[landmarks::kRightEyeOuter], m[landmarks::kRightEyeInner]);
    parts.eyeWidth[0] = distance(m[landmarks::kLeftEyeOuter], m[landmarks::kLeftEyeInner]);
    parts.eyeWidth[1] = distance(m[landmarks::kRightEyeOuter], m[landmarks::kRightEyeInner]);
    parts.nose = m[landmarks::kNoseBottom];
    parts.eyeGap = distance(parts.eyeCentre[0], parts.eyeCentre[1]);
    return parts;
}

Point anchorOf(const FaceParts& parts) {
    const Point eyes = midpoint(parts.eyeCentre[0], parts.eyeCentre[1]);
    return {eyes.x + kAnchorTowardNose * (parts.nose.x - eyes.x),
            eyes.y + kAnchorTowardNose * (parts.nose.y - eyes.y)};
}

FaceBox boxAround(const FaceParts& parts) {
    const Point mid = midpoint(parts.eyeCentre[0], parts.eyeCentre[1]);
    const double half = kBoxWidthInGaps * parts.eyeGap / 2;
    const double cy = mid.y + kBoxCentreBelowEyes * parts.eyeGap;
    return {static_cast<int>(std::lround(mid.x - half)), static_cast<int>(std::lround(cy - half)),
            static_cast<int>(std::lround(mid.x + half)), static_cast<int>(std::lround(cy + half)),
            0.0};
}

bool faceNear(PreciseState& p, const FaceBox& box) {
    const int level = (box.right - box.left) >= kCheckLevelWidth ? 1 : 0;
    const GreyPlane& plane = p.pictures.current.levels[static_cast<size_t>(level)];
    const int f = 1 << level;
    const int margin = static_cast<int>((box.right - box.left) * kCheckMargin);
    const int left = std::clamp((box.left - margin) / f, 0, plane.width);
    const int top = std::clamp((box.top - margin) / f, 0, plane.height);
    const int right = std::clamp((box.right + margin) / f + 1, 0, plane.width);
    const int bottom = std::clamp((box.bottom + margin) / f + 1, 0, plane.height);
    if (right - left < 2 || bottom - top < 2) return false;
    const landmarks::GreyView view{
        plane.pixels.data() + static_cast<size_t>(top) * plane.width + static_cast<size_t>(left),
        right - left, bottom - top, plane.width};
    p.tools.detector->find(view, p.pictures.boxes);
    for (const FaceBox& b : p.pictures.boxes) {
        if (overlaps(scaled(b, f, left * f, top * f), box)) return true;
    }
    return false;
}

// Looks for a face at most every other frame, so that a detection's cost is
// never in two frames in a row.
void stepFindFace(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    PreciseState& p = s.precise;
    if (!p.tools.detector || !p.tools.model) return;
    if (p.pictures.detectedLastFrame) {
        p.pictures.detectedLastFrame = false;
        return;
    }
    p.pictures.detectedLastFrame = true;
    FaceBox face;
    if (searchWholePicture(p, face)) beginCalibration(s, desktop, frame, face);
}

void stepCalibrate(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    PreciseState& p = s.precise;
    PreciseSearch& search = p.search;
    if (++search.calibrationFrames > kCalibrationFrameLimit) {
        giveUp(s, desktop, frame);
        return;
    }
    const GreyPlane& grey = p.pictures.current.levels[0];
    const Landmarks marks = p.tools.model->fit(viewOf(grey), search.box);
    const FaceParts parts = partsOf(marks);
    if (search.marksHeld) {
        const FaceParts before = partsOf(search.marks);
        const double moved = distance(midpoint(parts.eyeCentre[0], parts.eyeCentre[1]),
                                      midpoint(before.eyeCentre[0], before.eyeCentre[1]));
        if (moved < kSteadyShare * parts.eyeGap && parts.eyeGap > 0) {
            ++search.steadyFrames;
            search.eyeSum += eyeOpenness(grey, parts);
            search.mouthSum += mouthDarkness(grey, parts);
            ++search.samples;
        } else {
            search.steadyFrames = 0;
            search.eyeSum = search.mouthSum = 0;
            search.samples = 0;
        }
    }
    search.marks = marks;
    search.marksHeld = true;
    if (search.steadyFrames < kSteadyFramesNeeded || p.pictures.detectedLastFrame) {
        p.pictures.detectedLastFrame = false;
        return;
    }
    // Steady: the detector must still see a face there (not a still picture
    // of the room where someone was).
    p.pictures.detectedLastFrame = true;
    if (!faceNear(p, search.box)) {
        search.steadyFrames = 0;
        search.samples = 0;
        search.eyeSum = search.mouthSum = 0;
        return;
    }
    PreciseFace& f = p.face;
    f.reset();
    f.calibratedMarks = marks;
    f.calibratedBox = search.box;
    f.eyeGap = parts.eyeGap;
    const Point anchor = anchorOf(parts);
    f.anchorX = anchor.x;
    f.anchorY = anchor.y;
    f.eyeBaseline = search.eyeSum / search.samples;
    f.mouthBaseline = search.mouthSum / search.samples;
    if (!startFollowing(s)) {
        search.steadyFrames = 0;
        search.samples = 0;
        search.eyeSum = search.mouthSum = 0;
        return;
    }
    // With the outlines, the face is named by the nose, which turns with the
    // head the way the user aims.
    Point reference = anchor;
    if (p.tools.fullModel && fitOutline(p, search.box)) {
        startOutline(p.outline);
        reference = {p.outline.now.noseX, p.outline.now.noseY};
    }
    s.precise.deliberate = {};
    s.face.refX = roundNearest(reference.x);
    s.face.refY = roundNearest(reference.y);
    setHeadRange(s);
    computeGains(s);
    s.track = {};
    s.track.lastFoundX = reference.x;
    s.track.lastFoundY = reference.y;
    enterTracking(s, desktop);
    frame.report.calibration = calibrationResult(s);
}

}  // namespace quil::precise
