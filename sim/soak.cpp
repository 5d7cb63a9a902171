#include "sim/soak.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iomanip>

#include "options/options_file.h"
#include "pointer/clicks.h"
#include "sim/replay.h"
#include "sim/sim_desktop.h"
#include "sim/y4m.h"
#include "tracker/frame_driver.h"
#include "tracker/engines.h"
#include "tracker/startup.h"

namespace quil::sim {

namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;
constexpr double kDrift = 3.0;
// The empty room between a departure and the next arrival.
// Longer than the tracker's idle limit (200 frames), which is what gives up
// on a face that has gone: the empty room still matches its template.
constexpr int64_t kAwayTicks = 20000 / kTickMs;
// A press must be released, and a loss followed by a new head box, within
// these: far longer than any cycle takes.
constexpr int64_t kPressDeadline = kTicksPerMinute;
constexpr int64_t kLossDeadline = 3 * kTicksPerMinute;
// A gesture acts up to this long after the person made it.
constexpr int64_t kGestureLag = 20;
// Frame time histogram: bins of this many microseconds, the last one open.
constexpr int kBinMicros = 2;
constexpr int kBins = 50000;

int64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The processing time of this thread alone: on a machine shared with other
// work, wall time would measure the neighbours too.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

// A frame-time histogram, fixed in size so that the run does not grow.
class Histogram {
public:
    Histogram() : bins_(kBins, 0) {}
    void add(double ms) {
        const auto bin = static_cast<int64_t>(ms * 1000.0 / kBinMicros);
        ++bins_[static_cast<size_t>(std::clamp<int64_t>(bin, 0, kBins - 1))];
        ++count_;
    }
    double quantile(double q) const {
        if (count_ == 0) return 0;
        const auto wanted = static_cast<int64_t>(q * static_cast<double>(count_ - 1));
        int64_t seen = 0;
        for (size_t b = 0; b < bins_.size(); ++b) {
            seen += bins_[b];
            if (seen > wanted) return (static_cast<double>(b) + 0.5) * kBinMicros / 1000.0;
        }
        return static_cast<double>(kBins) * kBinMicros / 1000.0;
    }
    void clear() {
        std::fill(bins_.begin(), bins_.end(), 0);
        count_ = 0;
    }

private:
    std::vector<int64_t> bins_;
    int64_t count_ = 0;
};

std::unique_ptr<Scene> cycleScene(uint64_t seed) {
    LookTweaks still;
    // No slow wander: held poses repeat exactly, and their pictures with them.
    still.wander = 0.0;
    return std::make_unique<Scene>("soak", soakCycleScript(), seed, kDrift, kDefaultNoise, still);
}

double mb(int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

void printFigures(const SoakFigures& f, std::ostream& out) {
    out << std::fixed << std::setprecision(2);
    out << "Soak figures\n"
        << "  ticks           " << f.ticks << " (" << static_cast<double>(f.ticks) / kTicksPerHour
        << " h simulated) in " << f.wallSeconds << " s, " << f.cycles << " cycles\n"
        << "  memory          start " << mb(f.rssStart) << " MB, first minute "
        << mb(f.rssFirstMinute) << " MB, most after it " << mb(f.rssMax) << " MB, end "
        << mb(f.rssEnd) << " MB; growth after the first minute " << mb(f.rssMax - f.rssFirstMinute)
        << " MB\n"
        << "  frame time      (CPU) median first hour " << f.firstMedianMs << " ms, last hour "
        << f.lastMedianMs << " ms; p99 " << f.firstP99Ms << " / " << f.lastP99Ms << " ms\n"
        << "  calibrations    " << f.calibrations << " (time-outs " << f.calibrationTimeouts
        << "), head boxes " << f.headBoxes << "\n"
        << "  losses          " << f.losses << ", followed by a new detection "
        << f.detectionsAfterLoss << ", never followed " << f.unansweredLosses << "\n"
        << "  button          presses " << f.presses << ", releases " << f.releases << ", stuck "
        << f.stuckPresses << "\n"
        << "  clicks          " << f.clicks << " (eyes " << f.clicksBy[0] << ", mouth "
        << f.clicksBy[1] << ", dwell " << f.clicksBy[2] << "), key presses " << f.keyPresses
        << "; clicks with nobody in the picture " << f.clicksAway << "\n"
        << "  drag toggles    eyes " << f.dragsBy[0] << ", mouth " << f.dragsBy[1] << ", dwell "
        << f.dragsBy[2] << "\n"
        << "  keyboard        shown " << f.keyboardShown << ", hidden " << f.keyboardHidden << "\n"
        << "  frame cache     " << f.cacheHits << " hits, " << f.cacheMisses << " renders\n";
}

}  // namespace

int runSoak(const SoakOptions& o, std::ostream& out, SoakFigures* figuresOut) {
    SoakFigures f;
    f.ticks = o.ticks;
    auto state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    SimDesktop desktop(s, kScreenWidth, kScreenHeight, true);
    startTracker(s, desktop, kScreenWidth, kScreenHeight, {kMainWindow, kCaptureWindow},
                 kSoakOptions[0]);
    if (o.precise) {
        const std::string model = o.modelFile.empty() ? defaultModelFile() : o.modelFile;
        if (!loadPreciseEngine(s, model)) {
            out << "cannot read the landmark model \"" << model << "\"\n";
            return 2;
        }
        s.shared.engineChoice = PreciseEngine;
        s.engine = PreciseEngine;
    }
    FrameCache cache(o.cacheFrames, o.seed, kDefaultNoise);
    std::vector<uint8_t> frame(kBgrBytes);
    Histogram first, last, hour;
    // The comparison's windows: an hour each, or a quarter of a shorter run.
    const int64_t window = std::min(kTicksPerHour, std::max<int64_t>(1, o.ticks / 4));

    std::unique_ptr<Scene> scene = cycleScene(o.seed);
    int64_t cycleStart = 0, awayUntil = -1;
    UserView view;
    int64_t pressedAt = -1, lostAt = -1;
    bool buttonBefore = false;
    std::array<int64_t, 3> lastDoing{-kGestureLag - 1, -kGestureLag - 1, -kGestureLag - 1};
    f.rssStart = residentBytes();
    const auto wallStart = std::chrono::steady_clock::now();
    for (int64_t tick = 0; tick < o.ticks; ++tick) {
        lookAtDesktop(view, desktop, s);
        const bool away = tick < awayUntil;
        if (!away && awayUntil >= 0) {
            // Back in front of the camera, with the other cycle's options, set
            // as the options window sets them.
            awayUntil = -1;
            ++f.cycles;
            applyOptionsText(s, kSoakOptions[f.cycles % 2]);
            scene->restart();
            cycleStart = tick;
        }
        if (!away && !scene->advance(tick - cycleStart, view)) {
            awayUntil = tick + kAwayTicks;
        }
        cache.frame(*scene, tick < awayUntil, tick, frame);
        const uint16_t doing = tick < awayUntil ? 0 : scene->doing();
        if (doing & kEyesHeld) lastDoing[GestureEye] = tick;
        if (doing & kMouthHeld) lastDoing[GestureMouth] = tick;

        desktop.beginTick(tick);
        const double t0 = threadCpuMs();
        const FrameReport report = frameCallback(s, desktop, frame);
        const double ms = threadCpuMs() - t0;
        if (tick < window) first.add(ms);
        if (tick >= o.ticks - window) last.add(ms);
        hour.add(ms);

        // The desktop's account, followed through the button's state: a
        // click's down and up come in one tick; the up of a click made while
        // the button was held releases that press.
        bool button = buttonBefore, downNow = false;
        for (const std::string& e : desktop.tickEvents()) {
            if (e == "down" && !button) {
                button = downNow = true;
            } else if (e == "up" && button) {
                button = false;
                if (!downNow) ++f.releases;
                downNow = false;
            } else if (e == "keyboard_shown") {
                ++f.keyboardShown;
            } else if (e == "keyboard_hidden") {
                ++f.keyboardHidden;
            }
        }
        if (downNow) ++f.presses;
        buttonBefore = desktop.buttonDown();
        desktop.forgetInbox();
        if (desktop.buttonDown()) {
            if (pressedAt < 0) pressedAt = tick;
            if (tick - pressedAt == kPressDeadline) ++f.stuckPresses;
        } else {
            pressedAt = -1;
        }

        // The tracker's account.
        if (report.headBox) {
            ++f.headBoxes;
            if (lostAt >= 0) ++f.detectionsAfterLoss;
            lostAt = -1;
        }
        if (report.calibration) {
            ++f.calibrations;
            ++view.calibrations;
        }
        if (report.calibrationTimedOut) ++f.calibrationTimeouts;
        if (report.loss != LossReason::None) {
            ++f.losses;
            if (lostAt < 0) lostAt = tick;
        }
        if (lostAt >= 0 && tick - lostAt == kLossDeadline) ++f.unansweredLosses;
        if (report.action != GestureAction::None) {
            // Attributed to what the person did last: eyes, mouth, or else a dwell.
            int by = GestureDwell;
            if (tick - lastDoing[GestureEye] <= kGestureLag) by = GestureEye;
            if (tick - lastDoing[GestureMouth] <= kGestureLag &&
                lastDoing[GestureMouth] >= lastDoing[GestureEye]) {
                by = GestureMouth;
            }
            const auto g = static_cast<size_t>(by);
            switch (report.action) {
                case GestureAction::Click:
                    ++f.clicks;
                    if (tick < awayUntil) ++f.clicksAway;
                    ++f.clicksBy[g];
                    break;
                case GestureAction::KeyPress:
                    ++f.keyPresses;
                    break;
                case GestureAction::DragPress:
                case GestureAction::DragRelease:
                    ++f.dragsBy[g];
                    break;
                case GestureAction::None:
                    break;
            }
        }

        const int64_t done = tick + 1;
        if (done % kTicksPerMinute == 0) {
            const int64_t rss = residentBytes();
            if (done == kTicksPerMinute) f.rssFirstMinute = rss;
            f.rssMax = std::max(f.rssMax, rss);
        }
        if (done % kTicksPerHour == 0 || done == o.ticks) {
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
            out << std::fixed << std::setprecision(2) << "  hour " << std::setw(5)
                << static_cast<double>(done) / kTicksPerHour << "  rss " << mb(residentBytes())
                << " MB  median " << hour.quantile(0.5) << " ms  p99 " << hour.quantile(0.99)
                << " ms  losses " << f.losses << "  presses " << f.presses << "/" << f.releases
                << "  clicks " << f.clicks << "  renders " << cache.misses() << "  wall " << wall
                << " s" << std::endl;
            hour.clear();
        }
    }
    f.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    f.rssEnd = residentBytes();
    if (f.rssFirstMinute == 0) f.rssFirstMinute = f.rssStart;
    f.rssMax = std::max(f.rssMax, f.rssFirstMinute);
    f.firstMedianMs = first.quantile(0.5);
    f.lastMedianMs = last.quantile(0.5);
    f.firstP99Ms = first.quantile(0.99);
    f.lastP99Ms = last.quantile(0.99);
    f.cacheHits = cache.hits();
    f.cacheMisses = cache.misses();
    printFigures(f, out);

    // The limits.
    bool ok = true;
    const auto broken = [&](const std::string& what) {
        out << "LIMIT BROKEN: " << what << "\n";
        ok = false;
    };
    if (o.maxGrowthMb > 0 && mb(f.rssMax - f.rssFirstMinute) > o.maxGrowthMb) {
        broken("resident memory grew by more than the limit after the first minute");
    }
    if (o.maxTimeDriftPct > 0 &&
        f.lastMedianMs > f.firstMedianMs * (1 + o.maxTimeDriftPct / 100.0)) {
        broken("the last hour's median frame time is above the first's by more than the limit");
    }
    // A press may still be held, and a loss still unanswered, when the run
    // ends, but not for longer than their deadlines.
    const int64_t held = f.presses - f.releases;
    if (f.stuckPresses > 0 || held < 0 || held > 1 || (held == 1 && pressedAt < 0)) {
        broken("a press was not released");
    }
    if (f.unansweredLosses > 0) broken("a loss was not followed by a new detection");
    if (f.calibrations == 0) broken("the tracker never calibrated");
    if (figuresOut) *figuresOut = f;
    return ok ? 0 : 1;
}

}  // namespace quil::sim
