#include "tracker/calibration.h"

#include <gtest/gtest.h>

#include <limits>

#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

constexpr int R = 44;  // block rows of the worked-example box
constexpr int C = 33;

using testing::eyesSixtyApart;
using testing::inCalibration;

void mark(TrackerState& s, int col, int row) {
    s.detection.headMotion.mask[static_cast<size_t>(col * R + row)] = 1;
}

void markRect(TrackerState& s, int c0, int c1, int r0, int r1) {
    for (int c = c0; c <= c1; ++c) {
        for (int r = r0; r <= r1; ++r) mark(s, c, r);
    }
}

// n marks far below any band, at most four a row, so that they count toward
// the total but never form a band row.
void markFiller(TrackerState& s, int n) {
    for (int i = 0; i < n; ++i) mark(s, (i % 4) * 8 + (i / 4) % 8, 18 + i / 4);
}

int maskTotal(const TrackerState& s) {
    int t = 0;
    for (int32_t m : s.detection.headMotion.mask) t += m;
    return t;
}

// Two clean clusters: block columns 5..9 and 20..24 in rows 10..13 (40 marks).
void markTwoEyes(TrackerState& s) {
    markRect(s, 5, 9, 10, 13);
    markRect(s, 20, 24, 10, 13);
}

TEST(EyeMask, TotalMustLieBetween48And93) {
    for (auto [filler, expected] :
         {std::pair{7, false}, std::pair{8, true}, std::pair{53, true}, std::pair{54, false}}) {
        auto s = inCalibration();
        markTwoEyes(*s);
        markFiller(*s, filler);
        ASSERT_EQ(maskTotal(*s), 40 + filler);
        EyeClusters eyes;
        EXPECT_EQ(findEyeClusters(*s, eyes), expected) << "total " << 40 + filler;
        if (expected) {
            EXPECT_EQ(eyes.first, 10);
            EXPECT_EQ(eyes.last, 13);
            EXPECT_EQ(eyes.rising, (std::array{5, 20}));
            EXPECT_EQ(eyes.falling, (std::array{9, 24}));
        }
    }
}

TEST(EyeMask, RowsNeedFiveMarksAndColumnsMoreThanThree) {
    auto s = inCalibration();
    markTwoEyes(*s);
    markFiller(*s, 8);
    markRect(*s, 26, 29, 16, 16);  // a row of 4: not part of the band
    EyeClusters eyes;
    ASSERT_TRUE(findEyeClusters(*s, eyes));
    EXPECT_EQ(eyes.last, 13);
    EXPECT_EQ(s->detection.headRowProfile[16], 0);

    auto t = inCalibration();
    markTwoEyes(*t);
    markFiller(*t, 8);
    markRect(*t, 26, 30, 16, 16);  // a row of 5 widens the band to row 16
    ASSERT_TRUE(findEyeClusters(*t, eyes));
    EXPECT_EQ(eyes.last, 16);
    EXPECT_EQ(t->detection.headRowProfile[16], 5);
    // Its columns hold one mark each, so they stay out of the column profile.
    EXPECT_EQ(t->detection.headColProfile[26], 0);

    // A column of three marks drops out of its cluster; four keep it.
    auto u = inCalibration();
    markTwoEyes(*u);
    markFiller(*u, 9);
    u->detection.headMotion.mask[static_cast<size_t>(9 * R + 13)] = 0;
    ASSERT_FALSE(findEyeClusters(*u, eyes));  // cluster 5..8 is one column short
    EXPECT_EQ(u->detection.headColProfile[9], 0);
    EXPECT_EQ(u->detection.headColProfile[8], 1);
}

