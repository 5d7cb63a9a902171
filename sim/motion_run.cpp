// The pointer's answer to the head: latency from a scripted head turn to the
// pointer's first move, and its wander while the head is held still, on the
// synthetic person and on a real clip.
#include <algorithm>
#include <cmath>
#include <optional>

#include "sim/clip_labels.h"
#include "sim/pointing_run.h"
#include "sim/replay.h"
#include "sim/scene_phases.h"
#include "sim/sim_rig.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

// The still stretch: held this long, measured from the pointer's first rest
// (it closes in on where the head points ever more slowly), or from this
// long into it if it never rests.
// Shorter than the 15 s after which tracking gives up on a pointer that
// does not move.
constexpr double kStillSeconds = 12.0;
constexpr double kStillSettleSeconds = 6.0;
// A pointer has answered a turn once it has gone this far its way.
constexpr double kAnswerPixels = 3.0;
// The pointer rests when it has not moved for this long (5 ticks).
constexpr double kRestSeconds = 0.375;
// Brisk head turns of a few degrees, each held long enough for the pointer
// to come to rest before the next.
constexpr double kTurnPixels = 8.0;
constexpr double kTurnSeconds = 0.4;
constexpr double kTurnHoldSeconds = 8.0;
constexpr int kTurnPairs = 4;

std::vector<Phase> motionScript() {
    using phases::hold;
    using phases::moveTo;
    std::vector<Phase> script = phases::with(phases::calibrated(), {hold(kStillSeconds)});
    for (int k = 0; k < kTurnPairs; ++k) {
        // Right and back, then down and back: both axes, both ways.
        const bool across = k % 2 == 0;
        const double x = across ? kTurnPixels : 0.0, y = across ? 0.0 : kTurnPixels * 0.75;
        script.push_back(moveTo(x, y, kTurnSeconds));
        script.push_back(hold(kTurnHoldSeconds));
        script.push_back(moveTo(0, 0, kTurnSeconds));
        script.push_back(hold(kTurnHoldSeconds));
    }
    return script;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double span(const std::vector<std::array<double, 2>>& points) {
    double widest = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        for (size_t j = i + 1; j < points.size(); ++j) {
            widest = std::max(widest,
                              std::hypot(points[i][0] - points[j][0], points[i][1] - points[j][1]));
        }
    }
    return widest;
}

}  // namespace

MotionFigures measureMotion(const PointingOptions& o) {
    MotionFigures out;
    SimRig rig(
        {o.screenWidth, o.screenHeight, o.optionsContent, o.precise, o.modelFile, o.cameraRate});
    if (!rig.error().empty()) {
        out.exitCode = 2;
        out.error = rig.error();
        return out;
    }
    const double frameMs = rig.frameSeconds() * 1000.0;
    out.frameMs = frameMs;
    const auto restFrames = static_cast<int64_t>(std::lround(kRestSeconds * 1000.0 / frameMs));
    LookTweaks look;
    look.wander = 0.0;  // the head is held still: only the camera's noise remains
    Scene scene("pointer_motion", motionScript(), o.seed, o.driftPercent, o.noiseSigma, look);
    std::vector<ScreenPoint> pointer;
    for (int64_t tick = 0;; ++tick) {
        const std::optional<FrameReport> report = rig.step(scene, tick);
        if (!report) break;
        if (report->calibration) out.calibrated = true;
        if (report->loss != LossReason::None) ++out.losses;
        pointer.push_back(rig.desktop().pointer());
    }
    const auto& marks = scene.marks();
    const auto at = [&](int64_t tick) {
        const ScreenPoint p = pointer[static_cast<size_t>(
            std::min<int64_t>(tick, static_cast<int64_t>(pointer.size()) - 1))];
        return std::array<double, 2>{static_cast<double>(p.x), static_cast<double>(p.y)};
    };
    // The pointer has not moved over the frames up to this one.
    const auto restingAt = [&](int64_t tick) {
        if (tick < restFrames) return false;
        for (int64_t k = tick - restFrames; k < tick; ++k) {
            if (at(k) != at(tick)) return false;
        }
        return true;
    };
    std::vector<std::array<double, 2>> still;
    bool stillTaken = false;
    for (size_t i = 0; i + 1 < marks.size() && !pointer.empty(); ++i) {
        const SceneMark& m = marks[i];
        const int64_t next = marks[i + 1].tick;
        // The first hold as long as the still stretch is it (the turns' are shorter).
        if (m.what == "hold" && !stillTaken &&
            static_cast<double>(next - m.tick) * frameMs / 1000.0 >= kStillSeconds - 0.1) {
            stillTaken = true;
            int64_t from = m.tick + static_cast<int64_t>(kStillSettleSeconds * 1000.0 / frameMs);
            for (int64_t k = m.tick + restFrames; k < from; ++k) {
                if (restingAt(k)) from = k;
            }
            for (int64_t k = from; k < next; ++k) still.push_back(at(k));
        }
        if (m.what != "move" || m.tick == 0 || i + 2 >= marks.size()) continue;
        if (!restingAt(m.tick - 1)) ++out.notAtRest;
        // The pointer answers when it has gone kAnswerPixels the way the turn
        // takes it (where it is at the end of the hold that follows): a
        // pointer that wanders while still does not answer by wandering.
        const std::array<double, 2> before = at(m.tick - 1);
        const std::array<double, 2> after = at(marks[i + 2].tick - 1);
        const double length = std::hypot(after[0] - before[0], after[1] - before[1]);
        bool answered = false;
        for (int64_t k = m.tick; k < marks[i + 2].tick && length >= kAnswerPixels; ++k) {
            const std::array<double, 2> p = at(k);
            const double along = ((p[0] - before[0]) * (after[0] - before[0]) +
                                  (p[1] - before[1]) * (after[1] - before[1])) /
                                 length;
            if (along >= kAnswerPixels) {
                out.latenciesMs.push_back(static_cast<double>(k - m.tick) * frameMs);
                answered = true;
                break;
            }
        }
        if (!answered) ++out.unanswered;
    }
    if (!out.latenciesMs.empty()) out.medianLatencyMs = median(out.latenciesMs);
    out.jitterRms = rmsAboutMean(still);
    out.stillSpan = span(still);
    out.stillTicks = static_cast<int>(still.size());
    return out;
}

