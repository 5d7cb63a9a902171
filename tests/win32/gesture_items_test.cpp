// The precise engine's gesture settings as the user reaches them: the tray
// menu's "Check gestures" and "Gesture sensitivity", worked with the mouse,
// and the gesture check's prompt window over the camera view.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app_layer/gesture_prompt.h"
#include "options/options_file.h"
#include "shell_fixture.h"

namespace quil::win {
namespace {

namespace fs = std::filesystem;

constexpr int kCheckItem = 4;
constexpr int kSensitivityItem = 5;
constexpr int kHighLevel = 2;  // in the submenu: Low, Medium, High
constexpr char kClassicForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0";

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class GestureItems : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        dir = fs::temp_directory_path() / ("quil_gesture_" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(dir);
        app->optionsFile = dir / "options.cfg";
        loadOptions(s(), app->optionsFile);
    }
    void TearDown() override {
        MainWindow::TearDown();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
};

TEST_F(GestureItems, CheckGesturesIsGreyedUntilTheTrackerCanThenChoosingItAsks) {
    const std::string before = readAll(app->optionsFile);
    const std::vector<MenuItem> greyed = visitTrayMenu(main, kCheckItem);
    ASSERT_GT(greyed.size(), size_t{kCheckItem});
    EXPECT_EQ(greyed[kCheckItem].text, "Check gestures");
    EXPECT_EQ(greyed[kCheckItem].state & (MF_GRAYED | MF_CHECKED), UINT{MF_GRAYED});
    pumpFor(100);
    EXPECT_FALSE(s().shared.gestureCheckRequested) << "a greyed item was carried out";

    s().shared.gestureCheckAvailable = true;
    const std::vector<MenuItem> open = visitTrayMenu(main, kCheckItem);
    ASSERT_GT(open.size(), size_t{kCheckItem});
    EXPECT_EQ(open[kCheckItem].state & (MF_GRAYED | MF_CHECKED), 0u);
    EXPECT_TRUE(pumpUntil([&] { return s().shared.gestureCheckRequested.load(); }));
    EXPECT_EQ(readAll(app->optionsFile), before) << "a request is not a setting";
}

std::vector<UINT> levelTicks(const std::vector<MenuItem>& items) {
    std::vector<UINT> ticks;
    if (items.size() <= size_t{kSensitivityItem}) return ticks;
    for (const MenuItem& level : items[kSensitivityItem].submenu) {
        ticks.push_back(level.state & MF_CHECKED);
    }
    return ticks;
}

TEST_F(GestureItems, TheSubmenuTicksTheLevelInUseAndAChosenLevelIsSaved) {
    const std::vector<MenuItem> items = visitTrayMenu(main, -1);
    ASSERT_GT(items.size(), size_t{kSensitivityItem});
    EXPECT_EQ(items[kSensitivityItem].text, "Gesture sensitivity");
    std::vector<std::string> levels;
    for (const MenuItem& level : items[kSensitivityItem].submenu) levels.push_back(level.text);
    EXPECT_EQ(levels, (std::vector<std::string>{"Low", "Medium", "High"}));
    EXPECT_EQ(levelTicks(items), (std::vector<UINT>{0, MF_CHECKED, 0}));

    visitTrayMenu(main, kSensitivityItem, kHighLevel);
    ASSERT_TRUE(pumpUntil([&] { return s().shared.gestureSensitivity == SensitivityHigh; }));
    // The seventeenth value, after the engine's sixteenth.
    EXPECT_EQ(readAll(app->optionsFile), std::string(kClassicForm) + " 0 2");
    EXPECT_EQ(levelTicks(visitTrayMenu(main, -1)), (std::vector<UINT>{0, 0, MF_CHECKED}));

    // Sent as the menu sends it: Low, saved; and refused while the options
    // window is open, whose table the save would write unconfirmed.
    EXPECT_EQ(send(WM_COMMAND, kCmdSensitivityLow), 1);
    EXPECT_EQ(readAll(app->optionsFile), std::string(kClassicForm) + " 0 0");
    s().shared.optionsOpen = true;
    EXPECT_EQ(send(WM_COMMAND, kCmdSensitivityMedium), 1);
    EXPECT_EQ(s().shared.gestureSensitivity, SensitivityLow);
    EXPECT_EQ(readAll(app->optionsFile), std::string(kClassicForm) + " 0 0");
}

// ---------------------------------------------------------------------------

// Above the caption of a step without a picture, where a step with one
// shows the top of the head.
constexpr PromptRect kTopBand{0, kPromptPictureTop, kPromptWidth, 52};

constexpr int kMidGrey = 3 * 128;

// Whether the screen shows ink (darker than mid-grey: the picture is scaled
// down smoothly) within `area` of the window's client area.
bool hasInk(HWND window, const PromptRect& area) {
    // The border takes a pixel each side: past the client area lies the
    // desktop, which is black.
    RECT client{};
    GetClientRect(window, &client);
    const int width = std::min<int>(area.width, client.right - area.x);
    const int height = std::min<int>(area.height, client.bottom - area.y);
    POINT origin{area.x, area.y};
    ClientToScreen(window, &origin);
    const HDC screen = GetDC(nullptr);
    bool ink = false;
    for (int y = 0; y < height && !ink; ++y) {
        for (int x = 0; x < width && !ink; ++x) {
            const COLORREF c = GetPixel(screen, origin.x + x, origin.y + y);
            ink = c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < kMidGrey;
        }
    }
    ReleaseDC(nullptr, screen);
    return ink;
}

// A window of the user's that holds the focus while the prompt comes and goes.
class PromptWindowTest : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        app->desktop.prompt.pictures = {LoadBitmapA(instance, kEyesClosedName),
                                        LoadBitmapA(instance, kMouthOpenName)};
        ASSERT_NE(app->desktop.prompt.pictures.mouthOpen, nullptr) << "no picture resource";
        work = CreateWindowExA(0, "STATIC", "work", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400,
                               300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(work, nullptr);
        SetForegroundWindow(work);
        SetFocus(work);
        ASSERT_TRUE(pumpUntil([&] { return GetForegroundWindow() == work; }));
    }
    void TearDown() override {
        if (IsWindow(work)) DestroyWindow(work);
        MainWindow::TearDown();
    }
    std::string title(HWND w) {
        char text[64] = {};
        GetWindowTextA(w, text, sizeof text);
        return text;
    }
    HWND work = nullptr;
};

TEST_F(PromptWindowTest, ShowsEachStepOverTheViewWithoutTakingFocusOrClicks) {
    const GesturePrompt steps[] = {GesturePrompt::CloseEyes, GesturePrompt::OpenMouth,
                                   GesturePrompt::Done, GesturePrompt::Failed};
    for (const GesturePrompt step : steps) {
        app->desktop.showGesturePrompt(step);
        const HWND prompt = app->desktop.prompt.window();
        ASSERT_NE(prompt, nullptr);
        ASSERT_TRUE(pumpUntil([&] { return IsWindowVisible(prompt) != FALSE; }));
        EXPECT_EQ(title(prompt), promptLook(step).caption);
        RECT r{};
        GetWindowRect(prompt, &r);
        const PromptRect place = promptPlace(s());
        EXPECT_EQ(r.left, place.x);
        EXPECT_EQ(r.top, place.y);
        EXPECT_EQ(r.right - r.left, kPromptWidth);
        EXPECT_NE(GetWindowLongPtrA(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        pumpFor(50);
        EXPECT_EQ(GetForegroundWindow(), work) << "the prompt took the focus";
        // A click over it lands on what lies beneath.
        const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        EXPECT_NE(WindowFromPoint(centre), prompt);
        // Drawn: black letters in the caption's band, and the face in the
        // top band only for the steps that show one.
        const bool face = promptLook(step).picture != PromptPicture::None;
        EXPECT_TRUE(pumpUntil([&] {
            return hasInk(prompt, promptCaptionRect(promptLook(step).picture)) &&
                   hasInk(prompt, kTopBand) == face;
        })) << promptLook(step).caption;
        if (step == GesturePrompt::CloseEyes) wintest::screenshot("gesture_prompt");
    }
    app->desktop.showGesturePrompt(GesturePrompt::None);
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(app->desktop.prompt.window()) == FALSE; }));
    EXPECT_EQ(GetForegroundWindow(), work);
}

TEST_F(PromptWindowTest, OverTheCornerViewItStaysWholeOnTheScreen) {
    chooseCornerView(s());
    app->desktop.showGesturePrompt(GesturePrompt::CloseEyes);
    const HWND prompt = app->desktop.prompt.window();
    ASSERT_NE(prompt, nullptr);
    RECT r{};
    GetWindowRect(prompt, &r);
    EXPECT_EQ(r.right, kScreenWidth);
    EXPECT_LE(r.bottom, kScreenHeight);
    EXPECT_GT(r.bottom, s().view.viewY) << "not over the corner view";
    // Teardown takes it away with the rest.
    DestroyWindow(main);
    EXPECT_FALSE(IsWindowVisible(prompt));
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
}  // namespace quil::win
