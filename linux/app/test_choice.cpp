// The test build's camera, chosen by QUIL_TEST_CAMERA:
//   none         no camera answers
//   noformat     a camera answers but not at 640 x 480
//   scene:NAME   the simulator's scene NAME, whose person watches this
//                program's windows as a user would (the eyes window, the
//                view's placement, each calibration)
// and QUIL_TEST_UNPLUG=FILE unplugs the scene's camera while FILE exists:
// no frames, the device lost, and each attempt to open it refused and
// marked by creating FILE.probed.
// Unset means none: a test machine has no camera.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/feature_set.h"
#include "linux/app/app.h"
#include "linux/app/camera_choice.h"
#include "sim/scene.h"

namespace quil::lnx {

namespace {

// The scene's person and their seed; the same run every time.
constexpr uint64_t kSceneSeed = 3;
constexpr double kSceneDrift = 0.0;

class FixedAnswer final : public FrameSource {
public:
    explicit FixedAnswer(OpenStatus answer) : answer_(answer) {}
    OpenStatus open() override { return answer_; }
    bool grab(std::span<uint8_t>) override { return false; }
    void close() override {}
    bool lost() const override { return false; }

private:
    OpenStatus answer_;
};

class ScenePlayer final : public FrameSource {
public:
    ScenePlayer(std::unique_ptr<sim::Scene> scene, std::string unplugFile)
        : scene_(std::move(scene)), unplugFile_(std::move(unplugFile)) {}
    OpenStatus open() override {
        if (!unplugged()) return OpenStatus::Ready;
        std::ofstream(unplugFile_ + ".probed") << "probed\n";
        return OpenStatus::NoCamera;
    }
    bool grab(std::span<uint8_t> frame) override {
        if (frame.size() != static_cast<size_t>(kFrameBytes) || unplugged()) return false;
        // A scene that has ended sends nothing more, like an unplugged camera.
        if (!scene_->advance(tick_, view_)) return false;
        scene_->render(frame);
        ++tick_;
        return true;
    }
    void close() override {}
    bool lost() const override { return unplugged(); }
    // One picture per grab: the scene's time runs by ticks.
    bool hasOwnRate() const override { return false; }

    // What the person sees after a frame.
    void look(const TrackerState& s, const FrameReport& report) {
        view_.eyesWindowOpen = s.shared.eyesWindow != 0;
        view_.largeView = s.view.largeView;
        if (report.calibration) ++view_.calibrations;
        // Where the pointer is against the keyboard, as the simulator's
        // desktop tells its person, from the pointer the tracker last saw.
        view_.keyboardVisible = s.keyboard.window != 0 && !s.keyboard.hidden;
        view_.pointerVsKeyboard = 2;
        view_.pointerVsKeyboardX = 2;
        if (view_.keyboardVisible) {
            const ScreenPoint p = s.shared.lastCursor.load();
            view_.pointerVsKeyboard = p.y <= s.keyboard.top ? -1 : p.y >= s.keyboard.bottom ? 1 : 0;
            view_.pointerVsKeyboardX = p.x <= s.keyboard.left    ? -1
                                       : p.x >= s.keyboard.right ? 1
                                                                 : 0;
        }
    }

private:
    [[nodiscard]] bool unplugged() const {
        std::error_code ec;
        return !unplugFile_.empty() && std::filesystem::exists(unplugFile_, ec);
    }

    std::unique_ptr<sim::Scene> scene_;
    std::string unplugFile_;
    sim::UserView view_;
    int64_t tick_ = 0;
};

ScenePlayer* player = nullptr;

}  // namespace

std::unique_ptr<FrameSource> makeCamera() {
    const char* chosen = std::getenv("QUIL_TEST_CAMERA");
    const std::string choice = chosen != nullptr ? chosen : "none";
    if (choice == "noformat") return std::make_unique<FixedAnswer>(OpenStatus::NoFormat);
    if (choice.rfind("scene:", 0) == 0) {
        auto scene = sim::makeScene(choice.substr(6), kSceneSeed, kSceneDrift);
        if (scene) {
            const char* unplug = std::getenv("QUIL_TEST_UNPLUG");
            auto made = std::make_unique<ScenePlayer>(std::move(scene), unplug ? unplug : "");
            player = made.get();
            return made;
        }
    }
    return std::make_unique<FixedAnswer>(OpenStatus::NoCamera);
}

void watchProgram(App& app) {
    if (player == nullptr) return;
    app.afterFrame = [](const TrackerState& s, const FrameReport& report) {
        player->look(s, report);
    };
}

}  // namespace quil::lnx