TEST(EyeMask, OneBandRowIsNotEnough) {
    auto s = inCalibration();
    markRect(*s, 5, 9, 10, 10);
    markRect(*s, 20, 24, 10, 10);
    markFiller(*s, 40);
    EyeClusters eyes;
    EXPECT_FALSE(findEyeClusters(*s, eyes));
    markRect(*s, 2, 6, 12, 12);  // a second row far enough to count
    EXPECT_TRUE(maskTotal(*s) <= 93);
    EXPECT_FALSE(findEyeClusters(*s, eyes));  // two rows, but no clusters of four marks
    EXPECT_EQ(eyes.first, 10);
    EXPECT_EQ(eyes.last, 12);
}

// Rows 10 and 14 are the strong band edges; rows 9, 11, 12, 13 and 15 hold
// four marks each, too few to count as rows, yet their marks complete the
// clusters. Marks in rows 30..34 would form a third cluster if kept.
TEST(EyeMask, WeakRowsInsideAndBesideTheBandKeepTheirMarksAndTheRestIsTrimmed) {
    auto s = inCalibration();
    for (int row : {10, 14}) {
        markRect(*s, 5, 9, row, row);
        markRect(*s, 20, 24, row, row);
    }
    const std::array<std::array<int, 4>, 5> weak = {
        {{5, 6, 7, 8}, {9, 20, 21, 22}, {23, 24, 5, 6}, {7, 8, 9, 20}, {21, 22, 23, 24}}};
    const std::array<int, 5> weakRows = {9, 11, 12, 13, 15};
    for (size_t i = 0; i < weak.size(); ++i) {
        for (int col : weak[i]) mark(*s, col, weakRows[i]);
    }
    for (int m = 0; m < 20; ++m) mark(*s, 14 + m % 5, 30 + m / 4);
    ASSERT_EQ(maskTotal(*s), 60);

    EyeClusters eyes;
    ASSERT_TRUE(findEyeClusters(*s, eyes));
    EXPECT_EQ(eyes.first, 10);
    EXPECT_EQ(eyes.last, 14);
    EXPECT_EQ(eyes.rising, (std::array{5, 20}));
    EXPECT_EQ(eyes.falling, (std::array{9, 24}));
    // Trimmed: rows up to first - 2 and from last + 2 on.
    EXPECT_EQ(s->detection.headMotion.mask[static_cast<size_t>(14 * R + 30)], 0);
    EXPECT_EQ(s->detection.headMotion.mask[static_cast<size_t>(5 * R + 9)], 1);
    EXPECT_EQ(s->detection.headMotion.mask[static_cast<size_t>(21 * R + 15)], 1);
}

TEST(EyeMask, ClusterShapeRules) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> clusters;  // block column ranges
        bool expected;
    };
    const std::vector<Case> cases = {
        {"five columns each", {{5, 9}, {20, 24}}, true},
        {"one of four columns", {{5, 8}, {20, 24}}, false},
        {"three clusters", {{2, 6}, {12, 16}, {24, 28}}, false},
        {"touching column 0", {{0, 4}, {20, 24}}, false},
        {"touching column C-1", {{5, 9}, {28, C - 1}}, false},
        {"one wide cluster", {{5, 24}}, false},
        {"right at both inner edges", {{1, 5}, {C - 6, C - 2}}, true},
    };
    for (const Case& c : cases) {
        auto s = inCalibration();
        for (auto [c0, c1] : c.clusters) markRect(*s, c0, c1, 10, 13);
        const int filler = std::max(0, 48 - maskTotal(*s));
        markFiller(*s, filler);
        ASSERT_LE(maskTotal(*s), 93) << c.name;
        EyeClusters eyes;
        EXPECT_EQ(findEyeClusters(*s, eyes), c.expected) << c.name;
    }
}

class TrackingSetUp : public ::testing::Test {
protected:
    void SetUp() override {
        s = inCalibration();
        s->frame.currentGrid = testing::gridOf(testing::texturedFrame(21));
        s->frame.previousGrid = s->frame.currentGrid;
    }
    std::unique_ptr<TrackerState> s;
    RecordingDesktop desktop;
};

