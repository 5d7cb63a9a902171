// The tracker behind a simulated desktop, fed a scene's frame each tick: the
// replay's loop without its records, for runs that watch the pointer
// themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/scene.h"
#include "sim/sim_desktop.h"
#include "tracker/frame_report.h"
#include "tracker/tracker_state.h"

namespace quil::sim {

struct RigSetup {
    int screenWidth = 1024;
    int screenHeight = 768;
    std::string optionsContent;  // empty: the defaults
    bool precise = false;
    std::string modelFile;  // empty: the build's
    // Frames at the rate the engine can take from the camera; otherwise one
    // frame per tick, as the programs and the recorded traces take them.
    bool cameraRate = false;
};

class SimRig {
public:
    explicit SimRig(const RigSetup& setup);
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;

    // What could not be set up (the precise engine's model); empty when ready.
    [[nodiscard]] const std::string& error() const { return error_; }
    // Advances the scene to the frame with what the person saw, renders it
    // and runs the tracker on it; nothing once the scene is over. The scene
    // is told the frame period on its first frame.
    std::optional<FrameReport> step(Scene& scene, int64_t frame);
    // The time between two frames.
    [[nodiscard]] double frameSeconds() const;

    [[nodiscard]] const SimDesktop& desktop() const { return *desktop_; }
    [[nodiscard]] OptionsSnapshot options() const;

private:
    std::unique_ptr<TrackerState> state_;
    std::unique_ptr<SimDesktop> desktop_;
    std::vector<uint8_t> frame_;
    UserView view_;
    std::string error_;
};

}  // namespace quil::sim
