// What the precise engine's stage tests share: pictures made for them (a
// person sitting still as the camera gives it, and that picture moved,
// turned, shrunk or blanked), and a tracker whose stages are called one at a
// time, with the detector and the 5-point model loaded.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "recording_desktop.h"
#include "tracker/frame_driver.h"
#include "tracker/precise/precise_internal.h"

namespace quil::precise::stages {

using Picture = std::vector<uint8_t>;  // 640 x 480, bottom-up rows, blue-green-red

// A person sitting still, facing the camera, without sensor noise; drawn
// once per test program.
const Picture& stillFace();
// Where that picture has the point between the eyes (top-down rows).
landmarks::Point stillFaceEyes();

// Plain pictures of one grey level.
Picture flat(uint8_t level);
// The picture carried by a similarity (top-down coordinates: a point p of
// the input is at applyPose(pose, p) in the output), sampled bilinearly;
// what falls outside the input repeats its nearest edge.
Picture moved(const Picture& bgr, const FacePose& pose);
// The similarity that turns by degrees and scales about (cx, cy), then moves
// by (dx, dy).
FacePose turnAbout(double cx, double cy, double degrees, double scale, double dx = 0,
                   double dy = 0);
// A grey texture of soft blobs with corners to follow, the same for every
// call, moved by the similarity; the face's marks are placed on it by hand.
Picture texture(const FacePose& pose = {});

// A tracker at the start of a precise session: the options given, the
// detector and the 5-point model loaded (the test is skipped without the
// model), and the stages called by the test one frame at a time.
struct PreciseStage : ::testing::Test {
    std::unique_ptr<TrackerState> state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    quil::testing::RecordingDesktop desktop;
    Picture shown;  // this frame's picture, which the stages may draw on

    void SetUp() override;
    // The frame's picture taken in, as the frame driver does, and the stage
    // run on it; what it reported.
    FrameReport step(StateStep stage, const Picture& picture);
    // The face found and calibrated on the still picture, through the search
    // and calibration stages; false when they did not get there.
    bool calibrateOnStillFace();
};

}  // namespace quil::precise::stages
