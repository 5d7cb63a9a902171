// The tray menu both shells draw: its shape, its ticks and greying, and what
// its settings items change and save.
#include "app_layer/tray_menu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app_layer/new_user.h"
#include "options/options_file.h"
#include "recording_desktop.h"
#include "tracker/views.h"

namespace quil {
namespace {

namespace fs = std::filesystem;

constexpr char kClassicForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0";
constexpr char kPreciseForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1";

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> texts(TrayPlatform platform) {
    std::vector<std::string> out;
    for (const TrayEntry& e : trayMenu(platform)) {
        out.push_back(e.kind == TrayEntryKind::SubmenuEnd ? "<end>" : e.text);
    }
    return out;
}

TEST(TrayMenu, BothShellsShowTheSameItemsAndLinuxAddsTheLogOnSwitch) {
    const std::vector<std::string> windows{"Options",
                                           "Precise tracking",
                                           "Check gestures",
                                           "Gesture sensitivity",
                                           "Low",
                                           "Medium",
                                           "High",
                                           "<end>",
                                           "Pause",
                                           "Scroll",
                                           "All screens",
                                           "Click sounds",
                                           "Keep pause after restart",
                                           "Word suggestions",
                                           "",
                                           "Pointing test",
                                           "Manual",
                                           "About ...",
                                           "",
                                           "Exit"};
    EXPECT_EQ(texts(TrayPlatform::Windows), windows);
    std::vector<std::string> linux = windows;
    linux.insert(linux.end() - 1, "Start at log-on");
    EXPECT_EQ(texts(TrayPlatform::Linux), linux);
}

// A shell that draws the list needs balanced submenus and one item per
// command, or a choice would reach the wrong item.
TEST(TrayMenu, SubmenusCloseAndNoCommandIsTwice) {
    for (const TrayPlatform platform : {TrayPlatform::Windows, TrayPlatform::Linux}) {
        int depth = 0;
        std::set<TrayCommand> seen;
        for (const TrayEntry& e : trayMenu(platform)) {
            if (e.kind == TrayEntryKind::SubmenuBegin) ++depth;
            if (e.kind == TrayEntryKind::SubmenuEnd) --depth;
            EXPECT_GE(depth, 0);
            if (e.kind != TrayEntryKind::Item) continue;
            EXPECT_NE(e.command, TrayCommand::None) << e.text;
            EXPECT_TRUE(seen.insert(e.command).second) << e.text;
        }
        EXPECT_EQ(depth, 0);
    }
}

class TrayItems : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quil-tray-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "options.cfg";
        setScreenDefaults(s, 1024, 768);
        loadOptions(s, file);
    }
    void TearDown() override { fs::remove_all(dir); }
    TrayItemState state(TrayCommand c) const { return trayItemState(s, c); }
    std::vector<bool> levelTicks() const {
        return {state(TrayCommand::SensitivityLow).ticked,
                state(TrayCommand::SensitivityMedium).ticked,
                state(TrayCommand::SensitivityHigh).ticked};
    }

    TrackerState s;
    fs::path dir;
    fs::path file;
};

TEST_F(TrayItems, ALevelChosenIsTickedAloneAndSavedAsTheSeventeenthValue) {
    EXPECT_EQ(levelTicks(), (std::vector<bool>{false, true, false})) << "medium by default";
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::SensitivityHigh, file));
    EXPECT_EQ(s.shared.gestureSensitivity, SensitivityHigh);
    EXPECT_EQ(levelTicks(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 2");

    EXPECT_TRUE(runTrayCommand(s, TrayCommand::SensitivityLow, file));
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 0");
    // Back to medium: the file returns to the form without the extra values.
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::SensitivityMedium, file));
    EXPECT_EQ(readAll(file), kClassicForm);
    TrackerState again;
    loadOptions(again, file);
    EXPECT_EQ(again.shared.gestureSensitivity, SensitivityMedium);
}

