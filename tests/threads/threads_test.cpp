// The tracker's state shared between threads as the Windows program shares
// it, for ThreadSanitizer (the "tsan" preset) to watch:
//   - the tracker's thread runs the frames of a synthetic scene through the
//     frame driver, takes the keyboard program's messages and opens the
//     options window, as the main window's thread does;
//   - the options window's thread narrows the pointer bounds, clicks options,
//     moves the pointer, closes with OK or CANCEL (the keyboard shown again)
//     and restores the bounds;
//   - the eyes window's thread reads the view's placement while the tracker
//     waits for it, stores its handle and, like the About box's thread, reads
//     the handles and flags those threads read while it runs.
// Any data race fails the run under the sanitizer; in other builds this is
// an ordinary run of the three threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "options/options_window_logic.h"
#include "sim/scene.h"
#include "sim/sim_desktop.h"
#include "sim/soak.h"
#include "sim/y4m.h"
#include "tests/support/quiet_desktop.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"

namespace quil {
namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;
// The tracker's thread opens the options window at most this often.
constexpr int64_t kOptionsEveryTicks = 15;
constexpr int kCachedFrames = 160;
// Clicks per options window, and the pause between the user's clicks.
constexpr int kClicksPerWindow = 8;
constexpr auto kClickPause = std::chrono::milliseconds(5);
constexpr auto kReaderPause = std::chrono::microseconds(200);
// Longer than the tracker's 200 idle frames.
constexpr double kIdleSeconds = 17.0;
// The first window stays open until the tracker has calibrated again, or
// this long.
constexpr auto kLongWindow = std::chrono::seconds(300);

// The simulated desktop, with the eyes window's own thread as on Windows:
// started by the tracker, which waits until the window exists; closed by a
// message, after which the thread ends by itself.
class ThreadedDesktop : public sim::SimDesktop {
public:
    ThreadedDesktop(TrackerState& s) : SimDesktop(s, kScreenWidth, kScreenHeight, true), s_(s) {}
    ~ThreadedDesktop() override { joinEyes(); }

    void startEyesWindow() override {
        joinEyes();
        SimDesktop::startEyesWindow();
        quit_ = false;
        std::atomic<bool> ready{false};
        eyes_ = std::thread([this, &ready] {
            // Created at the view's place while the tracker waits.
            placed_ += s_.view.viewX + s_.view.viewY + s_.view.viewWidth + s_.view.viewHeight;
            s_.shared.eyesWindow = sim::kEyesWindow;
            ready = true;
            ready.notify_one();
            while (!quit_.load()) {
                // Moved: the capture overlay is switched on in the capture window.
                seen_ += static_cast<int64_t>(s_.session.captureWindow + s_.session.mainWindow);
                std::this_thread::sleep_for(kReaderPause);
            }
        });
        ready.wait(false);
        ++started;
    }
    void closeEyesWindow(WindowHandle eyesWindow) override {
        SimDesktop::closeEyesWindow(eyesWindow);
        quit_ = true;
    }
    // The system's pointer, which any thread may ask for.
    void setCursorPos(int32_t x, int32_t y) override {
        SimDesktop::setCursorPos(x, y);
        systemCursorX = x;
        systemCursorY = y;
    }
    void joinEyes() {
        quit_ = true;
        if (eyes_.joinable()) eyes_.join();
    }

