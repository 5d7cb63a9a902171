// Keeps the camera coming back. A camera that is unplugged, or that a sleep
// of the computer leaves dead, stops sending frames; without a watch the
// pointer would freeze for good, and the user cannot reach a cable or a
// menu. The platform asks the watch on every timer tick whether to grab a
// frame or to connect again, and tells it when a frame arrived.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// No frame for this long and the camera counts as gone.
inline constexpr int64_t kCameraSilenceMs = 2000;
// A camera that is gone is looked for again this often.
inline constexpr int64_t kCameraRetryMs = 2000;

enum class CameraStep : uint8_t {
    Grab,       // ask the camera for this tick's frame
    Gone,       // the camera just went away: call cameraGone, disconnect it
    Reconnect,  // probe the drivers and connect again, then say how it went
    Wait,       // the camera is away and it is not time to look yet
};

// Times are milliseconds from any fixed origin (a monotonic clock).
class CameraWatch {
public:
    // The camera has just been connected.
    void connected(int64_t now);
    // What to do on this timer tick.
    [[nodiscard]] CameraStep tick(int64_t now);
    void frameArrived(int64_t now);
    // The answer to a Reconnect step.
    void reconnected(int64_t now, bool ok);

    [[nodiscard]] bool away() const { return away_; }
    // Times the camera went away, and came back.
    [[nodiscard]] int32_t losses() const { return losses_; }
    [[nodiscard]] int32_t returns() const { return returns_; }

private:
    bool away_ = false;
    int64_t lastFrame_ = 0;
    int64_t lastTick_ = 0;
    bool ticked_ = false;
    int64_t nextAttempt_ = 0;
    int32_t losses_ = 0;
    int32_t returns_ = 0;
};

// The camera went away: nothing may be clicked on stale pictures and no
// button stays held; tracking starts over from head detection once frames
// flow again, with the options and the keyboard link kept.
void cameraGone(TrackerState& s, Desktop& desktop);

}  // namespace quil
