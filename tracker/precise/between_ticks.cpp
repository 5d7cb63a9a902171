// The frames between two ticks, at the camera's rate: the points are followed
// into each one, and the face's place on the last tick is carried by the
// pose's change since then. The pointer moves from the tick's place by what
// the tick's own mapping would have made of that change, so that it answers
// a head motion on the next frame, and a still head (no change) leaves it
// exactly where the tick put it. The tick alone commits the mapping, counts
// and reads gestures, so every duration and the pointer's own dynamics stay
// what they are at 75 ms.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "pointer/pointer_mapping.h"
#include "tracker/precise/precise_engine.h"
#include "tracker/precise/precise_internal.h"

namespace quil {

namespace {

// The pointer must be where the tracker left it, give or take this many
// pixels (a screen edge, a scaled desktop); anywhere else, a hand or another
// program moved it, and the next tick's hand-move check decides.
constexpr int kOwnPlaceSlack = 2;

// Where pose carries the point that the other pose put at p.
landmarks::Point carry(const FacePose& from, const FacePose& to, landmarks::Point p) {
    const double det = from.a * from.a + from.b * from.b;
    if (!(det > 0)) return p;
    const double ux = p.x - from.tx, uy = p.y - from.ty;
    const landmarks::Point origin{(from.a * ux + from.b * uy) / det,
                                  (-from.b * ux + from.a * uy) / det};
    return precise::applyPose(to, origin);
}

// Where the tick would see the face now. With the outlines, the nose they
// find, through the pointer's filter as the next tick would take it (so
// that the tick continues the frames' motion instead of pulling it back);
// without, the tick's place carried by the points' pose.
landmarks::Point faceNow(TrackerState& s) {
    PreciseState& p = s.precise;
    PreciseFace& f = p.face;
    if (!p.tools.fullModel) return carry(f.tickPose, f.pose, {f.tickFaceX, f.tickFaceY});
    f.sinceTickMs += s.frame.periodMs;
    if (!precise::fitOutline(p, precise::boxNow(p))) return {f.tickFaceX, f.tickFaceY};
    const double seconds = static_cast<double>(f.sinceTickMs) / 1000.0;
    OneEuro x = p.outline.filterX, y = p.outline.filterY;
    return {precise::filterStep(x, p.outline.now.noseX, seconds),
            precise::filterStep(y, p.outline.now.noseY, seconds)};
}

}  // namespace

namespace precise {

bool glideMayFollow(const TrackerState& s, Desktop& desktop) {
    if (s.state != Tracking || s.shared.paused.load() || s.handsFree.scroll.on) return false;
    if (s.precise.outline.frozen || s.view.previewCaptured) return false;
    const ScreenPoint at = desktop.cursorPos();
    return at.x == s.pointer.targetX && at.y == s.pointer.targetY;
}

}  // namespace precise

void followPreciseBetweenTicks(TrackerState& s, Desktop& desktop) {
    PreciseFace& f = s.precise.face;
    if (!precise::followPoints(s.precise) || !f.glideReady) return;
    const ScreenPoint at = desktop.cursorPos();
    const ScreenPoint mine = s.track.glided ? s.track.glidedTo : s.shared.lastCursor.load();
    if (std::abs(at.x - mine.x) > kOwnPlaceSlack || std::abs(at.y - mine.y) > kOwnPlaceSlack) {
        return;
    }
    const landmarks::Point face = faceNow(s);
    if (!std::isfinite(face.x) || !std::isfinite(face.y)) return;
    // Both mapped from the tick's own starting place; the tick's target is
    // put back for the next tick to step from.
    const ScreenPoint placed{s.track.lastTargetX, s.track.lastTargetY};
    s.track.lastTargetX = f.tickBaseX;
    s.track.lastTargetY = f.tickBaseY;
    mapPointer(s, f.tickFaceX, f.tickFaceY);
    const ScreenPoint then{s.pointer.targetX, s.pointer.targetY};
    mapPointer(s, face.x, face.y);
    s.track.lastTargetX = placed.x;
    s.track.lastTargetY = placed.y;
    const int64_t x = int64_t{placed.x} + s.pointer.targetX - then.x;
    const int64_t y = int64_t{placed.y} + s.pointer.targetY - then.y;
    s.pointer.targetX = static_cast<int32_t>(
        std::clamp<int64_t>(x, s.shared.clampMinX.load(), int64_t{s.shared.clampMaxX.load()} - 1));
    s.pointer.targetY = static_cast<int32_t>(
        std::clamp<int64_t>(y, s.shared.clampMinY.load(), int64_t{s.shared.clampMaxY.load()} - 1));
    desktop.setCursorPos(s.pointer.targetX, s.pointer.targetY);
    s.track.glided = true;
    s.track.glidedTo = {s.pointer.targetX, s.pointer.targetY};
}

}  // namespace quil