TEST_F(TrackingSetUp, LatticeAndSearchWindowFromKnownEyes) {
    ASSERT_TRUE(setUpTracking(*s, desktop, eyesSixtyApart()));
    EXPECT_EQ(s->face.eyeAX, 42);
    EXPECT_EQ(s->face.eyeBX, 102);
    EXPECT_EQ(s->face.eyeAY, 84);
    EXPECT_EQ(s->face.eyeBY, 84);
    // y0 = 480 - 380 + 84 - 1 = 183; xA = 242; xB = 302.
    EXPECT_EQ(s->face.refX, 272);
    EXPECT_EQ(s->face.refY, 183);
    EXPECT_EQ(s->face.halfEyeGap, 30);
    EXPECT_EQ(s->face.latticeCount, 60);
    EXPECT_EQ(s->face.latticeCentre, 5 * 4800);
    ASSERT_EQ(s->face.latticeOffsets.size(), 60u);
    EXPECT_EQ(s->face.latticeOffsets[0], 0);
    EXPECT_EQ(s->face.latticeOffsets[5], 50);
    EXPECT_EQ(s->face.latticeOffsets[6], 4800);
    EXPECT_EQ(s->face.latticeOffsets[59], 9 * 4800 + 50);
    ASSERT_EQ(s->face.latticeReference.size(), 60u);
    EXPECT_EQ(s->face.latticeReference[0], s->frame.currentGrid[227 * 480 + 178]);
    EXPECT_EQ(s->face.latticeReference[59], s->frame.currentGrid[317 * 480 + 228]);
    EXPECT_TRUE(s->face.latticeRecords.empty());

    ASSERT_EQ(s->face.searchWindow.indices.size(), 17061u);
    EXPECT_EQ(s->face.searchWindow.indices[0], 157 * 480 + 118);
    EXPECT_EQ(s->face.searchWindow.indices[1], 158 * 480 + 118);  // rows listed left to right
    EXPECT_EQ(s->face.searchWindow.indices[141], 157 * 480 + 119);
    EXPECT_EQ(s->face.searchWindow.indices.back(), 297 * 480 + 238);
    // The calibration position of the first lattice point is a candidate.
    EXPECT_EQ(s->face.searchWindow.indices[60 * 141 + 70], 227 * 480 + 178);

    EXPECT_EQ(s->face.distanceMap.values.size(), static_cast<size_t>(kFrameCells));
    EXPECT_EQ(s->face.distanceMap.values[12345], std::numeric_limits<int32_t>::max());
    EXPECT_EQ(static_cast<int>(s->face.circleScratch.size()), s->session.circleCount);
    EXPECT_GT(s->session.circleCount, 0);
}

TEST_F(TrackingSetUp, TrackingBuffersReplaceTheHeadData) {
    ASSERT_TRUE(setUpTracking(*s, desktop, eyesSixtyApart()));
    EXPECT_EQ(s->clickPatches.eyePatchIndices.size(), 2257u);
    EXPECT_EQ(s->clickPatches.mouthPatchPrevious.size(), 1550u);
    EXPECT_EQ(s->clickPatches.eyePatchBlock, makeBlockOffsets(5, 5, 37));
    EXPECT_EQ(s->clickPatches.mouthPatchBlock, makeBlockOffsets(5, 5, 50));
    EXPECT_EQ((std::array{s->clickPatches.eyeBlockRows, s->clickPatches.eyeBlockCols,
                          s->clickPatches.mouthBlockRows, s->clickPatches.mouthBlockCols}),
              (std::array{7, 12, 10, 6}));
    EXPECT_EQ(s->clickPatches.eyeMotion.size(), 84);
    EXPECT_EQ(s->clickPatches.mouthMotion.size(), 60);
    EXPECT_EQ(s->shared.headRangeCentreY.load(), 183);  // the range was set from the new reference
    EXPECT_GT(s->shared.gainX.load(), 0.0);

    EXPECT_FALSE(s->detection.headMotion.held());
    EXPECT_TRUE(s->detection.headRowProfile.empty());
    EXPECT_TRUE(s->detection.headColStarts.empty());
    EXPECT_EQ(s->detection.headIndices.size(), 53667u);  // kept
    EXPECT_EQ(s->detection.blockOffsets.size(), 36u);
}