// A stretch is still when the labels say the head is not moved and no
// gesture is held; talking with a still head is kept apart.
ClipJitter clipJitter(const std::string& clip, const std::string& labelsFile, bool precise,
                      const std::string& modelFile, bool cameraRate) {
    ClipJitter out;
    ClipLabels labels;
    if (!readClipLabels(labelsFile, labels, out.error)) {
        out.exitCode = 2;
        return out;
    }
    ReplayOptions o;
    o.input = clip;
    o.precise = precise;
    o.modelFile = modelFile;
    o.cameraRate = cameraRate;
    const ReplayResult r = runReplay(o, {});
    if (r.exitCode != 0) {
        out.exitCode = r.exitCode;
        out.error = r.error;
        return out;
    }
    constexpr uint16_t kHeld = kMouthHeld | kEyesHeld | kMoving;
    std::vector<std::array<double, 2>> points, tickPoints;
    std::vector<std::optional<std::array<double, 2>>> heads;
    double sumSquares = 0;
    // The default head range, 32 x 17 picture pixels, stretched over the
    // replay's screen.
    const double gainX = o.screenWidth / 32.0, gainY = o.screenHeight / 17.0;
    const auto close = [&] {
        if (tickPoints.size() >= 2) {
            double steps = 0;
            for (size_t i = 1; i < tickPoints.size(); ++i) {
                steps += std::pow(tickPoints[i][0] - tickPoints[i - 1][0], 2) +
                         std::pow(tickPoints[i][1] - tickPoints[i - 1][1], 2);
            }
            out.stretches.back().stepRms =
                std::sqrt(steps / static_cast<double>(tickPoints.size() - 1));
            double headSteps = 0;
            int headCount = 0;
            for (size_t i = 1; i < heads.size(); ++i) {
                if (!heads[i] || !heads[i - 1]) continue;
                headSteps += std::pow(gainX * ((*heads[i])[0] - (*heads[i - 1])[0]), 2) +
                             std::pow(gainY * ((*heads[i])[1] - (*heads[i - 1])[1]), 2);
                ++headCount;
            }
            if (headCount > 0) out.stretches.back().headStepRms = std::sqrt(headSteps / headCount);
            out.stretches.back().rms = rmsAboutMean(points);
            out.stretches.back().ticks = static_cast<int>(points.size());
            sumSquares += out.stretches.back().rms * out.stretches.back().rms *
                          static_cast<double>(points.size());
            out.ticks += static_cast<int>(points.size());
        } else if (!out.stretches.empty()) {
            out.stretches.pop_back();
        }
        points.clear();
        tickPoints.clear();
        heads.clear();
    };
    bool open = false;
    for (const TickRecord& t : r.ticks) {
        const int64_t frame = frameForTick(t.tick, labels.rateNum, labels.rateDen);
        const uint16_t doing = labels.doingAt(frame);
        const bool still = (doing & kInView) && (doing & kHeadStill) && !(doing & kHeld) &&
                           t.processed && t.state == Tracking;
        const bool talking = (doing & kTalking) != 0;
        if (open && (!still || talking != out.stretches.back().talking)) {
            close();
            open = false;
        }
        if (!still) continue;
        if (!open) {
            out.stretches.push_back({frame, frame, 0, 0.0, 0.0, 0.0, talking});
            open = true;
        }
        out.stretches.back().lastFrame = frame;
        // Every frame the tracker took, those between ticks included.
        for (const ScreenPoint& p : t.between) {
            points.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
        }
        points.push_back({static_cast<double>(t.pointer.x), static_cast<double>(t.pointer.y)});
        tickPoints.push_back(points.back());
        heads.push_back(labels.referenceAt(frame));
    }
    if (open) close();
    if (out.ticks > 0) out.pooledRms = std::sqrt(sumSquares / out.ticks);
    return out;
}

}  // namespace quil::sim
