// The tray menu and the gesture check's prompt of the Linux program, in
// process under Xvfb: the menu as Qt builds it from the portable
// description, worked through its actions, and the prompt seen from the X
// server (its title, place, the focus it leaves alone and the clicks it lets
// through).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app_layer/gesture_prompt.h"
#include "linux/app/prompt_window.h"
#include "linux/app/tray_menu.h"
#include "options/options_file.h"
#include "tracker/views.h"
#include "x11_watch.h"

namespace quil::lnx {
namespace {

namespace fs = std::filesystem;
using lnxtest::Screen;

constexpr char kClassicForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0";

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Polls `ready` while Qt handles its events, until it holds or the patience
// runs out.
bool settle(const std::function<bool()>& ready) {
    const auto end = std::chrono::steady_clock::now() + lnxtest::kPatience;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (ready()) return true;
    }
    return ready();
}

// The menu's texts in order, a submenu's after its title in brackets.
std::vector<std::string> texts(const QMenu& menu) {
    std::vector<std::string> out;
    for (QAction* a : menu.actions()) {
        out.push_back(a->isSeparator() ? "" : a->text().toStdString());
        if (a->menu() != nullptr) {
            out.push_back("[");
            for (const std::string& t : texts(*a->menu())) out.push_back(t);
            out.push_back("]");
        }
    }
    return out;
}

class LinuxTrayMenu : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quil-linux-menu-" + std::to_string(getpid()));
        fs::remove_all(dir);
        file = dir / "quilbrand" / "options.cfg";
        setScreenDefaults(s, 1024, 768);
        applyOptionsText(s, kDefaultOptionsText);  // the defaults, no file yet
        tray = std::make_unique<TrayMenu>(
            menu, s, file, [this] { return TrayFacts{logOn}; },
            [this](TrayCommand c) { handed.push_back(c); });
    }
    void TearDown() override { fs::remove_all(dir); }
    QAction& item(TrayCommand c) { return *tray->action(c); }

    TrackerState s;
    fs::path dir;
    fs::path file;
    bool logOn = false;
    std::vector<TrayCommand> handed;
    QMenu menu;
    std::unique_ptr<TrayMenu> tray;
};

TEST_F(LinuxTrayMenu, HasTheWindowsItemsWithTheSensitivityInASubmenuAndTheLogOnSwitch) {
    EXPECT_EQ(texts(menu), (std::vector<std::string>{"Options",
                                                     "Precise tracking",
                                                     "Check gestures",
                                                     "Gesture sensitivity",
                                                     "[",
                                                     "Low",
                                                     "Medium",
                                                     "High",
                                                     "]",
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
                                                     "Start at log-on",
                                                     "Exit"}));
    // The three levels are one choice.
    ASSERT_NE(item(TrayCommand::SensitivityLow).actionGroup(), nullptr);
    EXPECT_EQ(item(TrayCommand::SensitivityLow).actionGroup(),
              item(TrayCommand::SensitivityHigh).actionGroup());
}

TEST_F(LinuxTrayMenu, OpeningItTicksAndGreysItemsAsTheStateNowStands) {
    emit menu.aboutToShow();
    EXPECT_FALSE(item(TrayCommand::PreciseTracking).isEnabled()) << "no model";
    EXPECT_FALSE(item(TrayCommand::CheckGestures).isEnabled());
    EXPECT_TRUE(item(TrayCommand::SensitivityMedium).isChecked());
    EXPECT_FALSE(item(TrayCommand::StartAtLogOn).isChecked());

    s.shared.preciseAvailable = true;
    s.shared.engineChoice = PreciseEngine;
    s.shared.gestureCheckAvailable = true;
    s.shared.gestureSensitivity = SensitivityLow;
    logOn = true;
    emit menu.aboutToShow();
    EXPECT_TRUE(item(TrayCommand::PreciseTracking).isEnabled());
    EXPECT_TRUE(item(TrayCommand::PreciseTracking).isChecked());
    EXPECT_TRUE(item(TrayCommand::CheckGestures).isEnabled());
    EXPECT_TRUE(item(TrayCommand::SensitivityLow).isChecked());
    EXPECT_FALSE(item(TrayCommand::SensitivityMedium).isChecked());
    EXPECT_TRUE(item(TrayCommand::StartAtLogOn).isChecked());

    s.shared.optionsOpen = true;
    emit menu.aboutToShow();
    EXPECT_FALSE(item(TrayCommand::PreciseTracking).isEnabled());
    EXPECT_FALSE(item(TrayCommand::SensitivityHigh).isEnabled());
}

