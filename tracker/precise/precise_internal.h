// What the precise engine's files share.
#pragma once

#include "tracker/frame_input.h"

namespace quil::precise {

// A deliberate gesture holds this long: 5 frames in a row, so at least 0.3 s
// and, as the frames fall, up to 0.45 s. A blink shuts the eyes fully for
// less than 0.2 s.
inline constexpr int kHoldFrames = 5;

// Where the face's parts are on this frame, in frame pixels (top-down).
struct FaceParts {
    landmarks::Point eyeCentre[2];
    double eyeWidth[2] = {0.0, 0.0};
    landmarks::Point nose;
    double eyeGap = 0.0;
};

// The calibrated landmarks carried to this frame by the face's pose.
[[nodiscard]] FaceParts partsNow(const PreciseState& p);
[[nodiscard]] FaceParts partsOf(const landmarks::Landmarks& marks);
// The point the engine names the face by.
[[nodiscard]] landmarks::Point anchorOf(const FaceParts& parts);
[[nodiscard]] landmarks::Point applyPose(const FacePose& pose, landmarks::Point p);

// The measures the gestures are read from: how open the eyes look (the
// lesser of the two eyes' contrast) and how much of the mouth region is dark.
[[nodiscard]] double eyeOpenness(const GreyPlane& grey, const FaceParts& parts);
[[nodiscard]] double mouthDarkness(const GreyPlane& grey, const FaceParts& parts);

// The calibration's face box carried to this frame by the pose: the box the
// landmark model is fitted in while tracking.
[[nodiscard]] landmarks::FaceBox boxNow(const PreciseState& p);
// A face box around the landmarks, as the detector would give it.
[[nodiscard]] landmarks::FaceBox boxAround(const FaceParts& parts);
// The detector on the part of the picture around box; true when it finds a
// face there. Uses the level at which the face is large enough to be found.
bool faceNear(PreciseState& p, const landmarks::FaceBox& box);
[[nodiscard]] landmarks::GreyView viewOf(const GreyPlane& plane);

// The states' steps.
void stepFindFace(TrackerState& s, Desktop& desktop, FrameInput& frame);
void stepCalibrate(TrackerState& s, Desktop& desktop, FrameInput& frame);
void stepFollow(TrackerState& s, Desktop& desktop, FrameInput& frame);
// Follows the points into this frame and fits the pose; false when too few
// points could be followed. Points that failed are dropped.
bool followPoints(PreciseState& p);
// After a tick's following: whether the frames until the next tick may carry
// the pointer on (the tick moved it, and no gesture, pause, scrolling or
// held view holds it).
[[nodiscard]] bool glideMayFollow(const TrackerState& s, Desktop& desktop);
// Sets up following from the calibration's landmarks; false when the face
// gives too few points to follow.
bool startFollowing(TrackerState& s);
// The eye, mouth and dwell events of a tracking frame.
void detectDeliberateEvents(TrackerState& s, double faceX, double faceY);

// The 68-point outlines (when that model is loaded).
[[nodiscard]] OutlineMeasures measuresOf(const landmarks::FullLandmarks& marks);
// Fits the outlines in box and measures them; false when they are unusable.
bool fitOutline(PreciseState& p, const landmarks::FaceBox& box);
// Takes this frame's measures as the baselines, at calibration.
void startOutline(PreciseOutline& o);
// Moves the baselines toward this frame's measures where the face is at rest.
void followRest(PreciseOutline& o);
// One step of the pointer's filter, a tick or the given time after the last.
double filterStep(OneEuro& f, double raw);
double filterStep(OneEuro& f, double raw, double seconds);
// This frame's eye and mouth readings; moved is the head's motion since the
// last frame, in pixels.
void readOutlineGestures(TrackerState& s, double moved);
// Holds the face position where it was when a gesture began, while it lasts.
void holdPointerForGesture(TrackerState& s, double& x, double& y);
// The gesture check's tick; true while it runs (no gesture acts meanwhile).
bool runGestureCheck(TrackerState& s, Desktop& desktop);
// The eye, mouth and dwell events of a tracking frame, from the outlines.
void detectOutlineEvents(TrackerState& s, double faceX, double faceY);
// Ends the outlines' part of tracking (a loss, starting over): a gesture
// check under way is taken off the screen.
void endOutline(TrackerState& s, Desktop& desktop);

}  // namespace quil::precise