    int started = 0;
    std::atomic<int32_t> systemCursorX{0}, systemCursorY{0};

private:
    TrackerState& s_;
    std::thread eyes_;
    std::atomic<bool> quit_{true};
    int64_t placed_ = 0;
    std::atomic<int64_t> seen_{0};
};

// Sits down and calibrates, points, then holds still until the tracker gives
// up on the idle pointer, calibrates again and points: an options window
// opened while tracking stays open across the loss and the new calibration.
std::vector<sim::Phase> script() {
    using sim::Act;
    using sim::Until;
    const std::vector<sim::Phase> calibrate = {
        {Act::Sway, 8.0, Until::EyesWindow},
        {Act::MoveTo, 0.4, Until::Time, 0, 0},
        {Act::HoldBlink, 10.0, Until::Calibrated, 0, 0, 2},
        {Act::Hold, 1.0},
    };
    std::vector<sim::Phase> phases = {{Act::Enter, 1.2}};
    phases.insert(phases.end(), calibrate.begin(), calibrate.end());
    phases.push_back({Act::MoveTo, 0.8, Until::Time, -10, 0});
    phases.push_back({Act::MoveTo, 0.8, Until::Time, 0, 0});
    phases.push_back({Act::Hold, kIdleSeconds});
    phases.insert(phases.end(), calibrate.begin(), calibrate.end());
    // Then points about, opening short options windows.
    for (const double x : {8.0, -6.0, 0.0}) {
        phases.push_back({Act::MoveTo, 0.8, Until::Time, x, 4});
        phases.push_back({Act::Hold, 2.0});
    }
    return phases;
}

// One opening of the options window, on its own thread, in the order the
// window's messages come: created, shown, clicked, destroyed, finished.
void optionsWindowSession(TrackerState& s, ThreadedDesktop& system, int session,
                          const std::filesystem::path& file, std::atomic<bool>& running,
                          const std::atomic<bool>& recalibrated) {
    testing::QuietDesktop desktop;  // the window's calls go to the system
    narrowPointerBounds(s);
    const SavedOptions saved = snapshotOptions(s);
    s.shared.optionsOpen = true;
    const auto openedAt = std::chrono::steady_clock::now();
    for (int i = 0;; ++i) {
        const bool longWindow = session == 0 && !recalibrated.load() &&
                                std::chrono::steady_clock::now() - openedAt < kLongWindow;
        if (i >= kClicksPerWindow && !longWindow) break;
        std::this_thread::sleep_for(kClickPause);
        // The long window clicks the head range over and over.
        const int row = longWindow ? 1 : (session + i) % 5;
        const int col = (session * 7 + i * 3) % kOptionLayout[static_cast<size_t>(row)].count;
        EXPECT_EQ(applyOptionClick(s, {row, col}), OptionButton::None);
        // The pointer held on the window; the tracker is told where it is.
        s.shared.lastCursor.store({system.systemCursorX.load(), system.systemCursorY.load()});
    }
    restorePointerBounds(s);
    if (session % 2 == 0) {
        finishWithOk(s, desktop, file);
    } else {
        finishWithCancel(s, desktop, saved);
    }
    running = false;
}

// What the About box's and the menu's threads look at while they run.
void otherReader(TrackerState& s, const std::atomic<bool>& stop, std::atomic<int64_t>& reads) {
    while (!stop.load()) {
        int64_t sum = s.shared.optionsOpen.load() ? 1 : 0;
        sum += static_cast<int64_t>(s.shared.eyesWindow.load());
        sum += static_cast<int64_t>(s.session.mainWindow);
        sum += static_cast<int64_t>(s.keyboard.window.load());
        reads += sum != 0 ? 1 : 0;
        std::this_thread::sleep_for(kReaderPause);
    }
}

TEST(Threads, TrackerOptionsAndEyesThreadsShareTheStateWithoutRaces) {
    const auto file = std::filesystem::path(::testing::TempDir()) / "threads_options.cfg";
    auto state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    ThreadedDesktop desktop(s);
    startTracker(s, desktop, kScreenWidth, kScreenHeight, {sim::kMainWindow, sim::kCaptureWindow},
                 kDefaultOptionsText);

    std::atomic<bool> stop{false};
    std::atomic<int64_t> reads{0};
    std::thread reader(otherReader, std::ref(s), std::cref(stop), std::ref(reads));

    sim::LookTweaks still;
    still.wander = 0.0;  // held poses repeat, and the cache renders them once
    sim::Scene scene("threads", script(), 5, 3.0, sim::kDefaultNoise, still);
    sim::FrameCache frames(kCachedFrames, 5, sim::kDefaultNoise);
    std::vector<uint8_t> frame(sim::kBgrBytes);
    std::atomic<bool> recalibrated{false};
    sim::UserView view;
    std::thread options;
    std::atomic<bool> optionsRunning{false};
    int sessions = 0, tracked = 0, calibratedWhileOpen = 0;
    for (int64_t tick = 0;; ++tick) {
        view.eyesWindowOpen = desktop.eyesWindowOpen();
        view.keyboardVisible = desktop.keyboardVisible();
        view.largeView = s.view.largeView;
        if (!scene.advance(tick, view)) break;
        frames.frame(scene, false, tick, frame);
        desktop.beginTick(tick);
        const FrameReport report = frameCallback(s, desktop, frame);
        if (report.calibration) {
            ++view.calibrations;
            if (s.shared.optionsOpen.load()) ++calibratedWhileOpen;
            if (view.calibrations >= 2) recalibrated = true;
        }
        if (report.stateAfter == Tracking) ++tracked;
        desktop.forgetInbox();

        // Between frames, as the main window's message loop: the keyboard
        // program docks, and the user asks for the options.
        if (tick % 40 == 20 && s.keyboard.window.load() != 0) {
            const unsigned dock =
                tick % 80 == 20 ? keyboard::kDockTopLeft : keyboard::kDockBottomCentre;
            EXPECT_TRUE(handleKeyboardMessage(s, keyboard::kMsgKeyboardDock, dock, 0));
        }
        if (tick % kOptionsEveryTicks == 0 && !s.shared.optionsOpen.load() &&
            !optionsRunning.load() && requestOptionsWindow(s, desktop)) {
            if (options.joinable()) options.join();
            optionsRunning = true;
            options = std::thread(optionsWindowSession, std::ref(s), std::ref(desktop), sessions,
                                  file, std::ref(optionsRunning), std::cref(recalibrated));
            ++sessions;
        }
    }
    if (options.joinable()) options.join();
    desktop.joinEyes();
    stop = true;
    reader.join();
    std::filesystem::remove(file);

    EXPECT_GE(view.calibrations, 2);
    EXPECT_GE(calibratedWhileOpen, 1);  // the race the test is for can happen
    EXPECT_GT(tracked, 50);
    EXPECT_GE(sessions, 3);
    EXPECT_GE(desktop.started, 1);
    EXPECT_GT(reads.load(), 0);
}

}  // namespace
}  // namespace quil
