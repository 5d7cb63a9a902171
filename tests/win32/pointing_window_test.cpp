// The pointing test's window under Wine, clicked as the tracker clicks (the
// pointer set, the button sent as input): scripted selections at known
// offsets from the lit targets give the throughput worked out here by hand,
// and the results file gets its line; a head shake, Escape or the end of
// the program leave it without one. The tray's item opens it over the screen.
#include "shell/pointing_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app_layer/texts.h"
#include "shell_fixture.h"
#include "tests/support/pointing_by_hand.h"

namespace quil::win {
namespace {

namespace fs = std::filesystem;

// The display's whole screen (scripts/test-windows).
constexpr int kWidth = kScreenWidth;
constexpr int kHeight = kScreenHeight;
constexpr COLORREF kWriting = RGB(230, 230, 230);

std::vector<std::string> lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// As the tracker clicks: the pointer put there, then the button pressed and
// released as input.
void click(int x, int y) {
    SetCursorPos(x, y);
    INPUT press[2]{};
    press[0].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].type = INPUT_MOUSE;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof(INPUT));
}

void pressKey(WORD key) {
    INPUT press[2]{};
    press[0].type = INPUT_KEYBOARD;
    press[0].ki.wVk = key;
    press[1].type = INPUT_KEYBOARD;
    press[1].ki.wVk = key;
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof(INPUT));
}

// Whether a pixel of the colour lies in the band of the screen.
bool screenShows(COLORREF colour, int top, int height) {
    const HDC screen = GetDC(nullptr);
    bool found = false;
    for (int y = top; y < top + height && !found; y += 2) {
        for (int x = 0; x < kWidth && !found; x += 1) found = GetPixel(screen, x, y) == colour;
    }
    ReleaseDC(nullptr, screen);
    return found;
}

using quil::testing::ByHand;
using quil::testing::Click;

Click centre(int k, double diameter) {
    return quil::testing::targetCentre(k, diameter, kWidth, kHeight);
}

ByHand byHand(const std::vector<Click>& clicks, double diameter, double width) {
    return quil::testing::throughputByHand(clicks, diameter, width, kWidth, kHeight);
}

class WinPointingWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() / ("quil_pointing_" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        window = std::make_unique<PointingWindow>();
        window->clock = [this] { return now; };
    }
    void TearDown() override {
        window.reset();
        pumpFor(20);
        fs::remove_all(dir);
    }

    void start(std::vector<pointing::Condition> conditions, const char* engine = "classic") {
        ASSERT_TRUE(window->start(GetModuleHandleA(nullptr), {0, 0, kWidth, kHeight}, results(),
                                  engine, std::move(conditions), 1));
        ASSERT_TRUE(pumpUntil([&] { return window->shown(); })) << "no window";
    }
    fs::path results() const { return dir / "pointing_tests.csv"; }

    // Clicks at `at` and waits until the window has taken the selection.
    bool select(Click at) {
        const pointing::PointingSession& s = *window->session();
        const int before = s.round() * pointing::kSelectionsPerRound + s.selectionInRound();
        now = at.seconds;
        click(static_cast<int>(at.x), static_cast<int>(at.y));
        return pumpUntil([&] {
            return s.round() * pointing::kSelectionsPerRound + s.selectionInRound() != before;
        });
    }

    fs::path dir;
    double now = 0;
    std::unique_ptr<PointingWindow> window;
};

// Whole pixels, as a pointer lands: offsets across and along the axis, one
// of them past the target's edge.
constexpr int kOffsets[][2] = {{0, 0},  {6, -3}, {-9, 2}, {3, 7},  {-2, -6}, {12, 1},
                               {-5, 4}, {1, -1}, {8, 8},  {-7, 0}, {40, 0},  {2, -4}};