TEST_F(TrayItems, PauseAndScrollAskTheTrackerAndAreTickedByWhatItDoes) {
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::Pause, file));
    EXPECT_TRUE(s.shared.pauseToggleRequested);
    EXPECT_FALSE(state(TrayCommand::Pause).ticked);
    s.shared.paused = true;
    EXPECT_TRUE(state(TrayCommand::Pause).ticked);
    EXPECT_TRUE(state(TrayCommand::Scroll).greyed);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::Scroll, file));
    EXPECT_FALSE(s.shared.scrollToggleRequested);
    s.shared.paused = false;
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::Scroll, file));
    EXPECT_TRUE(s.shared.scrollToggleRequested);
    s.shared.scrolling = true;
    EXPECT_TRUE(state(TrayCommand::Scroll).ticked);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + "\n") << "nothing saved";
}

TEST_F(TrayItems, TheSavedChoicesToggleAndAreSaved) {
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::ClickSounds, file));
    EXPECT_TRUE(state(TrayCommand::ClickSounds).ticked);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 1 0 0 0 1");
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::AllScreens, file));
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::KeepPause, file));
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::ClickSounds, file));
    EXPECT_TRUE(state(TrayCommand::AllScreens).ticked);
    EXPECT_TRUE(state(TrayCommand::KeepPause).ticked);
    EXPECT_FALSE(state(TrayCommand::ClickSounds).ticked);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 1 0 0 1 0 1");
    s.shared.optionsOpen = true;
    EXPECT_TRUE(state(TrayCommand::KeepPause).greyed);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::KeepPause, file));
    EXPECT_TRUE(s.shared.keepPause);
}

TEST_F(TrayItems, WordSuggestionsToggleAndAreSavedLast) {
    EXPECT_FALSE(state(TrayCommand::WordSuggestions).ticked);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::WordSuggestions, file));
    EXPECT_TRUE(state(TrayCommand::WordSuggestions).ticked);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 1 0 0 0 0 0 0 1");
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::WordSuggestions, file));
    EXPECT_FALSE(s.shared.wordSuggestions);
    s.shared.optionsOpen = true;
    EXPECT_TRUE(state(TrayCommand::WordSuggestions).greyed);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::WordSuggestions, file));
    EXPECT_FALSE(s.shared.wordSuggestions);
}

TEST_F(TrayItems, WhileTheOptionsAreOpenNoSavedSettingChanges) {
    s.shared.preciseAvailable = true;
    s.shared.optionsOpen = true;
    const std::string before = readAll(file);
    for (const TrayCommand c : {TrayCommand::SensitivityLow, TrayCommand::PreciseTracking}) {
        EXPECT_TRUE(state(c).greyed);
        EXPECT_TRUE(runTrayCommand(s, c, file));
    }
    EXPECT_EQ(s.shared.gestureSensitivity, SensitivityMedium);
    EXPECT_EQ(s.shared.engineChoice, ClassicEngine);
    EXPECT_EQ(readAll(file), before) << "the table being edited was saved";
}

// The pointing test is the shell's to open, at any time but while the
// options window waits for its answer.
TEST_F(TrayItems, ThePointingTestIsTheShellsAndWaitsForTheOptions) {
    EXPECT_FALSE(state(TrayCommand::PointingTest).greyed);
    EXPECT_FALSE(runTrayCommand(s, TrayCommand::PointingTest, file));
    s.shared.optionsOpen = true;
    EXPECT_TRUE(state(TrayCommand::PointingTest).greyed);
}

// The gesture check's levels reach the file after the frame that took them,
// or, while the options window is open, after it closes.
TEST_F(TrayItems, TheChecksLevelsAreSavedOnceTheOptionsWindowAllows) {
    s.shared.eyesShutLevel = 400;
    s.shared.mouthOpenLevel = 250;
    s.shared.optionsToSave = true;
    s.shared.optionsOpen = true;
    const std::string before = readAll(file);
    saveTrackersOptions(s, file);
    EXPECT_EQ(readAll(file), before);
    s.shared.optionsOpen = false;
    saveTrackersOptions(s, file);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 1 400 250");
    EXPECT_FALSE(s.shared.optionsToSave);
}

TEST_F(TrayItems, PreciseTrackingTogglesOnlyWithItsModel) {
    EXPECT_TRUE(state(TrayCommand::PreciseTracking).greyed);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::PreciseTracking, file));
    EXPECT_EQ(s.shared.engineChoice, ClassicEngine);

    s.shared.preciseAvailable = true;
    EXPECT_FALSE(state(TrayCommand::PreciseTracking).greyed);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::PreciseTracking, file));
    EXPECT_TRUE(state(TrayCommand::PreciseTracking).ticked);
    EXPECT_EQ(readAll(file), kPreciseForm);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::PreciseTracking, file));
    EXPECT_EQ(readAll(file), kClassicForm);
}

