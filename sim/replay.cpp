#include "sim/replay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "imaging/circle_mask.h"
#include "imaging/grids.h"
#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "sim/replay_internal.h"
#include "sim/sim_desktop.h"
#include "sim/y4m.h"
#include "tracker/engines.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"
#include "tracker/views.h"

namespace quil::sim {

const char* const kStateNames[8] = {"MotionSearch", "HeadBox", "Calibration",    "Tracking",
                                    "Lost",         "Restart", "KeyboardToggle", "HandPause"};

namespace {

constexpr int64_t kProgressEvery = 800;  // ticks between progress lines (one minute)

class Source {
public:
    virtual ~Source() = default;
    // Fills bgr with frame k of a stream of one frame per periodMs; false
    // when there is none.
    virtual bool frame(int64_t k, int64_t periodMs, const UserView& view,
                       std::vector<uint8_t>& bgr) = 0;
    virtual std::optional<std::array<double, 2>> anchor() const { return std::nullopt; }
    virtual const std::vector<SceneMark>* marks() const { return nullptr; }
    virtual uint16_t doing() const { return 0; }
    std::string error;
};

class SceneSource : public Source {
public:
    explicit SceneSource(std::unique_ptr<Scene> scene) : scene_(std::move(scene)) {}
    bool frame(int64_t k, int64_t periodMs, const UserView& view,
               std::vector<uint8_t>& bgr) override {
        if (k == 0) scene_->setFrameSeconds(static_cast<double>(periodMs) / 1000.0);
        if (!scene_->advance(k, view)) return false;
        scene_->render(bgr);
        return true;
    }
    std::optional<std::array<double, 2>> anchor() const override { return scene_->truthPoint(); }
    const std::vector<SceneMark>* marks() const override { return &scene_->marks(); }
    uint16_t doing() const override { return scene_->doing(); }

private:
    std::unique_ptr<Scene> scene_;
};

class FileSource : public Source {
public:
    explicit FileSource(const std::string& path) : in_(path, std::ios::binary), reader_(in_) {}
    bool open(const std::string& path) {
        if (!in_) {
            error = "cannot open \"" + path + "\"";
            return false;
        }
        if (!reader_.open()) {
            error = "\"" + path + "\": " + reader_.error();
            return false;
        }
        return true;
    }
    bool frame(int64_t k, int64_t periodMs, const UserView&, std::vector<uint8_t>& bgr) override {
        const auto& info = reader_.info();
        const int64_t wanted = (k * periodMs * info.rateNum) / (1000 * info.rateDen);
        bool fresh = false;
        while (reader_.framesRead() <= wanted) {
            const auto got = reader_.next(planes_);
            if (got == Y4mReader::Next::End) return false;
            if (got == Y4mReader::Next::Error) {
                error = reader_.error();
                return false;
            }
            fresh = true;
        }
        if (fresh) {
            clean_.resize(kBgrBytes);
            yuvToBgr(planes_, info.chroma, clean_);
        }
        // The tracker draws into the frame it is given; every tick starts clean.
        bgr = clean_;
        return true;
    }

private:
    std::ifstream in_;
    Y4mReader reader_;
    std::vector<uint8_t> planes_;
    std::vector<uint8_t> clean_;
};

// Opens the recording or builds the scene; empty with result's error set
// when neither can be had.
std::unique_ptr<Source> openSource(const ReplayOptions& o, ReplayResult& result) {
    if (!o.input.empty()) {
        auto file = std::make_unique<FileSource>(o.input);
        if (!file->open(o.input)) {
            result.error = file->error;
            return nullptr;
        }
        return file;
    }
    auto scene = makeScene(o.scene, o.seed, o.driftPercent, o.noiseSigma);
    if (!scene) {
        result.error = "unknown scene \"" + o.scene + "\"";
        return nullptr;
    }
    return std::make_unique<SceneSource>(std::move(scene));
}

// The options file's text, or the defaults; empty with result's error set
// when the file cannot be read.
std::optional<std::string> optionsText(const ReplayOptions& o, ReplayResult& result) {
    if (!o.optionsContent.empty()) return o.optionsContent;
    if (o.optionsFile.empty()) return std::string(kDefaultOptionsText);
    std::ifstream in(o.optionsFile);
    if (!in) {
        result.error = "cannot read the options file \"" + o.optionsFile + "\"";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string lossText(const FrameReport& f) {
    switch (f.loss) {
        case LossReason::FaceLost: {
            std::ostringstream why;
            why << "face lost, match cost " << (f.cost ? *f.cost : 0.0);
            return why.str();
        }
        case LossReason::Idle:
            return "pointer idle for 200 frames";
        case LossReason::HeadShake:
            return "head shake";
        case LossReason::None:
            break;
    }
    return {};
}

// The tracker's own account of the frame, as the trace records it.
void recordReport(TickRecord& r, const FrameReport& f) {
    r.processed = f.processed;
    r.stepped = f.stepped;
    r.state = f.stateBefore;
    r.cost = f.cost;
    r.action = f.action;
    if (f.faceX && f.faceY) r.face = std::array<double, 2>{*f.faceX, *f.faceY};
    if (f.headBox) {
        r.events.emplace_back("head_box");
        r.headBox = std::array<int, 4>{f.headBox->left, f.headBox->top, f.headBox->right,
                                       f.headBox->bottom};
    }
    if (f.calibration) {
        r.events.emplace_back("calibrated");
        const CalibrationResult& k = *f.calibration;
        CalibrationInfo c;
        c.eyeAX = k.eyeAX, c.eyeAY = k.eyeAY, c.eyeBX = k.eyeBX, c.eyeBY = k.eyeBY;
        c.refX = k.refX, c.refY = k.refY, c.latticeCount = k.latticeCount;
        c.headRangeMinX = k.headRangeMinX, c.headRangeMaxX = k.headRangeMaxX;
        c.headRangeMinY = k.headRangeMinY, c.headRangeMaxY = k.headRangeMaxY;
        c.mapWidth = k.mapWidth, c.mapHeight = k.mapHeight;
        c.speedDivisor = k.speedDivisor;
        c.faceX = k.templateX;
        c.faceY = k.templateY;
        r.calibration = c;
    }
    if (f.calibrationTimedOut) r.events.emplace_back("calibration_timeout");
    if (f.loss != LossReason::None) {
        r.events.emplace_back("lost");
        r.lostReason = lossText(f);
    }
    if (f.stateBefore == Tracking && f.stateAfter == HandPause) r.events.emplace_back("hand_pause");
}

// The desktop's side of the tick: clicks, presses and releases of the
// button, and what the windows did.
void recordDesktopEvents(TickRecord& r, const SimDesktop& desktop, const TrackerState& s,
                         ReplayResult& result) {
    const auto& raw = desktop.tickEvents();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == "down" && i + 1 < raw.size() && raw[i + 1] == "up") {
            r.events.emplace_back("click");
            ++i;
        } else if (raw[i] == "down") {
            r.events.emplace_back("press");
        } else if (raw[i] == "up") {
            r.events.emplace_back("release");
        } else {
            r.events.push_back(raw[i]);
        }
        if (raw[i] == "keyboard_shown") {
            result.keyboardRects.push_back(
                {s.keyboard.left, s.keyboard.top, s.keyboard.right, s.keyboard.bottom});
        }
    }
}

// The scene's user pressed a key of the on-screen keyboard that asks the
// tracker for something: the keyboard program sends its message between
// frames, as it would.
void pressKeysOfTick(TrackerState& s, const Source& source, int64_t tick, size_t& marksSeen) {
    const std::vector<SceneMark>* marks = source.marks();
    if (!marks) return;
    for (; marksSeen < marks->size(); ++marksSeen) {
        const SceneMark& m = (*marks)[marksSeen];
        if (m.tick != tick) continue;
        if (m.what == "scroll_key") {
            handleKeyboardMessage(s, keyboard::kMsgKeyboardScroll, 0, 0);
        } else if (m.what == "pause_key") {
            handleKeyboardMessage(s, keyboard::kMsgKeyboardPause, 0, 0);
        }
    }
}

// The scene's truth is the head's position; it is shifted onto the face
// estimate where the first tracked frame after a calibration puts the face,
// which sits a few pixels from the template's point.
class TruthAnchor {
public:
    explicit TruthAnchor(const Source& source) : source_(source) {}

