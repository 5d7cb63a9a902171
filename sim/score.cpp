#include "sim/score.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "sim/scene.h"

namespace quil::sim {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The flag that marks a deliberate gesture, and the flag of the stretches in
// which an action of that gesture is expected: for dwell any still head, not
// only a dwell on a target.
constexpr std::array<uint16_t, kGestureCount> kDeliberateFlag = {kEyesHeld, kMouthHeld, kDwellHeld};
constexpr std::array<uint16_t, kGestureCount> kExplainFlag = {kEyesHeld, kMouthHeld, kHeadStill};

struct Run {
    int64_t first = 0, last = 0;  // tick indices, inclusive
};

// Maximal runs of ticks that carry the flag.
std::vector<Run> runsOf(std::span<const ScoreTick> ticks, uint16_t flag) {
    std::vector<Run> runs;
    for (size_t i = 0; i < ticks.size(); ++i) {
        if (!(ticks[i].doing & flag)) continue;
        const auto at = static_cast<int64_t>(i);
        if (!runs.empty() && runs.back().last == at - 1) {
            runs.back().last = at;
        } else {
            runs.push_back({at, at});
        }
    }
    return runs;
}

// Pearson's correlation of two series; NaN when either does not vary.
double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const auto n = static_cast<double>(a.size());
    if (a.size() < 2) return kNaN;
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) ma += a[i], mb += b[i];
    ma /= n;
    mb /= n;
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    if (saa <= 0 || sbb <= 0) return kNaN;
    return sab / std::sqrt(saa * sbb);
}

// The engines name the face by different points, and each calibration may
// pick another: each calibrated stretch's mean offset from the reference is
// taken out before the error is measured.
TrackingScore scoreTracking(std::span<const ScoreTick> ticks) {
    TrackingScore t;
    std::vector<std::vector<size_t>> stretches;
    bool open = false;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const ScoreTick& k = ticks[i];
        if (k.doing & kInView) {
            ++t.visibleTicks;
            if (k.face) ++t.trackedTicks;
        }
        if (k.calibrated) {
            stretches.emplace_back();
            open = true;
        }
        if (open && k.face && k.truth) stretches.back().push_back(i);
        if (k.lost) open = false;
    }
    t.trackedShare =
        t.visibleTicks > 0 ? static_cast<double>(t.trackedTicks) / t.visibleTicks : kNaN;
    std::vector<double> faceX, faceY, truthX, truthY;
    double sumX = 0, sumY = 0;
    for (const auto& stretch : stretches) {
        if (stretch.empty()) continue;
        double ox = 0, oy = 0;
        for (const size_t i : stretch) {
            ox += (*ticks[i].face)[0] - (*ticks[i].truth)[0];
            oy += (*ticks[i].face)[1] - (*ticks[i].truth)[1];
        }
        ox /= static_cast<double>(stretch.size());
        oy /= static_cast<double>(stretch.size());
        for (const size_t i : stretch) {
            const auto& f = *ticks[i].face;
            const auto& r = *ticks[i].truth;
            const double dx = f[0] - ox - r[0], dy = f[1] - oy - r[1];
            sumX += dx * dx;
            sumY += dy * dy;
            faceX.push_back(f[0] - ox);
            faceY.push_back(f[1] - oy);
            truthX.push_back(r[0]);
            truthY.push_back(r[1]);
        }
    }
    t.samples = static_cast<int64_t>(faceX.size());
    if (t.samples == 0) {
        t.rmsX = t.rmsY = t.rms = kNaN;
    } else {
        const auto n = static_cast<double>(t.samples);
        t.rmsX = std::sqrt(sumX / n);
        t.rmsY = std::sqrt(sumY / n);
        t.rms = std::sqrt((sumX + sumY) / n);
    }
    t.corrX = correlation(faceX, truthX);
    t.corrY = correlation(faceY, truthY);
    return t;
}

// Timed from the first frame the tracker took in with the face in view (its
// warm-up is no engine's doing), and from the eyes window opening of the
// attempt that succeeded.
CalibrationScore scoreCalibration(std::span<const ScoreTick> ticks, double tickSeconds) {
    CalibrationScore c;
    int64_t visible = -1, opened = -1;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const auto at = static_cast<int64_t>(i);
        const ScoreTick& k = ticks[i];
        if (visible < 0 && k.processed && (k.doing & kInView)) visible = at;
        if (k.eyesWindowOpened && visible >= 0) opened = at;
        if (k.calibrated) {
            if (visible >= 0 && !c.seconds) {
                c.seconds = static_cast<double>(at - visible) * tickSeconds;
                if (opened >= 0) c.fromEyesWindow = static_cast<double>(at - opened) * tickSeconds;
            }
            ++c.calibrations;
        }
        if (k.lost) ++c.losses;
    }
    return c;
}

