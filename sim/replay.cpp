#include "sim/replay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

#include "imaging/circle_mask.h"
#include "imaging/grids.h"
#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "sim/replay_internal.h"
#include "sim/sim_desktop.h"
#include "sim/y4m.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"
#include "tracker/views.h"

namespace quil::sim {

const char* const kStateNames[8] = {"MotionSearch", "HeadBox", "Calibration",    "Tracking",
                                    "Lost",         "Restart", "KeyboardToggle", "HandPause"};

namespace {

constexpr double kLossCost = 45.4545;    // the tracker's own loss threshold
constexpr int64_t kProgressEvery = 800;  // ticks between progress lines (one minute)

class Source {
public:
    virtual ~Source() = default;
    // Fills bgr with the frame of this tick; false when there is none.
    virtual bool frame(int64_t tick, const UserView& view, std::vector<uint8_t>& bgr) = 0;
    virtual std::optional<std::array<double, 2>> anchor() const { return std::nullopt; }
    virtual const std::vector<SceneMark>* marks() const { return nullptr; }
    std::string error;
};

class SceneSource : public Source {
public:
    explicit SceneSource(std::unique_ptr<Scene> scene) : scene_(std::move(scene)) {}
    bool frame(int64_t tick, const UserView& view, std::vector<uint8_t>& bgr) override {
        if (!scene_->advance(tick, view)) return false;
        scene_->render(bgr);
        return true;
    }
    std::optional<std::array<double, 2>> anchor() const override {
        return std::array<double, 2>{scene_->pose().headX, scene_->pose().headY};
    }
    const std::vector<SceneMark>* marks() const override { return &scene_->marks(); }

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
    bool frame(int64_t tick, const UserView&, std::vector<uint8_t>& bgr) override {
        const auto& info = reader_.info();
        const int64_t wanted = frameForTick(tick, info.rateNum, info.rateDen);
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

}  // namespace

std::optional<double> matchCost(const TrackerState& s, const Grid& grid) {
    if (s.face.latticeCount <= 0 || s.face.latticeOffsets.empty() || grid.size() != kFrameCells) {
        return std::nullopt;
    }
    const auto [lo, hi] =
        std::minmax_element(s.face.latticeOffsets.begin(), s.face.latticeOffsets.end());
    int64_t best = -1;
    for (const int32_t base : s.face.searchWindow.indices) {
        if (base + *lo < 0 || base + *hi >= kFrameCells) continue;
        int64_t sum = 0;
        for (int j = 0; j < s.face.latticeCount; ++j) {
            sum += std::abs(
                grid[static_cast<size_t>(base + s.face.latticeOffsets[static_cast<size_t>(j)])] -
                s.face.latticeReference[static_cast<size_t>(j)]);
        }
        if (best < 0 || sum < best) best = sum;
    }
    if (best < 0) return std::nullopt;
    return static_cast<double>(best) / s.face.latticeCount;
}

ReplayResult runReplay(const ReplayOptions& o, const ReplayOutputs& out) {
    ReplayResult result;
    result.screenWidth = o.screenWidth;
    result.screenHeight = o.screenHeight;
    std::unique_ptr<Source> source;
    std::string title;
    if (!o.input.empty()) {
        auto file = std::make_unique<FileSource>(o.input);
        if (!file->open(o.input)) {
            result.exitCode = 2;
            result.error = file->error;
            return result;
        }
        source = std::move(file);
        title = o.input;
    } else {
        auto scene = makeScene(o.scene, o.seed, o.driftPercent, o.noiseSigma);
        if (!scene) {
            result.exitCode = 2;
            result.error = "unknown scene \"" + o.scene + "\"";
            return result;
        }
        source = std::make_unique<SceneSource>(std::move(scene));
    }
    std::string optionText = kDefaultOptionsText;
    if (!o.optionsFile.empty()) {
        std::ifstream in(o.optionsFile);
        if (!in) {
            result.exitCode = 2;
            result.error = "cannot read the options file \"" + o.optionsFile + "\"";
            return result;
        }
        std::ostringstream text;
        text << in.rdbuf();
        optionText = text.str();
    }

    auto state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    SimDesktop desktop(s, o.screenWidth, o.screenHeight, o.keyboard);
    startTracker(s, desktop, o.screenWidth, o.screenHeight, {kMainWindow, kCaptureWindow},
                 optionText);

    std::ofstream annotateFile;
    std::unique_ptr<Y4mWriter> annotate;
    if (!out.annotatePath.empty()) {
        annotateFile.open(out.annotatePath, std::ios::binary);
        if (!annotateFile) {
            result.exitCode = 2;
            result.error = "cannot write \"" + out.annotatePath + "\"";
            return result;
        }
        annotate = std::make_unique<Y4mWriter>(annotateFile);
    }

    TimelinePrinter timeline(out.timeline, result);
    std::vector<uint8_t> frame(kBgrBytes);
    std::array<double, 2> truthOffset{0.0, 0.0};
    bool anchorPending = false;
    UserView view;
    const auto wallStart = std::chrono::steady_clock::now();
    for (int64_t tick = 0; o.maxTicks < 0 || tick < o.maxTicks; ++tick) {
        view.eyesWindowOpen = desktop.eyesWindowOpen();
        view.keyboardVisible = desktop.keyboardVisible();
        view.largeView = s.view.largeView;
        view.pointerVsKeyboard = 2;
        view.pointerVsKeyboardX = 2;
        if (desktop.keyboardVisible()) {
            const ScreenPoint p = desktop.pointer();
            view.pointerVsKeyboard = p.y <= s.keyboard.top ? -1 : p.y >= s.keyboard.bottom ? 1 : 0;
            view.pointerVsKeyboardX = p.x <= s.keyboard.left ? -1 : p.x >= s.keyboard.right ? 1 : 0;
        }
        if (!source->frame(tick, view, frame)) break;
        if (o.realtime) {
            std::this_thread::sleep_until(wallStart + std::chrono::milliseconds(tick * kTickMs));
        }
        desktop.beginTick(tick);
        TickRecord r;
        r.tick = tick;
        r.processed = !s.frame.pauseActive;
        // The first processed frame after start or a reset only initialises.
        r.stepped = r.processed && !s.frame.previousGrid.empty();
        const int before = s.state;
        const auto t0 = std::chrono::steady_clock::now();
        frameCallback(s, desktop, frame);
        const auto t1 = std::chrono::steady_clock::now();
        r.ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
        const int after = s.state;
        r.state = before;
        r.pointer = desktop.pointer();
        r.button = desktop.buttonDown();

        if (r.stepped && before == Tracking) {
            r.cost = matchCost(s, s.frame.previousGrid);
            if (r.cost && *r.cost < kLossCost)
                r.face = std::array<double, 2>{s.track.lastFoundX, s.track.lastFoundY};
        }
        if (r.processed && before == HeadBox && after == Calibration) {
            r.events.emplace_back("head_box");
            r.headBox = std::array<int, 4>{s.detection.headLeft, s.detection.headTop,
                                           s.detection.headRight, s.detection.headBottom};
        }
        if (r.processed && before == Calibration && after == Tracking) {
            r.events.emplace_back("calibrated");
            CalibrationInfo c;
            c.eyeAX = s.face.eyeAX, c.eyeAY = s.face.eyeAY, c.eyeBX = s.face.eyeBX,
            c.eyeBY = s.face.eyeBY;
            c.refX = s.face.refX, c.refY = s.face.refY, c.latticeCount = s.face.latticeCount;
            c.headRangeMinX = s.shared.headRangeMinX, c.headRangeMaxX = s.shared.headRangeMaxX;
            c.headRangeMinY = s.shared.headRangeMinY, c.headRangeMaxY = s.shared.headRangeMaxY;
            c.mapWidth = s.shared.mapWidth, c.mapHeight = s.shared.mapHeight;
            c.speedDivisor = s.shared.speedDivisor;
            // The template's first point lies 15 columns left of the left eye and
            // 5 rows above the eye row; the face is its middle column's top point.
            const int xA = s.detection.headLeft + s.face.eyeAX;
            const int y0 = 480 - s.detection.headTop + s.face.eyeAY - 1;
            c.faceX = xA - 15 + static_cast<double>(s.face.latticeCentre / 4800 * 10);
            c.faceY = y0 - 5;
            if (const auto a = source->anchor()) {
                truthOffset = {c.faceX - (*a)[0], c.faceY - (*a)[1]};
            }
            anchorPending = true;
            r.calibration = c;
            ++view.calibrations;
        }
        if (r.processed && before == Calibration && after == MotionSearch) {
            r.events.emplace_back("calibration_timeout");
        }
        if (r.processed && before == Tracking && after == Lost) {
            r.events.emplace_back("lost");
            if (!r.cost || *r.cost >= kLossCost) {
                std::ostringstream why;
                why << "face lost, match cost " << (r.cost ? *r.cost : 0.0);
                r.lostReason = why.str();
            } else if (s.pointer.idleFrames >= 200) {
                r.lostReason = "pointer idle for 200 frames";
            } else {
                r.lostReason = "head shake";
            }
        }
        if (r.processed && before == Tracking && after == HandPause)
            r.events.emplace_back("hand_pause");
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
        // The face estimate is a centroid around the best match and sits a few
        // pixels from the template's point; the truth follows the head from
        // where the first tracked frame put the face.
        if (anchorPending && r.face) {
            anchorPending = false;
            for (auto it = result.ticks.rbegin(); it != result.ticks.rend(); ++it) {
                if (it->calibration) {
                    r.faceOffset = std::array<double, 2>{(*r.face)[0] - it->calibration->faceX,
                                                         (*r.face)[1] - it->calibration->faceY};
                    break;
                }
            }
            if (const auto a = source->anchor()) {
                truthOffset = {(*r.face)[0] - (*a)[0], (*r.face)[1] - (*a)[1]};
            }
        }
        if (const auto a = source->anchor()) {
            r.truth = std::array<double, 2>{(*a)[0] + truthOffset[0], (*a)[1] + truthOffset[1]};
        }
        if (annotate) {
            drawInset(frame, r, desktop, s, o.screenWidth, o.screenHeight);
            annotate->writeFrame(frame);
        }
        result.ticks.push_back(std::move(r));
        timeline.tick(result.ticks.back(), s);
        if (out.timeline && tick > 0 && tick % kProgressEvery == 0) {
            *out.timeline << "  .. " << tick * kTickMs / 1000 << " s of video played\n";
        }
    }
    if (!source->error.empty()) {
        result.exitCode = 2;
        result.error = source->error;
    }
    if (const auto* marks = source->marks()) result.marks = *marks;
    result.summary = summarise(result);
    return result;
}

}  // namespace quil::sim