TEST_F(TrackingSetUp, DesktopEffectsInOrderWithNoKeyboardKnown) {
    ASSERT_TRUE(setUpTracking(*s, desktop, eyesSixtyApart()));
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{
                                 {DesktopCall::CloseEyes, testing::kEyesWindow},
                                 {DesktopCall::Move, testing::kMainWindow, 896, 642, 128, 96},
                                 {DesktopCall::Move, testing::kCaptureWindow, 0, 0, 128, 96},
                                 {DesktopCall::LaunchKeyboard},
                                 {DesktopCall::SetCursor, 0, 1, 1},
                             }));
    EXPECT_EQ(s->state, Tracking);
    EXPECT_EQ(s->shared.lastCursor.load(), (ScreenPoint{1, 1}));
    EXPECT_EQ(desktop.cursor, (ScreenPoint{1, 1}));
    EXPECT_FALSE(s->view.largeView);
    EXPECT_TRUE(s->keyboard.hidden);
}

TEST_F(TrackingSetUp, AKnownKeyboardIsShownUnlessItShouldStayHidden) {
    s->keyboard.window = testing::kKeyboardWindow;
    ASSERT_TRUE(setUpTracking(*s, desktop, eyesSixtyApart()));
    EXPECT_TRUE(desktop.of(DesktopCall::LaunchKeyboard).empty());
    ASSERT_FALSE(desktop.calls.empty());
    EXPECT_EQ(desktop.calls.back(), (DesktopCall{DesktopCall::Show, testing::kKeyboardWindow,
                                                 static_cast<int32_t>(ShowMode::Show)}));
    EXPECT_FALSE(s->keyboard.hidden);
    EXPECT_TRUE(s->keyboard.stayHidden);

    auto t = inCalibration();
    t->frame.currentGrid = s->frame.previousGrid;
    t->keyboard.window = testing::kKeyboardWindow;
    t->keyboard.stayHidden = true;
    RecordingDesktop other;
    ASSERT_TRUE(setUpTracking(*t, other, eyesSixtyApart()));
    EXPECT_TRUE(other.of(DesktopCall::Show).empty());
    EXPECT_TRUE(other.of(DesktopCall::LaunchKeyboard).empty());
    EXPECT_TRUE(t->keyboard.hidden);
}