GestureScore scoreGesture(std::span<const ScoreTick> ticks, int g, int64_t firstSight,
                          int64_t graceTicks) {
    GestureScore s;
    std::vector<int64_t> actions;
    for (size_t i = 0; i < ticks.size(); ++i) {
        if (ticks[i].gesture == g) actions.push_back(static_cast<int64_t>(i));
    }
    const auto gi = static_cast<size_t>(g);
    const auto within = [graceTicks](int64_t at, const Run& r) {
        return at >= r.first && at <= r.last + graceTicks;
    };
    // The deliberate gestures made once the tracker had seen the face (one it
    // never calibrated on misses them all); each in turn takes the earliest
    // action left in its window, which matches as many gestures as can be
    // where windows overlap.
    std::vector<Run> deliberate;
    for (const Run& run : runsOf(ticks, kDeliberateFlag[gi])) {
        if (firstSight >= 0 && run.first >= firstSight) deliberate.push_back(run);
    }
    s.deliberate = static_cast<int64_t>(deliberate.size());
    std::vector<bool> recalled(actions.size(), false);
    for (const Run& run : deliberate) {
        for (size_t a = 0; a < actions.size(); ++a) {
            if (!recalled[a] && within(actions[a], run)) {
                recalled[a] = true;
                ++s.recalled;
                break;
            }
        }
    }
    // The other actions: more of a gesture already recalled, or expected at
    // that moment (a still head for dwell), or wrong; any of them counts in
    // the stretch it fell in unless a deliberate gesture asked for it.
    const std::vector<Run> explaining = runsOf(ticks, kExplainFlag[gi]);
    for (size_t a = 0; a < actions.size(); ++a) {
        if (recalled[a]) continue;
        const int64_t at = actions[a];
        const auto inAny = [&](const std::vector<Run>& runs) {
            return std::any_of(runs.begin(), runs.end(),
                               [&](const Run& r) { return within(at, r); });
        };
        if (inAny(deliberate)) {
            ++s.repeats;
            continue;
        }
        if (!inAny(explaining)) ++s.wrong;
        const uint16_t doing = ticks[static_cast<size_t>(at)].doing;
        if (doing & kTalking) ++s.talking.actions;
        if (doing & kBlinking) ++s.blinking.actions;
        if (doing & kMoving) ++s.moving.actions;
    }
    return s;
}

}  // namespace

double ContextRate::perMinute() const {
    return minutes > 0 ? static_cast<double>(actions) / minutes : kNaN;
}

Score scoreTicks(std::span<const ScoreTick> ticks, const ScoreSetup& setup) {
    Score score;
    score.seconds = static_cast<double>(ticks.size()) * setup.tickSeconds;
    score.tracking = scoreTracking(ticks);
    score.calibration = scoreCalibration(ticks, setup.tickSeconds);
    int64_t firstSight = -1;
    double talking = 0, blinking = 0, moving = 0;  // tracked minutes
    const double tickMinutes = setup.tickSeconds / 60.0;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const ScoreTick& k = ticks[i];
        if (firstSight < 0 && k.processed && (k.doing & kInView)) {
            firstSight = static_cast<int64_t>(i);
        }
        if (k.gesture == kUnattributed) ++score.unattributed;
        if (!k.face) continue;
        if (k.doing & kTalking) talking += tickMinutes;
        if (k.doing & kBlinking) blinking += tickMinutes;
        if (k.doing & kMoving) moving += tickMinutes;
    }
    const auto grace = static_cast<int64_t>(std::lround(setup.recallSeconds / setup.tickSeconds));
    for (int g = 0; g < kGestureCount; ++g) {
        GestureScore& s = score.gestures[static_cast<size_t>(g)];
        s = scoreGesture(ticks, g, firstSight, grace);
        s.examined = setup.examined[static_cast<size_t>(g)];
        s.talking.minutes = talking;
        s.blinking.minutes = blinking;
        s.moving.minutes = moving;
    }
    return score;
}

int gestureOfAction(bool click, const std::array<int, kGestureCount>& clickGestures,
                    const std::array<int, kGestureCount>& dragGestures) {
    int found = kUnattributed;
    int count = 0;
    for (int g = 0; g < kGestureCount; ++g) {
        const auto k = static_cast<size_t>(g);
        // A gesture in both sets clicks.
        const bool makes =
            click ? clickGestures[k] == 1 : dragGestures[k] == 1 && clickGestures[k] != 1;
        if (makes) {
            found = g;
            ++count;
        }
    }
    return count == 1 ? found : kUnattributed;
}

const char* gestureName(int gesture) {
    switch (gesture) {
        case 0:
            return "eyes";
        case 1:
            return "mouth";
        case 2:
            return "dwell";
        default:
            return "?";
    }
}

}  // namespace quil::sim
