// The program's start and end both shells run: their steps in order, the
// tracker's and the shell's interleaved; a camera that cannot be used warned
// about and the program ended; at the end the held button let go, the
// tracker's unsaved options saved unless the options window is open, and a
// second end that does nothing.
#include "app_layer/lifetime.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app_layer/texts.h"
#include "keyboard_link/protocol.h"
#include "options/options_file.h"
#include "recording_desktop.h"
#include "tracker/views.h"

namespace quil {
namespace {

namespace fs = std::filesystem;

constexpr WindowHandle kKeyboard = 77;

// One log for the desktop's calls and the shell's steps, so that their order
// against each other shows.
class LoggingDesktop final : public testing::RecordingDesktop {
public:
    explicit LoggingDesktop(std::vector<std::string>& log) : log_(log) {}
    void leftButtonUp() override {
        RecordingDesktop::leftButtonUp();
        log_.push_back("button up");
    }
    void closeKeyboard(WindowHandle w) override {
        RecordingDesktop::closeKeyboard(w);
        log_.push_back("close keyboard " + std::to_string(w));
    }
    void showGesturePrompt(GesturePrompt prompt) override {
        RecordingDesktop::showGesturePrompt(prompt);
        log_.push_back(prompt == GesturePrompt::None ? "hide prompt" : "show prompt");
    }

private:
    std::vector<std::string>& log_;
};

class LoggingShell final : public ProgramShell {
public:
    LoggingShell(std::vector<std::string>& log, const TrackerState& s) : log_(log), s_(s) {}

    bool windowsMade = true;
    CameraStart camera = CameraStart::Ready;

    bool createWindows() override {
        log_.push_back(s_.view.largeView ? "create windows, large view" : "create windows");
        return windowsMade;
    }
    CameraStart openCamera() override {
        log_.push_back("open camera");
        return camera;
    }
    void warn(const char* text) override { log_.push_back(std::string("warn ") + text); }
    void showView() override { log_.push_back("show view"); }
    void startFrames() override {
        // The tracker is ready for its first frame: its start-up finished.
        log_.push_back(s_.session.circleCount > 0 ? "start frames" : "start frames, not ready");
    }

    void stopFrames() override {
        log_.push_back(s_.pointer.buttonHeld ? "stop frames, button held" : "stop frames");
    }
    void stopCamera() override {
        log_.push_back(s_.shared.optionsToSave ? "stop camera, options unsaved" : "stop camera");
    }
    void closeWindows() override { log_.push_back("close windows"); }
    void removeTrayIcon() override { log_.push_back("remove tray icon"); }
    void endMessageLoop() override { log_.push_back("end loop"); }

private:
    std::vector<std::string>& log_;
    const TrackerState& s_;
};

// A 1024 x 768 screen and no landmark model.
StartFacts factsFor(const fs::path& optionsFile, EngineId newUserEngine = ClassicEngine) {
    StartFacts facts;
    facts.screenWidth = 1024;
    facts.screenHeight = 768;
    facts.optionsFile = optionsFile;
    facts.newUserEngine = newUserEngine;
    return facts;
}

class ProgramLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quil-lifetime-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "options.cfg";
        setScreenDefaults(s, 1024, 768);
    }
    void TearDown() override { fs::remove_all(dir); }
    bool stop() { return lifetime.stopProgram(s, desktop, shell, file); }

    TrackerState s;
    std::vector<std::string> log;
    LoggingDesktop desktop{log};
    fs::path dir;
    fs::path file;
    LoggingShell shell{log, s};
    Lifetime lifetime;
};

TEST(StartSequence, TheTrackersStartUpAroundTheWindowsAndTheCameraWithTheTimerLast) {
    const std::vector<StartStep> steps(startSequence().begin(), startSequence().end());
    EXPECT_EQ(steps,
              (std::vector<StartStep>{
                  StartStep::BeginStartup, StartStep::LoadOptions, StartStep::ChooseLargeView,
                  StartStep::CreateWindows, StartStep::OpenCamera, StartStep::ShowView,
                  StartStep::FinishStartup, StartStep::LoadEngines, StartStep::StartFrames}));
}

TEST(StopSequence, FramesFirstThenTheTrackersStepsThenTheShellsWithTheTrayIconLast) {
    const std::vector<StopStep> steps(stopSequence().begin(), stopSequence().end());
    EXPECT_EQ(steps,
              (std::vector<StopStep>{
                  StopStep::StopFrames, StopStep::ReleaseButton, StopStep::SaveOptions,
                  StopStep::StopCamera, StopStep::CloseKeyboard, StopStep::HidePrompt,
                  StopStep::CloseWindows, StopStep::RemoveTrayIcon, StopStep::EndMessageLoop}));
}

TEST_F(ProgramLifetime, RunsEveryStepInOrderAndLetsGoOfAHeldButton) {
    desktop.leftButtonDown();
    s.pointer.buttonHeld = true;
    s.keyboard.window = kKeyboard;
    // The gesture check's levels, taken by the last frame, not saved yet.
    s.shared.gestureSensitivity = SensitivityHigh;
    s.shared.optionsToSave = true;

    EXPECT_FALSE(lifetime.stopped());
    EXPECT_TRUE(stop());
    EXPECT_TRUE(lifetime.stopped());
    EXPECT_EQ(log, (std::vector<std::string>{"stop frames, button held", "button up", "stop camera",
                                             "close keyboard 77", "hide prompt", "close windows",
                                             "remove tray icon", "end loop"}));
    EXPECT_FALSE(s.pointer.buttonHeld) << "the program would exit with the button down";
    EXPECT_EQ(desktop.of(testing::DesktopCall::ButtonUp).size(), 1u);
    EXPECT_EQ(desktop.keyboardMessages(), (std::vector<int32_t>{keyboard::kMsgClose}));
    EXPECT_FALSE(s.shared.optionsToSave);
    ASSERT_TRUE(fs::exists(file)) << "before the camera stopped, as the log shows";
    TrackerState saved;
    loadOptions(saved, file);
    EXPECT_EQ(saved.shared.gestureSensitivity, SensitivityHigh);
}