TEST_F(LinuxTrayMenu, ALevelChosenIsSavedIntoANewFolderAndTheCheckIsAsked) {
    item(TrayCommand::SensitivityHigh).trigger();
    EXPECT_EQ(s.shared.gestureSensitivity, SensitivityHigh);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 0 2");
    EXPECT_TRUE(item(TrayCommand::SensitivityHigh).isChecked());

    // Greyed, the check is not asked for; Qt would not even offer it.
    item(TrayCommand::CheckGestures).trigger();
    EXPECT_FALSE(s.shared.gestureCheckRequested);
    s.shared.gestureCheckAvailable = true;
    emit menu.aboutToShow();
    item(TrayCommand::CheckGestures).trigger();
    EXPECT_TRUE(s.shared.gestureCheckRequested);
    EXPECT_TRUE(handed.empty()) << "a settings item reached the program";
}

TEST_F(LinuxTrayMenu, ThePreciseItemTogglesTheEngineAndSaves) {
    s.shared.preciseAvailable = true;
    emit menu.aboutToShow();
    item(TrayCommand::PreciseTracking).trigger();
    EXPECT_EQ(s.shared.engineChoice, PreciseEngine);
    EXPECT_EQ(readAll(file), std::string(kClassicForm) + " 1");
    item(TrayCommand::PreciseTracking).trigger();
    EXPECT_EQ(s.shared.engineChoice, ClassicEngine);
    EXPECT_FALSE(item(TrayCommand::PreciseTracking).isChecked());
}

// The extras' items are ticks of their own: the pause and the scroll mode
// ask the tracker, the saved choices flip and are saved; none reaches the
// program, and each shows its state when the menu opens.
TEST_F(LinuxTrayMenu, TheExtrasItemsAskTheTrackerOrSaveTheirChoiceWithATick) {
    for (const TrayCommand c : {TrayCommand::Pause, TrayCommand::Scroll, TrayCommand::AllScreens,
                                TrayCommand::ClickSounds, TrayCommand::KeepPause}) {
        EXPECT_TRUE(item(c).isCheckable()) << static_cast<int>(c);
        EXPECT_FALSE(item(c).isChecked()) << static_cast<int>(c);
    }
    item(TrayCommand::Pause).trigger();
    EXPECT_TRUE(s.shared.pauseToggleRequested);
    EXPECT_FALSE(item(TrayCommand::Pause).isChecked()) << "ticked before the tracker paused";
    s.shared.paused = true;
    emit menu.aboutToShow();
    EXPECT_TRUE(item(TrayCommand::Pause).isChecked());
    EXPECT_FALSE(item(TrayCommand::Scroll).isEnabled()) << "no scrolling while paused";
    s.shared.paused = false;
    emit menu.aboutToShow();
    item(TrayCommand::Scroll).trigger();
    EXPECT_TRUE(s.shared.scrollToggleRequested);

    item(TrayCommand::ClickSounds).trigger();
    EXPECT_TRUE(s.shared.clickSounds);
    EXPECT_TRUE(item(TrayCommand::ClickSounds).isChecked());
    item(TrayCommand::AllScreens).trigger();
    EXPECT_TRUE(s.shared.allScreens);
    EXPECT_TRUE(item(TrayCommand::AllScreens).isChecked());
    const std::string saved = readAll(file);
    item(TrayCommand::KeepPause).trigger();
    EXPECT_TRUE(s.shared.keepPause);
    EXPECT_NE(readAll(file), saved) << "the choice was not saved";
    EXPECT_TRUE(handed.empty()) << "an extra's item reached the program";
}

