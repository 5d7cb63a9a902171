#include "sim/pointing_run.h"

#include <algorithm>
#include <cmath>

#include "sim/scene_phases.h"
#include "sim/sim_rig.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

// Sitting down and calibrating takes well under a minute in every scene.
constexpr double kCalibrationLimitSeconds = 60.0;
// Far longer than any one selection takes a person who can still point.
constexpr double kSecondsPerSelectionLimit = 60.0;
// The test stops when the tracker has not followed the head for this long.
constexpr double kUntrackedLimitSeconds = 15.0;
// The steered phase lasts until the test ends.
constexpr double kFollowSeconds = 1.0e6;

// Which gesture clicks: the options' first click gesture in the order a
// person would reach for it, the mouth, then the eyes, then dwell.
std::optional<SelectBy> clickGesture(const OptionsSnapshot& o) {
    if (o.click[1]) return SelectBy::Mouth;
    if (o.click[0]) return SelectBy::Eyes;
    if (o.click[2]) return SelectBy::Dwell;
    return std::nullopt;
}

// The lit target as the person sees it; a fresh id for every lighting.
ScreenView screenView(const SimDesktop& desktop, const pointing::PointingSession& session,
                      bool testing) {
    ScreenView v;
    v.pointerX = desktop.pointer().x;
    v.pointerY = desktop.pointer().y;
    v.targetLit = testing && !session.finished();
    if (!v.targetLit) return v;
    const pointing::Point c = session.targetCentre(session.litTarget());
    v.targetId = session.round() * pointing::kSelectionsPerRound + session.selectionInRound();
    v.targetX = c.x;
    v.targetY = c.y;
    v.targetWidth = session.condition().width;
    return v;
}

bool pressed(const SimDesktop& desktop) {
    const auto& events = desktop.tickEvents();
    return std::find(events.begin(), events.end(), "down") != events.end();
}

LookTweaks stillLook() {
    LookTweaks look;
    // The model user sways of their own accord; the scene's wander would add
    // a second, scripted one.
    look.wander = 0.0;
    return look;
}

}  // namespace

PointingOutcome runPointing(const PointingOptions& o) {
    PointingOutcome out;
    SimRig rig(
        {o.screenWidth, o.screenHeight, o.optionsContent, o.precise, o.modelFile, o.cameraRate});
    if (!rig.error().empty()) {
        out.exitCode = 2;
        out.error = rig.error();
        return out;
    }
    const double frameSeconds = rig.frameSeconds();
    const std::optional<SelectBy> select = clickGesture(rig.options());
    if (!select) {
        out.exitCode = 2;
        out.error = "the options give no gesture a click";
        return out;
    }
    out.selectBy = *select;
    out.conditions = o.conditions.empty()
                         ? pointing::standardConditions(o.screenWidth, o.screenHeight)
                         : o.conditions;
    pointing::PointingSession session(o.screenWidth, o.screenHeight, out.conditions, o.rounds);
    ModelUser user(o.motor, *select, o.seed * 7919 + 17);
    Scene scene(
        "pointing_test",
        phases::with(phases::calibrated(), {phases::hold(1.0), {Act::Follow, kFollowSeconds}}),
        o.seed, o.driftPercent, o.noiseSigma, stillLook());

    const double limit = kCalibrationLimitSeconds + kSecondsPerSelectionLimit *
                                                        session.totalRounds() *
                                                        pointing::kSelectionsPerRound;
    std::array<double, 2> face{};  // the tracker's, for the trace
    bool following = false;
    double testStart = -1.0, lastTracked = 0.0;
    int64_t tick = 0;
    for (;; ++tick) {
        const double t = static_cast<double>(tick) * frameSeconds;
        if (t > limit) {
            out.stopReason = "ran out of time";
            break;
        }
        if (following) {
            if (testStart < 0 && user.familiar()) testStart = t;
            const ScreenView seen = screenView(rig.desktop(), session, testStart >= 0);
            const HeadSteer head = user.tick(t, seen);
            scene.steer(head);
            if (o.trace) {
                *o.trace << t << " " << user.stageName() << " head " << head.x << " " << head.y
                         << " mouth " << head.mouthOpen << " pointer " << seen.pointerX << " "
                         << seen.pointerY << " target " << seen.targetId << " " << seen.targetX
                         << " " << seen.targetY << " face " << face[0] << " " << face[1] << "\n";
            }
        }
        const std::optional<FrameReport> report = rig.step(scene, tick);
        if (!report) break;
        if (!scene.marks().empty() && scene.marks().back().what == "follow") following = true;
        if (report->calibration) out.calibrated = true;
        if (report->faceX && report->faceY) face = {*report->faceX, *report->faceY};
        if (report->loss != LossReason::None) ++out.losses;
        if (o.trace && (report->calibration || report->loss != LossReason::None ||
                        report->action != GestureAction::None)) {
            *o.trace << t << " tracker: state " << report->stateAfter << " action "
                     << static_cast<int>(report->action) << " loss "
                     << static_cast<int>(report->loss) << "\n";
        }
        if (report->stateAfter == Tracking) lastTracked = t;
        if (!out.calibrated && t > kCalibrationLimitSeconds) {
            out.stopReason = "not calibrated";
            break;
        }
        if (following && t - lastTracked > kUntrackedLimitSeconds) {
            out.stopReason = "the tracker lost the face";
            break;
        }
        if (testStart >= 0 && pressed(rig.desktop())) {
            const ScreenPoint p = rig.desktop().pointer();
            session.select({static_cast<double>(p.x), static_cast<double>(p.y)}, t - testStart);
            const bool enough =
                o.maxTrials > 0 && static_cast<int>(session.trials().size()) >= o.maxTrials;
            if (session.finished() || enough) {
                out.finished = true;
                out.testSeconds = t - testStart;
                break;
            }
        }
    }
    out.seconds = static_cast<double>(tick) * frameSeconds;
    out.trials = session.trials();
    out.result = session.result();
    out.corrections = user.corrections();
    out.gestures = user.gestures();
    out.learnedGain = user.gain();
    return out;
}

double rmsAboutMean(const std::vector<std::array<double, 2>>& points) {
    if (points.empty()) return 0.0;
    double mx = 0, my = 0;
    for (const auto& p : points) mx += p[0], my += p[1];
    const auto n = static_cast<double>(points.size());
    mx /= n;
    my /= n;
    double sum = 0;
    for (const auto& p : points) sum += (p[0] - mx) * (p[0] - mx) + (p[1] - my) * (p[1] - my);
    return std::sqrt(sum / n);
}

}  // namespace quil::sim
