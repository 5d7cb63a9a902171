#include "tracker/precise/precise_engine.h"

#include <algorithm>

#include "tracker/precise/precise_internal.h"
#include "tracker/rest_states.h"

namespace quil {

namespace {

// Grey from blue, green and red with the usual luma weights, in 8 bits.
constexpr int kBlueWeight = 29;
constexpr int kGreenWeight = 150;
constexpr int kRedWeight = 77;

}  // namespace

// A loss ends as the classic one does, by the same rule (see lifecycle.h).
const std::array<StateStep, kStateCount> kPreciseSteps = {
    precise::stepFindFace,
    precise::stepFindFace,
    precise::stepCalibrate,
    precise::stepFollow,
    stepLost,
    stepRestart,
    stepKeyboardToggle,
    stepHandPause,
};

void precisePictureIntake(PrecisePictures& p, std::span<const uint8_t> frame) {
    std::swap(p.current, p.previous);
    p.previousHeld = p.previous.levels[0].width == kFrameCols;
    GreyPlane& grey = p.current.levels[0];
    grey.resize(kFrameCols, kFrameRows);
    if (frame.size() < static_cast<size_t>(kFrameBytes)) return;
    for (int y = 0; y < kFrameRows; ++y) {
        // The frame's rows run bottom-up.
        const uint8_t* in = frame.data() + static_cast<size_t>(kFrameRows - 1 - y) * kFrameRowBytes;
        uint8_t* out = grey.pixels.data() + static_cast<size_t>(y) * kFrameCols;
        for (int x = 0; x < kFrameCols; ++x) {
            const uint8_t* px = in + 3 * x;
            out[x] = static_cast<uint8_t>(
                (kBlueWeight * px[0] + kGreenWeight * px[1] + kRedWeight * px[2]) >> 8);
        }
    }
    buildPyramid(p.current);
}

void endPreciseGestures(TrackerState& s, Desktop& desktop) { precise::endOutline(s, desktop); }

}  // namespace quil