TEST_F(WinPointingWindow, ScriptedClicksGiveTheThroughputWorkedOutByHand) {
    const std::vector<pointing::Condition> conditions{{400, 60}, {240, 40}};
    start(conditions);
    const HWND shown = FindWindowA(kPointingClassName, kPointingTitle);
    ASSERT_EQ(shown, window->window());
    RECT r{};
    GetWindowRect(shown, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, kWidth);
    EXPECT_EQ(r.bottom, kHeight);
    EXPECT_NE(GetWindowLongA(shown, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    double clock = 0;
    std::vector<ByHand> expected;
    int misses = 0;
    for (size_t c = 0; c < conditions.size(); ++c) {
        std::vector<Click> clicks;
        for (int k = 0; k < pointing::kSelectionsPerRound; ++k) {
            Click at = centre(k, conditions[c].distance);
            at.x = std::round(at.x) + kOffsets[k][0];
            at.y = std::round(at.y) + kOffsets[k][1];
            // Uneven times, slower on the wider circle.
            clock += 0.6 + 0.1 * (k % 4) + 0.2 * static_cast<double>(c);
            at.seconds = clock;
            clicks.push_back(at);
            ASSERT_TRUE(select(at)) << "condition " << c << " click " << k;
        }
        expected.push_back(byHand(clicks, conditions[c].distance, conditions[c].width));
        misses += expected.back().misses;
    }
    ASSERT_TRUE(window->result());
    const pointing::TestResult& result = *window->result();
    ASSERT_EQ(result.conditions.size(), 2u);
    for (size_t c = 0; c < 2; ++c) {
        EXPECT_NEAR(result.conditions[c].effectiveWidth, expected[c].width, 1e-9) << c;
        EXPECT_NEAR(result.conditions[c].throughput, expected[c].throughput, 1e-9) << c;
    }
    EXPECT_NEAR(result.throughput, (expected[0].throughput + expected[1].throughput) / 2, 1e-9);
    EXPECT_EQ(misses, 2);  // the far offset, on both circles
    EXPECT_EQ(result.misses, misses);
    EXPECT_EQ(result.trials, 22);

    // The line in the results file, with the same figure.
    EXPECT_TRUE(window->saved());
    const auto written = lines(results());
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].rfind("date,engine,throughput_bps", 0), 0u);
    char figure[32];
    std::snprintf(figure, sizeof figure, ",classic,%.3f,", result.throughput);
    EXPECT_NE(written[1].find(figure), std::string::npos) << written[1];

    // The figures drawn (the heading's line shows writing), and the close
    // button, clicked as any target.
    const HWND close = window->closeButton();
    ASSERT_TRUE(pumpUntil([&] { return IsWindowVisible(close) != FALSE; }));
    EXPECT_TRUE(pumpUntil([&] { return screenShows(kWriting, 72, 36); })) << "no figures";
    wintest::screenshot("pointing_results");
    RECT button{};
    GetWindowRect(close, &button);
    EXPECT_GE(button.right - button.left, 200) << "a head must reach it";
    click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    EXPECT_TRUE(pumpUntil([&] { return !window->shown(); })) << "the close button did not close it";
    EXPECT_EQ(lines(results()).size(), 2u) << "saved once";
}

// The shake the tracker reports (its capture hands every frame's report to
// the window) and Escape both leave unsaved; any other loss does not.
TEST_F(WinPointingWindow, AHeadShakeOrEscapeLeavesWithoutSaving) {
    start({{300, 50}});
    ASSERT_TRUE(select(centre(0, 300)));
    // Two presses in quick succession at one place (a double click's
    // timing) are two selections: neither is lost as a double click.
    const Click next = centre(1, 300);
    click(static_cast<int>(next.x), static_cast<int>(next.y));
    click(static_cast<int>(next.x), static_cast<int>(next.y));
    EXPECT_TRUE(pumpUntil([&] { return window->session()->selectionInRound() == 3; }));
    FrameReport report;
    report.loss = LossReason::FaceLost;
    window->frameSeen(report);
    EXPECT_TRUE(window->testing());
    report.loss = LossReason::HeadShake;
    window->frameSeen(report);
    EXPECT_TRUE(pumpUntil([&] { return !window->shown(); })) << "the shake did not close it";
    EXPECT_FALSE(window->result());

    start({{300, 50}}, "precise");
    ASSERT_TRUE(select(centre(0, 300)));
    ASSERT_TRUE(pumpUntil([&] { return GetForegroundWindow() == window->window(); }));
    pressKey(VK_ESCAPE);
    EXPECT_TRUE(pumpUntil([&] { return !window->shown(); })) << "Escape did not close it";
    EXPECT_FALSE(window->result());
    EXPECT_FALSE(fs::exists(results()));
}

// From the tray menu's command: over the tracker's screen, beside the
// options file, refused while the options window waits; the program's end
// leaves it unsaved.
TEST_F(MainWindow, ThePointingTestItemOpensTheTestOverTheScreen) {
    const fs::path dir = wintest::freshWorkDir("pointing-item");
    app->optionsFile = dir / "options.cfg";
    s().shared.optionsOpen = true;
    EXPECT_EQ(send(WM_COMMAND, commandId(TrayCommand::PointingTest)), 1);
    EXPECT_FALSE(app->pointing.shown()) << "opened over the options window";

    s().shared.optionsOpen = false;
    EXPECT_EQ(send(WM_COMMAND, commandId(TrayCommand::PointingTest)), 1);
    ASSERT_TRUE(pumpUntil([&] { return app->pointing.testing(); }));
    RECT r{};
    GetWindowRect(app->pointing.window(), &r);
    EXPECT_EQ(r.right - r.left, kScreenWidth);
    EXPECT_EQ(r.bottom - r.top, kScreenHeight);
    ASSERT_TRUE(app->pointing.session());
    EXPECT_EQ(
        app->pointing.session()->totalRounds(),
        static_cast<int>(std::size(pointing::kDistanceShares) * std::size(pointing::kWidthShares)) *
            pointing::kDefaultRounds);

    DestroyWindow(main);
    EXPECT_FALSE(app->pointing.shown()) << "left open at the program's end";
    EXPECT_FALSE(fs::exists(dir / "pointing_tests.csv"));
}

}  // namespace
}  // namespace quil::win
