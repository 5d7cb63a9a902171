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

// Everything a run keeps from one tick to the next.
struct SoakRun {
    SoakRun(const SoakOptions& options, TrackerState& state, SimDesktop& simDesktop);

    const SoakOptions& o;
    TrackerState& s;
    SimDesktop& desktop;
    SoakFigures f;
    FrameCache cache;
    std::vector<uint8_t> frame = std::vector<uint8_t>(kBgrBytes);
    Histogram first, last, hour;
    // The comparison's windows: an hour each, or a quarter of a shorter run.
    int64_t window;
    std::unique_ptr<Scene> scene;
    int64_t cycleStart = 0, awayUntil = -1;
    UserView view;
    int64_t pressedAt = -1, lostAt = -1;
    bool buttonBefore = false;
    std::array<int64_t, 3> lastDoing{-kGestureLag - 1, -kGestureLag - 1, -kGestureLag - 1};
    std::chrono::steady_clock::time_point wallStart;
};

SoakRun::SoakRun(const SoakOptions& options, TrackerState& state, SimDesktop& simDesktop)
    : o(options),
      s(state),
      desktop(simDesktop),
      cache(o.cacheFrames, o.seed, kDefaultNoise),
      window(std::min(kTicksPerHour, std::max<int64_t>(1, o.ticks / 4))),
      scene(cycleScene(o.seed)) {
    f.ticks = o.ticks;
    // Taken last, once every buffer of the run is in place.
    f.rssStart = residentBytes();
    wallStart = std::chrono::steady_clock::now();
}

// The tracker behind the desktop, in the engine asked for; false when the
// precise engine's model cannot be read.
bool startSoakTracker(const SoakOptions& o, TrackerState& s, SimDesktop& desktop,
                      std::ostream& out) {
    startTracker(s, desktop, kScreenWidth, kScreenHeight, {kMainWindow, kCaptureWindow},
                 kSoakOptions[0]);
    if (!o.precise) return true;
    const std::string model = o.modelFile.empty() ? defaultModelFile() : o.modelFile;
    if (!loadPreciseEngine(s, model)) {
        out << "cannot read the landmark model \"" << model << "\"\n";
        return false;
    }
    s.shared.engineChoice = PreciseEngine;
    s.engine = PreciseEngine;
    return true;
}

// The person's part of a tick: back in front of the camera once the room has
// been empty long enough (a new cycle), the cycle's script, gone when it
// ends; the picture the camera gives, and the gestures held in it.
void moveThePerson(SoakRun& r, int64_t tick) {
    lookAtDesktop(r.view, r.desktop, r.s);
    const bool away = tick < r.awayUntil;
    if (!away && r.awayUntil >= 0) {
        // Back in front of the camera, with the other cycle's options, set
        // as the options window sets them.
        r.awayUntil = -1;
        ++r.f.cycles;
        applyOptionsText(r.s, kSoakOptions[r.f.cycles % 2]);
        r.scene->restart();
        r.cycleStart = tick;
    }
    if (!away && !r.scene->advance(tick - r.cycleStart, r.view)) {
        r.awayUntil = tick + kAwayTicks;
    }
    r.cache.frame(*r.scene, tick < r.awayUntil, tick, r.frame);
    const uint16_t doing = tick < r.awayUntil ? 0 : r.scene->doing();
    if (doing & kEyesHeld) r.lastDoing[GestureEye] = tick;
    if (doing & kMouthHeld) r.lastDoing[GestureMouth] = tick;
}

// The tracker's frame, its processing time kept in the histograms.
FrameReport timedFrame(SoakRun& r, int64_t tick) {
    r.desktop.beginTick(tick);
    const double t0 = threadCpuMs();
    const FrameReport report = frameCallback(r.s, r.desktop, r.frame);
    const double ms = threadCpuMs() - t0;
    if (tick < r.window) r.first.add(ms);
    if (tick >= r.o.ticks - r.window) r.last.add(ms);
    r.hour.add(ms);
    return report;
}

