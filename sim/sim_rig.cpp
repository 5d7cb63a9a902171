#include "sim/sim_rig.h"

#include "options/options_file.h"
#include "sim/replay.h"
#include "sim/y4m.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"

namespace quil::sim {

SimRig::SimRig(const RigSetup& setup)
    : state_(std::make_unique<TrackerState>()),
      desktop_(std::make_unique<SimDesktop>(*state_, setup.screenWidth, setup.screenHeight, false)),
      frame_(kBgrBytes) {
    const std::string options =
        setup.optionsContent.empty() ? std::string(kDefaultOptionsText) : setup.optionsContent;
    startTracker(*state_, *desktop_, setup.screenWidth, setup.screenHeight,
                 {kMainWindow, kCaptureWindow}, options);
    if (setup.precise) error_ = choosePreciseEngine(*state_, setup.modelFile, "");
    if (setup.cameraRate) state_->frame.periodMs = engineFramePeriodMs(*state_);
}

double SimRig::frameSeconds() const { return static_cast<double>(state_->frame.periodMs) / 1000.0; }

std::optional<FrameReport> SimRig::step(Scene& scene, int64_t frame) {
    if (frame == 0) scene.setFrameSeconds(frameSeconds());
    lookAtDesktop(view_, *desktop_, *state_);
    if (!scene.advance(frame, view_)) return std::nullopt;
    scene.render(frame_);
    desktop_->beginTick(frame);
    const FrameReport report = frameCallback(*state_, *desktop_, frame_);
    if (report.calibration) ++view_.calibrations;
    return report;
}

OptionsSnapshot SimRig::options() const { return state_->shared.optionFlags.snapshot(); }

}  // namespace quil::sim
