// The pointing test's window under Xvfb, clicked as the tracker clicks
// (XTest): scripted selections at known offsets from the lit targets give
// the throughput worked out here by hand, and the results file gets its
// line; Escape leaves without one.
#include "linux/app/pointing_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app_layer/texts.h"
#include "tests/support/pointing_by_hand.h"
#include "x11_watch.h"

namespace quil::lnx {
namespace {

namespace fs = std::filesystem;
using lnxtest::Screen;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

bool settle(const std::function<bool()>& ready) {
    const auto end = std::chrono::steady_clock::now() + lnxtest::kPatience;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (ready()) return true;
    }
    return ready();
}

std::vector<std::string> lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

using quil::testing::ByHand;
using quil::testing::Click;

Click centre(int k, double diameter) {
    return quil::testing::targetCentre(k, diameter, kWidth, kHeight);
}

ByHand byHand(const std::vector<Click>& clicks, double diameter, double width) {
    return quil::testing::throughputByHand(clicks, diameter, width, kWidth, kHeight);
}

class LinuxPointingWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quil_pointing_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        window = std::make_unique<PointingWindow>(dir / "pointing_tests.csv");
        window->clock = [this] { return now; };
    }
    void TearDown() override {
        window.reset();
        fs::remove_all(dir);
    }

    bool shown() { return screen.findWindow(kPointingTitle).has_value(); }

    // Clicks at `at` and waits until the window has taken the selection.
    bool select(Click at) {
        const pointing::PointingSession& s = *window->session();
        const int before = s.round() * pointing::kSelectionsPerRound + s.selectionInRound();
        now = at.seconds;
        screen.click(static_cast<int>(at.x), static_cast<int>(at.y));
        return settle([&] {
            return s.round() * pointing::kSelectionsPerRound + s.selectionInRound() != before;
        });
    }

    Screen screen;
    fs::path dir;
    double now = 0;
    std::unique_ptr<PointingWindow> window;
};

// Whole pixels, as a pointer lands: offsets across and along the axis, one
// of them past the target's edge.
constexpr int kOffsets[][2] = {{0, 0},  {6, -3}, {-9, 2}, {3, 7},  {-2, -6}, {12, 1},
                               {-5, 4}, {1, -1}, {8, 8},  {-7, 0}, {40, 0},  {2, -4}};

TEST_F(LinuxPointingWindow, ScriptedClicksGiveTheThroughputWorkedOutByHand) {
    const std::vector<pointing::Condition> conditions{{400, 60}, {240, 40}};
    window->start(QRect(0, 0, kWidth, kHeight), "classic", conditions, 1);
    ASSERT_TRUE(settle([&] { return shown(); })) << "no window";
    const lnxtest::Geometry g = screen.geometry(*screen.findWindow(kPointingTitle));
    ASSERT_EQ(g.x, 0);
    ASSERT_EQ(g.width, kWidth);

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
    const pointing::TestResult& r = *window->result();
    ASSERT_EQ(r.conditions.size(), 2u);
    for (size_t c = 0; c < 2; ++c) {
        EXPECT_NEAR(r.conditions[c].effectiveWidth, expected[c].width, 1e-9) << c;
        EXPECT_NEAR(r.conditions[c].throughput, expected[c].throughput, 1e-9) << c;
    }
    EXPECT_NEAR(r.throughput, (expected[0].throughput + expected[1].throughput) / 2, 1e-9);
    EXPECT_EQ(misses, 2);  // the far offset, on both circles
    EXPECT_EQ(r.misses, misses);
    EXPECT_EQ(r.trials, 22);

    // The line in the results file, with the same figure.
    EXPECT_TRUE(window->saved());
    const auto written = lines(dir / "pointing_tests.csv");
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].rfind("date,engine,throughput_bps", 0), 0u);
    char figure[32];
    std::snprintf(figure, sizeof figure, ",classic,%.3f,", r.throughput);
    EXPECT_NE(written[1].find(figure), std::string::npos) << written[1];

    // The close button, clicked as any target.
    QPushButton& close = window->closeButton();
    ASSERT_TRUE(settle([&] { return close.isVisible(); }));
    // The figures drawn: the heading's line shows writing.
    EXPECT_TRUE(settle([&] {
        const auto heading = screen.capture({0, 72, kWidth, 36});
        return std::find(heading.begin(), heading.end(), 0xE6E6E6u) != heading.end();
    }));
    screen.screenshot("linux_pointing_results");
    const QPoint middle = close.mapToGlobal(close.rect().center());
    screen.click(middle.x(), middle.y());
    EXPECT_TRUE(settle([&] { return !shown(); })) << "the close button did not close it";
}

TEST_F(LinuxPointingWindow, EscapeLeavesWithoutSaving) {
    window->start(QRect(0, 0, kWidth, kHeight), "precise", {{300, 50}}, 1);
    ASSERT_TRUE(settle([&] { return shown(); })) << "no window";
    ASSERT_TRUE(select(centre(0, 300)));
    screen.key(*screen.findWindow(kPointingTitle), "Escape");
    EXPECT_TRUE(settle([&] { return !shown(); })) << "Escape did not close it";
    EXPECT_FALSE(window->result());
    EXPECT_FALSE(fs::exists(dir / "pointing_tests.csv"));
}

}  // namespace
}  // namespace quil::lnx