    void tick(TickRecord& r, const std::vector<TickRecord>& earlier) {
        if (r.calibration) {
            if (const auto a = source_.anchor()) {
                offset_ = {r.calibration->faceX - (*a)[0], r.calibration->faceY - (*a)[1]};
            }
            pending_ = true;
        }
        if (pending_ && r.face) {
            pending_ = false;
            for (auto it = earlier.rbegin(); it != earlier.rend(); ++it) {
                if (it->calibration) {
                    r.faceOffset = std::array<double, 2>{(*r.face)[0] - it->calibration->faceX,
                                                         (*r.face)[1] - it->calibration->faceY};
                    break;
                }
            }
            if (const auto a = source_.anchor()) {
                offset_ = {(*r.face)[0] - (*a)[0], (*r.face)[1] - (*a)[1]};
            }
        }
        if (const auto a = source_.anchor()) {
            r.truth = std::array<double, 2>{(*a)[0] + offset_[0], (*a)[1] + offset_[1]};
        }
    }

private:
    const Source& source_;
    std::array<double, 2> offset_{0.0, 0.0};
    bool pending_ = false;
};

}  // namespace

std::string defaultModelFile() { return QUIL_LANDMARK_MODEL; }
std::string defaultFullModelFile() { return QUIL_FULL_LANDMARK_MODEL; }

std::string choosePreciseEngine(TrackerState& s, const std::string& modelFile,
                                const std::string& fullModelFile) {
    const std::string model = modelFile.empty() ? defaultModelFile() : modelFile;
    const std::string full = fullModelFile == "none" ? std::string()
                             : fullModelFile.empty() ? defaultFullModelFile()
                                                     : fullModelFile;
    s.shared.engineChoice = PreciseEngine;
    const LoadedModels loaded = loadEngines(s, model, full);
    if (!loaded.precise) return "cannot read the landmark model \"" + model + "\"";
    // The system's model may be missing; one the user named may not.
    if (!loaded.outlines && !fullModelFile.empty() && fullModelFile != "none") {
        return "cannot read the 68-point landmark model \"" + full + "\"";
    }
    return {};
}

ReplayResult runReplay(const ReplayOptions& o, const ReplayOutputs& out) {
    ReplayResult result;
    result.screenWidth = o.screenWidth;
    result.screenHeight = o.screenHeight;
    const auto fail = [&result] {
        result.exitCode = 2;
        return std::move(result);
    };
    std::unique_ptr<Source> source = openSource(o, result);
    if (!source) return fail();
    const std::optional<std::string> options = optionsText(o, result);
    if (!options) return fail();

    auto state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    SimDesktop desktop(s, o.screenWidth, o.screenHeight, o.keyboard);
    startTracker(s, desktop, o.screenWidth, o.screenHeight, {kMainWindow, kCaptureWindow},
                 *options);
    if (o.precise) {
        result.error = choosePreciseEngine(s, o.modelFile, o.fullModelFile);
        if (!result.error.empty()) return fail();
    }
    for (size_t g = 0; g < result.clickGestures.size(); ++g) {
        result.clickGestures[g] = s.shared.clickGestures[g];
        result.dragGestures[g] = s.shared.dragGestures[g];
    }

    std::ofstream annotateFile;
    std::unique_ptr<Y4mWriter> annotate;
    if (!out.annotatePath.empty()) {
        annotateFile.open(out.annotatePath, std::ios::binary);
        if (!annotateFile) {
            result.error = "cannot write \"" + out.annotatePath + "\"";
            return fail();
        }
        annotate = std::make_unique<Y4mWriter>(annotateFile);
    }

    TimelinePrinter timeline(out.timeline, result);
    TruthAnchor truth(*source);
    std::vector<uint8_t> frame(kBgrBytes);
    UserView view;
    const auto wallStart = std::chrono::steady_clock::now();
    size_t marksSeen = 0;
    if (o.cameraRate) s.frame.periodMs = engineFramePeriodMs(s);
    const int64_t periodMs = s.frame.periodMs;
    // Frames between ticks only carry the pointer; the tick's record starts
    // with the first frame after the last tick.
    bool tickStarts = true;
    int64_t tick = 0;
    double betweenMs = 0;  // the tracker's time on the frames between ticks
    std::vector<ScreenPoint> between;
    for (int64_t k = 0; o.maxTicks < 0 || tick < o.maxTicks; ++k) {
        lookAtDesktop(view, desktop, s);
        if (!source->frame(k, periodMs, view, frame)) break;
        if (tickStarts) {
            pressKeysOfTick(s, *source, k, marksSeen);  // a scene's marks count frames
            desktop.beginTick(tick);
            tickStarts = false;
        }
        if (o.realtime) {
            std::this_thread::sleep_until(wallStart + std::chrono::milliseconds(k * periodMs));
        }
        const auto t0 = std::chrono::steady_clock::now();
        const FrameReport report = frameCallback(s, desktop, frame);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        if (report.betweenTicks) {
            betweenMs += ms;
            between.push_back(desktop.pointer());
            continue;
        }
        tickStarts = true;
        TickRecord r;
        r.tick = tick;
        r.doing = source->doing();
        r.ms = ms;
        r.betweenMs = std::exchange(betweenMs, 0.0);
        r.between = std::exchange(between, {});
        r.pointer = desktop.pointer();
        r.button = desktop.buttonDown();
        r.wheelVertical = desktop.tickWheelVertical();
        r.wheelHorizontal = desktop.tickWheelHorizontal();
        r.mode = desktop.headMode();
        r.ring = desktop.ringFill();
        recordReport(r, report);
        if (r.calibration) ++view.calibrations;
        recordDesktopEvents(r, desktop, s, result);
        truth.tick(r, result.ticks);
        if (annotate) {
            drawInset(frame, r, desktop, s, o.screenWidth, o.screenHeight);
            annotate->writeFrame(frame);
        }
        result.ticks.push_back(std::move(r));
        timeline.tick(result.ticks.back(), s);
        if (out.timeline && tick > 0 && tick % kProgressEvery == 0) {
            *out.timeline << "  .. " << tick * kTickMs / 1000 << " s of video played\n";
        }
        ++tick;
    }
    if (!source->error.empty()) {
        result.exitCode = 2;
        result.error = source->error;
    }
    if (const auto* marks = source->marks()) {
        result.marks = *marks;
        // A scene's marks count its frames; the records count ticks.
        for (SceneMark& m : result.marks) m.tick = m.tick * periodMs / kTickMs;
    }
    result.summary = summarise(result);
    return result;
}

}  // namespace quil::sim