TEST_F(LinuxTrayMenu, TheProgramsOwnItemsAreHandedToIt) {
    for (const TrayCommand c :
         {TrayCommand::Options, TrayCommand::PointingTest, TrayCommand::Manual, TrayCommand::About,
          TrayCommand::StartAtLogOn, TrayCommand::Exit}) {
        item(c).trigger();
    }
    EXPECT_EQ(handed, (std::vector<TrayCommand>{TrayCommand::Options, TrayCommand::PointingTest,
                                                TrayCommand::Manual, TrayCommand::About,
                                                TrayCommand::StartAtLogOn, TrayCommand::Exit}));
    // The log-on tick is the entry's, not Qt's flip of it.
    EXPECT_FALSE(item(TrayCommand::StartAtLogOn).isChecked());
}

// ---------------------------------------------------------------------------

// Above the caption of a step without a picture, where a step with one
// shows the top of the head.
constexpr int kTopBand = 52;
constexpr int kMidGrey = 3 * 128;

// Whether the screen shows ink (darker than mid-grey: the picture is scaled
// down smoothly) in `area`.
bool hasInk(Screen& screen, const lnxtest::Geometry& area) {
    const auto pixels = screen.capture(area);
    return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) {
        return static_cast<int>((p >> 16) & 0xFF) + static_cast<int>((p >> 8) & 0xFF) +
                   static_cast<int>(p & 0xFF) <
               kMidGrey;
    });
}

// A window of the user's under the prompt's place, holding the focus and
// counting the presses it receives.
class Work final : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST(LinuxPromptWindow, ShowsEachStepOverTheViewWithoutTakingFocusOrClicks) {
    Screen screen;
    TrackerState s;
    setScreenDefaults(s, 1024, 768);
    chooseCornerView(s);
    const PromptRect place = promptPlace(s);
    EXPECT_EQ(place.x + place.width, 1024);

    Work work;
    work.setWindowTitle(QStringLiteral("work"));
    work.setGeometry(place.x - 100, place.y - 100, place.width + 100, place.height + 100);
    work.show();
    work.activateWindow();
    ASSERT_TRUE(settle([&] { return screen.focus() == work.winId(); })) << "no focus to keep";

    PromptWindow prompt(QImage(QStringLiteral(":/art/ojos2.bmp")),
                        QImage(QStringLiteral(":/art/boca.bmp")));
    const GesturePrompt steps[] = {GesturePrompt::CloseEyes, GesturePrompt::OpenMouth,
                                   GesturePrompt::Done, GesturePrompt::Failed};
    for (const GesturePrompt step : steps) {
        const char* caption = promptLook(step).caption;
        SCOPED_TRACE(caption);
        prompt.showStep(step, place);
        ASSERT_TRUE(settle([&] { return screen.findWindow(caption).has_value(); }));
        const lnxtest::Geometry g = screen.geometry(*screen.findWindow(caption));
        EXPECT_EQ(g.x, place.x);
        EXPECT_EQ(g.y, place.y);
        EXPECT_EQ(g.width, kPromptWidth);
        EXPECT_EQ(g.height, kPromptHeight);
        EXPECT_EQ(screen.focus(), work.winId()) << "the prompt took the focus";
        if (step == GesturePrompt::CloseEyes) screen.screenshot("linux_gesture_prompt");
        // Drawn: black letters in the caption's band, and the face in the top
        // band only for the steps that show one.
        const PromptPicture picture = promptLook(step).picture;
        const PromptRect c = promptCaptionRect(picture);
        EXPECT_TRUE(settle([&] {
            return hasInk(screen, {g.x + c.x + 1, g.y + c.y + 1, c.width - 2, c.height - 2}) &&
                   hasInk(screen, {g.x + 1, g.y + kPromptPictureTop, g.width - 2, kTopBand}) ==
                       (picture != PromptPicture::None);
        }));
    }

    const int before = work.presses;
    screen.click(place.x + place.width / 2, place.y + place.height / 2);
    EXPECT_TRUE(settle([&] { return work.presses > before; })) << "the click stopped at the prompt";

    prompt.showStep(GesturePrompt::None, place);
    EXPECT_TRUE(settle([&] { return !screen.findWindow("Intentelo de nuevo").has_value(); }));
    EXPECT_EQ(screen.focus(), work.winId());
}

}  // namespace
}  // namespace quil::lnx

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
