#include "tracker/precise/precise_engine.h"

#include <algorithm>

#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "tracker/precise/precise_internal.h"
#include "tracker/rest_states.h"

namespace quil {

namespace {

// Grey from blue, green and red with the usual luma weights, in 8 bits.
constexpr int kBlueWeight = 29;
constexpr int kGreenWeight = 150;
constexpr int kRedWeight = 77;

void forgetFace(TrackerState& s) {
    s.precise.search.reset();
    s.precise.face.reset();
    s.precise.deliberate = {};
    s.precise.pictures.detectedLastFrame = false;
}

// As the classic loss, and then what a user needs besides: no idle count
// carried into the next calibration, and no warm-up pause before looking
// again.
void stepPreciseLost(TrackerState& s, Desktop& desktop, FrameInput& frame) {
    precise::endOutline(s, desktop);
    stepLost(s, desktop, frame);
    s.pointer.idleFrames = 0;
    forgetFace(s);
    s.frame.pauseActive = false;
}

}  // namespace

const std::array<StateStep, kStateCount> kPreciseSteps = {
    precise::stepFindFace, precise::stepFindFace, precise::stepCalibrate, precise::stepFollow,
    stepPreciseLost,       stepRestart,           stepKeyboardToggle,     stepHandPause,
};

bool loadPreciseEngine(TrackerState& s, const std::filesystem::path& modelFile) {
    s.precise.tools.model = landmarks::LandmarkModel::load(modelFile);
    if (!s.precise.tools.model) {
        s.shared.preciseAvailable = false;
        return false;
    }
    if (!s.precise.tools.detector) {
        s.precise.tools.detector = std::make_unique<landmarks::FaceDetector>();
    }
    s.shared.preciseAvailable = true;
    return true;
}

bool loadFullLandmarkModel(TrackerState& s, const std::filesystem::path& modelFile) {
    s.precise.tools.fullModel = landmarks::FullLandmarkModel::load(modelFile);
    return s.precise.tools.fullModel != nullptr;
}

int32_t wantedEngine(const TrackerState& s) {
    return s.shared.engineChoice.load() == PreciseEngine && s.shared.preciseAvailable.load()
               ? PreciseEngine
               : ClassicEngine;
}

void startOver(TrackerState& s, Desktop& desktop) {
    if (s.state == Calibration) desktop.closeEyesWindow(s.shared.eyesWindow);
    if (s.pointer.buttonHeld) {
        desktop.leftButtonUp();
        s.pointer.buttonHeld = false;
    }
    if (s.state == Tracking || s.state == HandPause || s.state == KeyboardToggle) {
        keyboardOnTrackerLost(s, desktop);
    }
    s.face.reset();
    s.track = {};
    restartDetection(s);
    precise::endOutline(s, desktop);
    forgetFace(s);
    s.pointer.idleFrames = 0;
    s.view.previewDwellFrames = 0;
    // The classic engine needs its warm-up frames to fill its grids; the
    // precise one looks at once.
    if (s.engine == PreciseEngine) s.frame.pauseActive = false;
    s.state = Restart;
}

void switchEngine(TrackerState& s, Desktop& desktop) {
    s.engine = wantedEngine(s);
    startOver(s, desktop);
}

void precisePictureIntake(TrackerState& s, std::span<const uint8_t> frame) {
    PrecisePictures& p = s.precise.pictures;
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

void PreciseSearch::reset() { *this = PreciseSearch{}; }

// Keeps this frame's measures, which calibration takes as the baselines.
void PreciseOutline::reset() {
    const OutlineMeasures keep = now;
    *this = PreciseOutline{};
    now = keep;
}

void PreciseFace::reset() {
    PreciseFace fresh;
    for (auto list : {&PreciseFace::origin, &PreciseFace::last, &PreciseFace::found,
                      &PreciseFace::back, &PreciseFace::corners}) {
        fresh.*list = std::move(this->*list);
        (fresh.*list).clear();
    }
    fresh.ok = std::move(ok);
    fresh.ok.clear();
    fresh.okBack = std::move(okBack);
    fresh.okBack.clear();
    fresh.residuals = std::move(residuals);
    fresh.residuals.clear();
    fresh.cornerScratch = std::move(cornerScratch);
    *this = std::move(fresh);
}

}  // namespace quil