// The desktop's account, followed through the button's state: a click's
// down and up come in one tick; the up of a click made while the button was
// held releases that press.
void countDesktop(SoakRun& r, int64_t tick) {
    SoakFigures& f = r.f;
    bool button = r.buttonBefore, downNow = false;
    for (const std::string& e : r.desktop.tickEvents()) {
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
    r.buttonBefore = r.desktop.buttonDown();
    r.desktop.forgetInbox();
    if (r.desktop.buttonDown()) {
        if (r.pressedAt < 0) r.pressedAt = tick;
        if (tick - r.pressedAt == kPressDeadline) ++f.stuckPresses;
    } else {
        r.pressedAt = -1;
    }
}

// An action, attributed to what the person did last: eyes, mouth, or else a
// dwell.
void countAction(SoakRun& r, GestureAction action, int64_t tick) {
    SoakFigures& f = r.f;
    int by = GestureDwell;
    if (tick - r.lastDoing[GestureEye] <= kGestureLag) by = GestureEye;
    if (tick - r.lastDoing[GestureMouth] <= kGestureLag &&
        r.lastDoing[GestureMouth] >= r.lastDoing[GestureEye]) {
        by = GestureMouth;
    }
    const auto g = static_cast<size_t>(by);
    switch (action) {
        case GestureAction::Click:
            ++f.clicks;
            if (tick < r.awayUntil) ++f.clicksAway;
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

// The tracker's account: detections, calibrations, losses and actions.
void countTracker(SoakRun& r, const FrameReport& report, int64_t tick) {
    SoakFigures& f = r.f;
    if (report.headBox) {
        ++f.headBoxes;
        if (r.lostAt >= 0) ++f.detectionsAfterLoss;
        r.lostAt = -1;
    }
    if (report.calibration) {
        ++f.calibrations;
        ++r.view.calibrations;
    }
    if (report.calibrationTimedOut) ++f.calibrationTimeouts;
    if (report.loss != LossReason::None) {
        ++f.losses;
        if (r.lostAt < 0) r.lostAt = tick;
    }
    if (r.lostAt >= 0 && tick - r.lostAt == kLossDeadline) ++f.unansweredLosses;
    if (report.action != GestureAction::None) countAction(r, report.action, tick);
}

// Memory every simulated minute; a line every simulated hour and at the end.
void sampleTick(SoakRun& r, int64_t tick, std::ostream& out) {
    SoakFigures& f = r.f;
    const int64_t done = tick + 1;
    if (done % kTicksPerMinute == 0) {
        const int64_t rss = residentBytes();
        if (done == kTicksPerMinute) f.rssFirstMinute = rss;
        f.rssMax = std::max(f.rssMax, rss);
    }
    if (done % kTicksPerHour == 0 || done == r.o.ticks) {
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - r.wallStart).count();
        out << std::fixed << std::setprecision(2) << "  hour " << std::setw(5)
            << static_cast<double>(done) / kTicksPerHour << "  rss " << mb(residentBytes())
            << " MB  median " << r.hour.quantile(0.5) << " ms  p99 " << r.hour.quantile(0.99)
            << " ms  losses " << f.losses << "  presses " << f.presses << "/" << f.releases
            << "  clicks " << f.clicks << "  renders " << r.cache.misses() << "  wall " << wall
            << " s" << std::endl;
        r.hour.clear();
    }
}

void playTick(SoakRun& r, int64_t tick, std::ostream& out) {
    moveThePerson(r, tick);
    const FrameReport report = timedFrame(r, tick);
    countDesktop(r, tick);
    countTracker(r, report, tick);
    sampleTick(r, tick, out);
}

// The figures the run's end gives: time, memory, the windows' frame times.
void finishFigures(SoakRun& r) {
    SoakFigures& f = r.f;
    f.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - r.wallStart).count();
    f.rssEnd = residentBytes();
    if (f.rssFirstMinute == 0) f.rssFirstMinute = f.rssStart;
    f.rssMax = std::max(f.rssMax, f.rssFirstMinute);
    f.firstMedianMs = r.first.quantile(0.5);
    f.lastMedianMs = r.last.quantile(0.5);
    f.firstP99Ms = r.first.quantile(0.99);
    f.lastP99Ms = r.last.quantile(0.99);
    f.cacheHits = r.cache.hits();
    f.cacheMisses = r.cache.misses();
}

// The limits, each broken one said; true when all hold.
bool checkLimits(const SoakRun& r, std::ostream& out) {
    const SoakOptions& o = r.o;
    const SoakFigures& f = r.f;
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
    if (f.stuckPresses > 0 || held < 0 || held > 1 || (held == 1 && r.pressedAt < 0)) {
        broken("a press was not released");
    }
    if (f.unansweredLosses > 0) broken("a loss was not followed by a new detection");
    if (f.calibrations == 0) broken("the tracker never calibrated");
    return ok;
}

}  // namespace

int runSoak(const SoakOptions& o, std::ostream& out, SoakFigures* figuresOut) {
    auto state = std::make_unique<TrackerState>();
    SimDesktop desktop(*state, kScreenWidth, kScreenHeight, true);
    if (!startSoakTracker(o, *state, desktop, out)) return 2;
    SoakRun run(o, *state, desktop);
    for (int64_t tick = 0; tick < o.ticks; ++tick) playTick(run, tick, out);
    finishFigures(run);
    printFigures(run.f, out);
    const bool ok = checkLimits(run, out);
    if (figuresOut) *figuresOut = run.f;
    return ok ? 0 : 1;
}

}  // namespace quil::sim
