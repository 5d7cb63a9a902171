#include "sim/score_run.h"

#include <fstream>

#include "sim/y4m.h"

namespace quil::sim {

std::vector<ScoreTick> scoreTicksOf(const ReplayResult& result, const ClipLabels* labels) {
    std::vector<ScoreTick> ticks;
    ticks.reserve(result.ticks.size());
    for (const TickRecord& r : result.ticks) {
        ScoreTick k;
        if (labels) {
            const int64_t frame = frameForTick(r.tick, labels->rateNum, labels->rateDen);
            k.doing = labels->doingAt(frame);
            if (k.doing & kInView) k.truth = labels->referenceAt(frame);
        } else {
            k.doing = r.doing;
            k.truth = r.truth;
        }
        k.face = r.face;
        k.processed = r.processed;
        k.calibrated = r.calibration.has_value();
        for (const auto& e : r.events) {
            if (e == "lost") k.lost = true;
            if (e == "eyes_window_opened") k.eyesWindowOpened = true;
        }
        switch (r.action) {
            case GestureAction::None:
                break;
            case GestureAction::Click:
            case GestureAction::KeyPress:
                k.gesture = gestureOfAction(true, result.clickGestures, result.dragGestures);
                break;
            case GestureAction::DragPress:
            case GestureAction::DragRelease:
                k.gesture = gestureOfAction(false, result.clickGestures, result.dragGestures);
                break;
        }
        ticks.push_back(k);
    }
    return ticks;
}

ScoreSetup scoreSetupOf(const ReplayResult& result) {
    ScoreSetup setup;
    setup.tickSeconds = static_cast<double>(kTickMs) / 1000.0;
    for (size_t g = 0; g < setup.examined.size(); ++g) {
        setup.examined[g] = result.clickGestures[g] == 1 || result.dragGestures[g] == 1;
    }
    return setup;
}

Score scoreReplay(const ReplayResult& result, const ClipLabels* labels) {
    const std::vector<ScoreTick> ticks = scoreTicksOf(result, labels);
    return scoreTicks(ticks, scoreSetupOf(result));
}

void takeDwellFrom(Score& score, const Score& dwellPass) {
    constexpr auto dwell = static_cast<size_t>(2);
    score.gestures[dwell] = dwellPass.gestures[dwell];
}

bool scoreAndReport(const ReplayOptions& o, const ReplayResult& played, const ClipLabels* labels,
                    const std::string& label, const std::string& jsonPath, std::ostream& out,
                    std::ostream& err) {
    Score score = scoreReplay(played, labels);
    if (o.optionsFile.empty() && o.optionsContent.empty()) {
        ReplayOptions dwell = o;
        dwell.optionsContent = kDwellOnlyOptionsText;
        dwell.realtime = false;
        out << "\nScoring dwell: the same input again, with dwell clicking alone\n";
        const ReplayResult second = runReplay(dwell, {});
        takeDwellFrom(score, scoreReplay(second, labels));
    }
    writeScoreText(score, out);
    if (jsonPath.empty()) return true;
    std::ofstream f(jsonPath);
    writeScoreJson(score, label, o.precise ? "precise" : "classic", f);
    if (!f) {
        err << "quilbrand-replay: cannot write \"" << jsonPath << "\"\n";
        return false;
    }
    out << "  wrote           " << jsonPath << "\n";
    return true;
}

}  // namespace quil::sim
