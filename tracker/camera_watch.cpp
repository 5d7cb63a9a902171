#include "tracker/camera_watch.h"

#include "tracker/lifecycle.h"

namespace quil {

void CameraWatch::connected(int64_t now) {
    away_ = false;
    lastFrame_ = now;
    lastTick_ = now;
    ticked_ = true;
}

CameraStep CameraWatch::tick(int64_t now) {
    // A tick that comes long after the last one means the program itself was
    // not running (the computer slept): the camera gets its full silence
    // again before it is judged, so that a camera that woke too is kept.
    if (ticked_ && now - lastTick_ > kCameraSilenceMs && !away_) lastFrame_ = now;
    lastTick_ = now;
    ticked_ = true;
    if (away_) {
        if (now < nextAttempt_) return CameraStep::Wait;
        return CameraStep::Reconnect;
    }
    if (now - lastFrame_ >= kCameraSilenceMs) {
        away_ = true;
        ++losses_;
        // The first look comes at once: a camera reset by the system is
        // often back already.
        nextAttempt_ = now;
        return CameraStep::Gone;
    }
    return CameraStep::Grab;
}

void CameraWatch::frameArrived(int64_t now) {
    if (!away_) lastFrame_ = now;
}

void CameraWatch::reconnected(int64_t now, bool ok) {
    if (!ok) {
        nextAttempt_ = now + kCameraRetryMs;
        return;
    }
    ++returns_;
    connected(now);
}

void cameraGone(TrackerState& s, Desktop& desktop) { endTracking(s, desktop, Ending::CameraLost); }

}  // namespace quil