TEST_F(ProgramLifetime, ASecondEndDoesNothing) {
    s.pointer.buttonHeld = true;
    s.keyboard.window = kKeyboard;
    ASSERT_TRUE(stop());
    const std::vector<std::string> first = log;
    const size_t calls = desktop.calls.size();

    // The tracker presses again behind the program's back: the end is over
    // and does not come back to it.
    s.pointer.buttonHeld = true;
    s.shared.optionsToSave = true;
    EXPECT_FALSE(stop());
    EXPECT_EQ(log, first);
    EXPECT_EQ(desktop.calls.size(), calls);
    EXPECT_TRUE(s.pointer.buttonHeld);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ProgramLifetime, NothingHeldNothingGreetedNothingToSave) {
    EXPECT_TRUE(stop());
    EXPECT_EQ(log, (std::vector<std::string>{"stop frames", "stop camera", "hide prompt",
                                             "close windows", "remove tray icon", "end loop"}));
    EXPECT_TRUE(desktop.of(testing::DesktopCall::ButtonUp).empty());
    EXPECT_TRUE(desktop.keyboardMessages().empty()) << "a keyboard that never said hello";
    EXPECT_FALSE(fs::exists(file)) << "nothing changed, nothing written";
}

TEST_F(ProgramLifetime, AnOpenOptionsWindowsTableIsNotSaved) {
    // EXIT in the options window: the table on screen was never confirmed.
    s.shared.optionsOpen = true;
    s.shared.optionsToSave = true;
    EXPECT_TRUE(stop());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(log.at(1), "stop camera, options unsaved");
}

TEST_F(ProgramLifetime, TheTrackersOwnChangeReachesAFolderNotYetMade) {
    // Linux keeps the file in a folder of its own, which a first start may
    // not have made yet.
    const fs::path nested = dir / "quilbrand" / "options.cfg";
    s.shared.gestureSensitivity = SensitivityHigh;
    s.shared.optionsToSave = true;
    EXPECT_TRUE(lifetime.stopProgram(s, desktop, shell, nested));
    TrackerState saved;
    loadOptions(saved, nested);
    EXPECT_EQ(saved.shared.gestureSensitivity, SensitivityHigh);
}

TEST_F(ProgramLifetime, AStartRunsItsStepsInOrderAndLeavesTheProgramRunning) {
    const StartFacts facts = factsFor(file);
    EXPECT_TRUE(lifetime.startProgram(s, desktop, shell, facts));
    EXPECT_EQ(log, (std::vector<std::string>{"create windows, large view", "open camera",
                                             "show view", "start frames"}));
    EXPECT_FALSE(lifetime.stopped());
    EXPECT_TRUE(s.view.largeView) << "the head search starts in the large view";
    EXPECT_EQ(s.session.screenWidth, 1024);
    EXPECT_EQ(s.engine, ClassicEngine) << "no model, no precise engine";
}

TEST_F(ProgramLifetime, ANewUserStartsWithTheEngineThePlatformChooses) {
    // Linux writes a new user's file choosing precise; Windows leaves that to
    // its installer and only reads.
    const fs::path fresh = dir / "quilbrand" / "options.cfg";
    const StartFacts facts = factsFor(fresh, PreciseEngine);
    EXPECT_TRUE(lifetime.startProgram(s, desktop, shell, facts));
    EXPECT_EQ(s.shared.engineChoice, PreciseEngine);
    EXPECT_EQ(s.engine, ClassicEngine) << "chosen, but its model is missing";
    TrackerState again;
    loadOptions(again, fresh);
    EXPECT_EQ(again.shared.engineChoice, PreciseEngine);
}

TEST_F(ProgramLifetime, WithoutACameraTheStartWarnsAndEnds) {
    shell.camera = CameraStart::NoCamera;
    EXPECT_FALSE(lifetime.startProgram(s, desktop, shell, factsFor(file)));
    EXPECT_EQ(log, (std::vector<std::string>{"create windows, large view", "open camera",
                                             std::string("warn ") + kNoCameraText, "stop frames",
                                             "stop camera", "hide prompt", "close windows",
                                             "remove tray icon", "end loop"}));
    EXPECT_TRUE(lifetime.stopped());
    EXPECT_FALSE(stop()) << "the program's destructor ends nothing twice";
}

TEST_F(ProgramLifetime, ACameraWithout640x480WarnsSoAndEnds) {
    shell.camera = CameraStart::NoFormat;
    EXPECT_FALSE(lifetime.startProgram(s, desktop, shell, factsFor(file)));
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[2], std::string("warn ") + kNoFormatText);
    EXPECT_EQ(log[3], "stop frames");
    EXPECT_EQ(log.back(), "end loop");
}

TEST_F(ProgramLifetime, WithoutItsWindowsTheProgramEndsAtOnceAndSilently) {
    shell.windowsMade = false;
    EXPECT_FALSE(lifetime.startProgram(s, desktop, shell, factsFor(file)));
    EXPECT_EQ(log, (std::vector<std::string>{"create windows, large view"}));
}

}  // namespace
}  // namespace quil
