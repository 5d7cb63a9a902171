#include "options/options_window_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "pointer/pointer_mapping.h"
#include "tests/support/recording_desktop.h"

namespace quil {
namespace {

namespace fs = std::filesystem;
using testing::DesktopCall;
using testing::RecordingDesktop;

std::array<int32_t, 3> row(const TrackerState& s, int r) {
    return {s.shared.optionFlags[r * 3], s.shared.optionFlags[r * 3 + 1],
            s.shared.optionFlags[r * 3 + 2]};
}
std::array<int32_t, 3> gestures(const std::array<std::atomic<int32_t>, 3>& g) {
    return {g[0], g[1], g[2]};
}

class OptionsWindow : public ::testing::Test {
protected:
    TrackerState s;
    RecordingDesktop desktop;

    void SetUp() override {
        s.session.screenWidth = 1024;
        s.session.screenHeight = 768;
        s.face.refX = 320;
        s.face.refY = 200;
        setHeadRange(s);  // as a calibration publishes the point
        // The default table, applied.
        for (const int i : {0, 4, 7, 10, 12}) s.shared.optionFlags[i] = 1;
        applyOptions(s);
    }
    OptionButton click(int r, int c) { return applyOptionClick(s, {r, c}); }
};

TEST(OptionsHitTest, BorderLinesMissAndTheFirstInnerPixelHits) {
    EXPECT_EQ(hitTest(162, 50), std::nullopt);
    EXPECT_EQ(hitTest(163, 50), (OptionCell{0, 0}));
    EXPECT_EQ(hitTest(312, 50), std::nullopt);
    EXPECT_EQ(hitTest(311, 50), (OptionCell{0, 0}));
    EXPECT_EQ(hitTest(200, 11), std::nullopt);
    EXPECT_EQ(hitTest(200, 12), (OptionCell{0, 0}));
    EXPECT_EQ(hitTest(200, 101), std::nullopt);
    EXPECT_EQ(hitTest(589, 100), (OptionCell{0, 1}));
    // Row 2's third cell sits one pixel lower than its neighbours.
    EXPECT_EQ(hitTest(200, 189), std::nullopt);
    EXPECT_EQ(hitTest(200, 190), (OptionCell{2, 0}));
    EXPECT_EQ(hitTest(500, 190), std::nullopt);
    EXPECT_EQ(hitTest(500, 191), (OptionCell{2, 2}));
    EXPECT_EQ(hitTest(200, 272), std::nullopt);
    EXPECT_EQ(hitTest(500, 272), (OptionCell{2, 2}));
    // The greyed picture between the eye and the mouth has no cell.
    EXPECT_EQ(hitTest(300, 320), std::nullopt);
    EXPECT_EQ(hitTest(400, 320), (OptionCell{3, 1}));
    EXPECT_EQ(hitTest(599, 450), (OptionCell{4, 2}));
    EXPECT_EQ(hitTest(100, 490), (OptionCell{5, 0}));
    EXPECT_EQ(hitTest(300, 490), (OptionCell{5, 1}));
    EXPECT_EQ(hitTest(545, 502), (OptionCell{5, 2}));
    EXPECT_EQ(hitTest(-5, -5), std::nullopt);
    EXPECT_EQ(hitTest(700, 600), std::nullopt);
}

TEST(OptionsHitTest, TickSitsInsideTheCellCorner) {
    EXPECT_EQ(tickPosition(0, 0), (OptionPoint{168, 16}));
    EXPECT_EQ(tickPosition(2, 2), (OptionPoint{481, 195}));
}

TEST_F(OptionsWindow, SingleChoiceRowsTakeEffectAtOnce) {
    EXPECT_EQ(click(0, 1), OptionButton::None);
    EXPECT_EQ(row(s, 0), (std::array<int32_t, 3>{0, 1, 0}));
    EXPECT_TRUE(s.shared.mirrorX);

    click(1, 0);
    EXPECT_EQ(row(s, 1), (std::array<int32_t, 3>{1, 0, 0}));
    EXPECT_EQ(s.shared.rangeScale, 0.7);
    EXPECT_EQ(s.shared.headRangeWidth, 45);
    EXPECT_EQ(s.shared.headRangeMinX, 297);
    click(1, 2);
    EXPECT_EQ(s.shared.rangeScale, 0.5);

    click(2, 0);
    EXPECT_EQ(row(s, 2), (std::array<int32_t, 3>{1, 0, 0}));
    EXPECT_EQ(s.shared.speedDivisor, 30.0);
    EXPECT_DOUBLE_EQ(s.shared.gainX, 1.0 / (50.0 * 50.0));
}

// The window's thread never reads the face template, which the tracker
// resets on a loss and rewrites at a calibration while the window is open.
TEST_F(OptionsWindow, TheHeadRangeIsResizedAroundThePublishedPointNotTheTemplate) {
    s.face.reset();  // lost: the template's point is gone
    click(1, 0);
    EXPECT_EQ(s.shared.headRangeWidth, 45);
    EXPECT_EQ(s.shared.headRangeMinX, 297);
    EXPECT_EQ(s.shared.headRangeCentreY, 200);
    click(1, 2);
    EXPECT_EQ(s.shared.headRangeMinX, 320 - 32 / 2);
}

TEST_F(OptionsWindow, AGestureNeverClicksAndDragsAtOnce) {
    click(3, 0);  // the eye drags: ticking it as a click does nothing
    EXPECT_EQ(row(s, 3), (std::array<int32_t, 3>{0, 1, 0}));
    click(4, 0);  // untick the eye's drag (the drag set may become empty)
    EXPECT_EQ(row(s, 4), (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(gestures(s.shared.dragGestures), (std::array<int32_t, 3>{0, 0, 0}));
    click(3, 0);
    EXPECT_EQ(row(s, 3), (std::array<int32_t, 3>{1, 1, 0}));
    EXPECT_EQ(gestures(s.shared.clickGestures), (std::array<int32_t, 3>{1, 1, 0}));
    click(4, 1);  // the mouth clicks: cannot drag
    EXPECT_EQ(row(s, 4), (std::array<int32_t, 3>{0, 0, 0}));
}

TEST_F(OptionsWindow, TheLastClickGestureStays) {
    click(3, 1);
    EXPECT_EQ(row(s, 3), (std::array<int32_t, 3>{0, 1, 0}));
    EXPECT_EQ(gestures(s.shared.clickGestures), (std::array<int32_t, 3>{0, 1, 0}));
    click(3, 2);
    click(3, 1);  // two ticked: one can go
    EXPECT_EQ(row(s, 3), (std::array<int32_t, 3>{0, 0, 1}));
    EXPECT_EQ(gestures(s.shared.clickGestures), (std::array<int32_t, 3>{0, 0, 1}));
}

// A file may hold values other than 0 and 1; they choose nothing, and must
// not count as a second click gesture that lets the only real one go.
TEST_F(OptionsWindow, TheLastClickGestureStaysBesideValuesThatChooseNothing) {
    for (const auto& other : {std::array<int32_t, 3>{1, 2, 0}, std::array<int32_t, 3>{1, -1, 0},
                              std::array<int32_t, 3>{7, 0, 1}}) {
        for (int k = 0; k < 3; ++k) {
            s.shared.optionFlags[9 + k] = other[static_cast<size_t>(k)];
            s.shared.optionFlags[12 + k] = 0;
        }
        applyOptions(s);
        const int only = other[0] == 1 ? 0 : 2;
        click(3, only);
        EXPECT_EQ(row(s, 3), other) << "the only click gesture went";
    }
    // Two real ticks beside a stray value: one of them may go.
    const std::array<int32_t, 3> twoTicks{1, 1, 5};
    for (int k = 0; k < 3; ++k) s.shared.optionFlags[9 + k] = twoTicks[static_cast<size_t>(k)];
    applyOptions(s);
    click(3, 0);
    EXPECT_EQ(row(s, 3), (std::array<int32_t, 3>{0, 1, 5}));
    EXPECT_EQ(gestures(s.shared.clickGestures), (std::array<int32_t, 3>{0, 1, 5}));
}

TEST_F(OptionsWindow, ButtonsAreNamedAndChangeNothing) {
    EXPECT_EQ(click(5, 0), OptionButton::Ok);
    EXPECT_EQ(click(5, 1), OptionButton::Cancel);
    EXPECT_EQ(click(5, 2), OptionButton::Exit);
    EXPECT_EQ(click(0, 2), OptionButton::None);  // row 0 has two cells
    EXPECT_EQ(click(6, 0), OptionButton::None);
    EXPECT_EQ(click(-1, 0), OptionButton::None);
    EXPECT_EQ(row(s, 0), (std::array<int32_t, 3>{1, 0, 0}));
    EXPECT_EQ(row(s, 5), (std::array<int32_t, 3>{0, 0, 0}));
}

TEST_F(OptionsWindow, CancelRestoresEverythingAndLeavesTheFileAlone) {
    const fs::path file = fs::temp_directory_path() / "quil_options_cancel.cfg";
    fs::remove(file);
    s.keyboard.window = 77;
    s.keyboard.hidden = true;
    s.shared.optionsOpen = true;
    const SavedOptions saved = snapshotOptions(s);
    click(0, 1);
    click(1, 0);
    click(2, 2);
    click(4, 0);
    click(3, 2);
    finishWithCancel(s, desktop, saved);
    EXPECT_EQ(snapshotOptions(s), saved);
    EXPECT_FALSE(s.shared.mirrorX);
    EXPECT_EQ(s.shared.rangeScale, 0.6);
    EXPECT_EQ(s.shared.speedDivisor, 45.0);
    EXPECT_EQ(gestures(s.shared.clickGestures), (std::array<int32_t, 3>{0, 1, 0}));
    EXPECT_EQ(gestures(s.shared.dragGestures), (std::array<int32_t, 3>{1, 0, 0}));
    EXPECT_EQ(s.shared.headRangeWidth, 39);
    EXPECT_FALSE(s.shared.optionsOpen);
    EXPECT_FALSE(fs::exists(file));
    // The keyboard the window hid comes back.
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{{DesktopCall::Show, 77, static_cast<int32_t>(ShowMode::Show)}}));
}

TEST_F(OptionsWindow, OkWritesTheSavedForm) {
    const fs::path file = fs::temp_directory_path() / "quil_options_ok.cfg";
    s.shared.optionsOpen = true;
    click(0, 1);
    finishWithOk(s, desktop, file);
    {
        // Closed before the file is removed: Windows refuses to remove an open file.
        std::ifstream in(file, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        EXPECT_EQ(text, "0 1 0 0 1 0 0 1 0 0 1 0 1 0 0");
    }
    EXPECT_FALSE(s.shared.optionsOpen);
    EXPECT_TRUE(desktop.calls.empty());  // no keyboard known: nothing shown
    fs::remove(file);
}

TEST_F(OptionsWindow, OkAndCancelKeepTheEngineChoice) {
    const fs::path file = fs::temp_directory_path() / "quil_options_engine.cfg";
    s.shared.engineChoice = PreciseEngine;
    s.shared.optionsOpen = true;
    const SavedOptions saved = snapshotOptions(s);
    click(2, 0);
    finishWithCancel(s, desktop, saved);
    EXPECT_EQ(s.shared.engineChoice, PreciseEngine);

    s.shared.optionsOpen = true;
    click(0, 1);
    finishWithOk(s, desktop, file);
    EXPECT_EQ(s.shared.engineChoice, PreciseEngine);
    {
        std::ifstream in(file, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        EXPECT_EQ(text, "0 1 0 0 1 0 0 1 0 0 1 0 1 0 0 1");
    }
    fs::remove(file);
}

TEST_F(OptionsWindow, OpeningIsRefusedDuringSearchAndOnlyOneWindowStarts) {
    s.keyboard.window = 77;
    s.keyboard.hidden = false;
    s.view.largeView = true;
    EXPECT_FALSE(requestOptionsWindow(s, desktop));
    EXPECT_FALSE(s.keyboard.hidden);
    EXPECT_TRUE(desktop.calls.empty());

    s.view.largeView = false;
    EXPECT_TRUE(requestOptionsWindow(s, desktop));
    EXPECT_TRUE(s.keyboard.hidden);
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{{DesktopCall::Show, 77, static_cast<int32_t>(ShowMode::Hide)}}));
    s.shared.optionsOpen = true;
    EXPECT_FALSE(requestOptionsWindow(s, desktop));
    EXPECT_TRUE(s.keyboard.stayHidden);  // already hidden: stays hidden on closing
}

TEST_F(OptionsWindow, PointerBoundsNarrowToTheWindowAndComeBack) {
    narrowPointerBounds(s);
    EXPECT_EQ(s.shared.clampMinX, 208);
    EXPECT_EQ(s.shared.clampMaxX, 815);
    EXPECT_EQ(s.shared.clampMinY, 127);
    EXPECT_EQ(s.shared.clampMaxY, 640);
    restorePointerBounds(s);
    EXPECT_EQ(s.shared.clampMinX, 1);
    EXPECT_EQ(s.shared.clampMaxX, 1014);
    EXPECT_EQ(s.shared.clampMinY, 1);
    EXPECT_EQ(s.shared.clampMaxY, 758);
    EXPECT_EQ(s.shared.mapWidth, 1024);
    EXPECT_EQ(s.shared.mapHeight, 768);
}

}  // namespace
}  // namespace quil