// The lattice's extent decides near the frame's edges: a lattice that runs
// past the grid's last cell is refused, one that wraps into the next column
// inside the grid is kept.
TEST_F(TrackingSetUp, LatticeAtTheFrameEdges) {
    // Right edge: the last lattice column at x = 639 (xA = 564).
    s->detection.headLeft = 522;
    ASSERT_TRUE(setUpTracking(*s, desktop, eyesSixtyApart()));
    EXPECT_EQ(s->face.latticeReference.back(), s->frame.currentGrid[639 * 480 + 228]);

    // Beyond the right edge by one column.
    auto t = inCalibration();
    t->frame.currentGrid = s->frame.previousGrid;
    t->detection.headLeft = 523;
    RecordingDesktop d2;
    EXPECT_FALSE(setUpTracking(*t, d2, eyesSixtyApart()));
    EXPECT_EQ(t->state, Calibration);
    EXPECT_TRUE(d2.calls.empty());
    EXPECT_TRUE(t->face.latticeOffsets.empty());
    EXPECT_EQ(t->detection.headMotion.size(), R * C);  // calibration can go on

    // Bottom-right corner: the last column's lowest row is 480, past the grid.
    auto u = inCalibration();
    u->frame.currentGrid = s->frame.previousGrid;
    u->detection.headLeft = 522;
    u->detection.headTop = 128;  // y0 = 435, lowest lattice row 480
    RecordingDesktop d3;
    EXPECT_FALSE(setUpTracking(*u, d3, eyesSixtyApart()));
    EXPECT_TRUE(d3.calls.empty());

    // Bottom edge away from the right: rows past 479 wrap into the next column.
    auto v = inCalibration();
    v->frame.currentGrid = s->frame.previousGrid;
    v->detection.headTop = 123;  // y0 = 440, lowest lattice row 485
    RecordingDesktop d4;
    ASSERT_TRUE(setUpTracking(*v, d4, eyesSixtyApart()));
    EXPECT_EQ(v->face.latticeReference[5], v->frame.currentGrid[228 * 480 + 5]);

    // Top-left: the smallest eye columns and band still lie inside the grid.
    auto w = inCalibration();
    w->frame.currentGrid = s->frame.previousGrid;
    w->detection.headLeft = 10;
    w->detection.headTop = 460;
    EyeClusters corner;
    corner.first = 0;
    corner.last = 1;
    corner.rising = {1, 11};
    corner.falling = {5, 15};
    RecordingDesktop d5;
    ASSERT_TRUE(setUpTracking(*w, d5, corner));
    // xA = 10 + 18 = 28, y0 = 20 + 18 - 1 = 37: first point (13, 32).
    EXPECT_EQ(w->face.latticeReference[0], w->frame.currentGrid[13 * 480 + 32]);
}

TEST(CalibrationStep, GivesUpOnThe66thFrameWithoutEvaluating) {
    auto s = inCalibration();
    RecordingDesktop desktop;
    FrameInput frame{};
    s->frame.currentGrid = testing::gridOf(testing::texturedFrame(30));
    s->frame.previousGrid = s->frame.currentGrid;
    s->detection.calibFrames = 64;
    stepCalibration(*s, desktop, frame);  // the 65th unsuccessful frame
    EXPECT_EQ(s->state, Calibration);
    EXPECT_EQ(s->detection.calibFrames, 65);
    EXPECT_TRUE(desktop.calls.empty());

    s->detection.rowProfile[3] = 9;
    s->detection.detectFrames = 4;
    s->frame.pauseActive = false;
    s->frame.pauseFrames = 7;
    stepCalibration(*s, desktop, frame);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_EQ(
        desktop.calls,
        (std::vector<DesktopCall>{
            {DesktopCall::CloseEyes, testing::kEyesWindow},
            {DesktopCall::Show, testing::kMainWindow, static_cast<int32_t>(ShowMode::ShowNormal)},
        }));
    // Detection starts over: no grids, no head box buffers, the pause again.
    EXPECT_TRUE(s->frame.previousGrid.empty());
    EXPECT_TRUE(s->detection.headIndices.empty());
    EXPECT_FALSE(s->detection.headMotion.held());
    EXPECT_EQ(s->frame.neighbourOffsets, neighbourOffsetsFor(48));
    EXPECT_TRUE(s->frame.pauseActive);
    EXPECT_EQ(s->frame.pauseFrames, 0);
    EXPECT_EQ(s->detection.rowProfile, IntList(48, 0));
    EXPECT_EQ(s->detection.detectFrames, 0);
}

TEST(CalibrationStep, AnUnchangedHeadBoxIsAnUnsuccessfulFrame) {
    auto s = inCalibration();
    RecordingDesktop desktop;
    FrameInput frame{};
    s->frame.currentGrid = testing::gridOf(testing::texturedFrame(31));
    s->frame.previousGrid = s->frame.currentGrid;
    stepCalibration(*s, desktop, frame);
    EXPECT_EQ(s->state, Calibration);
    EXPECT_EQ(s->detection.calibFrames, 1);
    EXPECT_EQ(s->detection.headCurrent[0], s->frame.currentGrid[96100]);
    EXPECT_EQ(s->detection.headPrevious.back(), s->frame.previousGrid[192366]);
}

}  // namespace
}  // namespace quil