TEST_F(TrayItems, CheckGesturesAsksOnlyWhenTheTrackerCanAndSavesNothing) {
    const std::string before = readAll(file);
    EXPECT_TRUE(state(TrayCommand::CheckGestures).greyed);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::CheckGestures, file));
    EXPECT_FALSE(s.shared.gestureCheckRequested);

    s.shared.gestureCheckAvailable = true;
    EXPECT_FALSE(state(TrayCommand::CheckGestures).greyed);
    EXPECT_FALSE(state(TrayCommand::CheckGestures).ticked);
    EXPECT_TRUE(runTrayCommand(s, TrayCommand::CheckGestures, file));
    EXPECT_TRUE(s.shared.gestureCheckRequested);
    EXPECT_EQ(readAll(file), before);
}

TEST_F(TrayItems, TheShellsOwnItemsAreLeftToTheShell) {
    for (const TrayCommand c : {TrayCommand::Options, TrayCommand::Manual, TrayCommand::About,
                                TrayCommand::Exit, TrayCommand::StartAtLogOn}) {
        EXPECT_FALSE(runTrayCommand(s, c, file)) << static_cast<int>(c);
        EXPECT_FALSE(state(c).greyed);
    }
    EXPECT_TRUE(trayItemState(s, TrayCommand::StartAtLogOn, {true}).ticked);
}

// The "Options" item and a click on the camera view, in both shells: not
// while the head is searched for; once the user can aim, the keyboard is
// hidden and the window opens; asked again while it is open, nothing at all
// happens, so the keyboard keeps what the first opening found.
TEST_F(TrayItems, TheOptionsWindowOpensOnceTheUserCanAimAndOnlyOnce) {
    constexpr WindowHandle kKeyboard = 77;
    testing::RecordingDesktop desktop;
    s.keyboard.window = kKeyboard;
    s.keyboard.hidden = false;
    chooseLargeView(s, desktop);
    desktop.calls.clear();
    EXPECT_FALSE(askForOptionsWindow(s, desktop));
    EXPECT_TRUE(desktop.calls.empty()) << "nothing changes during the head search";
    EXPECT_FALSE(s.keyboard.hidden);

    chooseCornerView(s);
    EXPECT_TRUE(askForOptionsWindow(s, desktop));
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_FALSE(s.keyboard.stayHidden);
    EXPECT_EQ(desktop.calls.size(), 1u);

    // The shell opened the window; a second request changes nothing.
    s.shared.optionsOpen = true;
    EXPECT_FALSE(askForOptionsWindow(s, desktop));
    EXPECT_EQ(desktop.calls.size(), 1u);
    EXPECT_FALSE(s.keyboard.stayHidden) << "the keyboard would stay hidden after the window";
}

// A first start writes the chosen engine into a new folder; a later one
// keeps the file exactly as the user left it.
TEST_F(TrayItems, ANewUserStartsWithTheEngineChosenAndAnExistingFileIsKept) {
    const fs::path fresh = dir / "new" / "options.cfg";
    TrackerState first;
    loadOptionsOrStartNewUser(first, fresh, PreciseEngine);
    EXPECT_EQ(first.shared.engineChoice, PreciseEngine);
    EXPECT_EQ(readAll(fresh), kPreciseForm);

    std::ofstream(fresh, std::ios::binary | std::ios::trunc) << "0 1 0 0 0 1 0 1 0 0 1 0 1 0 0\n";
    TrackerState later;
    loadOptionsOrStartNewUser(later, fresh, PreciseEngine);
    EXPECT_EQ(later.shared.engineChoice, ClassicEngine);
    EXPECT_EQ(readAll(fresh), "0 1 0 0 0 1 0 1 0 0 1 0 1 0 0\n");

    // Turned off, a new user gets the program's own default, classic.
    const fs::path off = dir / "off" / "options.cfg";
    TrackerState classic;
    loadOptionsOrStartNewUser(classic, off, ClassicEngine);
    EXPECT_EQ(classic.shared.engineChoice, ClassicEngine);
    EXPECT_FALSE(fs::exists(off.parent_path()));
}

}  // namespace
}  // namespace quil
