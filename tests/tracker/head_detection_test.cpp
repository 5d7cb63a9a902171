#include "tracker/head_detection.h"

#include <gtest/gtest.h>

#include "tracker_fixture.h"

namespace quil {
namespace {

using testing::DesktopCall;
using testing::RecordingDesktop;

// Profiles whose strong entries are exactly the given row and column ranges.
void setProfiles(TrackerState& s, int firstRow, int firstCol, int lastCol, int32_t value = 10) {
    clearProfiles(s);
    s.rowProfile[static_cast<size_t>(firstRow)] = value;
    for (int c = firstCol; c <= lastCol; ++c) s.colProfile[static_cast<size_t>(c)] = value;
}

struct Box {
    int top, bottom, left, right;
    friend bool operator==(const Box&, const Box&) = default;
};
Box boxOf(const TrackerState& s) { return {s.headTop, s.headBottom, s.headLeft, s.headRight}; }

TEST(HeadBoxArithmetic, WorkedExampleIsAccepted) {
    auto s = testing::startedState();
    setProfiles(*s, 8, 20, 39);
    s->rowProfile[30] = 4;  // weaker rows further down do not matter
    EXPECT_TRUE(boxFromProfiles(*s));
    EXPECT_EQ(boxOf(*s), (Box{380, 114, 200, 400}));
}

TEST(HeadBoxArithmetic, PlausibilityLimits) {
    auto s = testing::startedState();
    setProfiles(*s, 8, 20, 34);  // width 150, height 200
    EXPECT_FALSE(boxFromProfiles(*s));
    EXPECT_EQ(boxOf(*s), (Box{380, 180, 200, 350}));
    setProfiles(*s, 8, 20, 35);  // width 160, height 213
    EXPECT_TRUE(boxFromProfiles(*s));
    EXPECT_EQ(s->headBottom, 167);

    setProfiles(*s, 20, 20, 39);  // top 260, bottom -6
    EXPECT_FALSE(boxFromProfiles(*s));
    EXPECT_EQ(boxOf(*s), (Box{260, -6, 200, 400}));
    setProfiles(*s, 46, 20, 39);  // top 0
    EXPECT_FALSE(boxFromProfiles(*s));
    setProfiles(*s, 47, 20, 39);  // top -10
    EXPECT_FALSE(boxFromProfiles(*s));

    setProfiles(*s, 0, 0, 19);  // touches the left edge
    EXPECT_FALSE(boxFromProfiles(*s));
    setProfiles(*s, 0, 1, 20);
    EXPECT_TRUE(boxFromProfiles(*s));
    EXPECT_EQ(boxOf(*s), (Box{460, 194, 10, 210}));
    setProfiles(*s, 0, 44, 63);  // touches the right edge: right = 640
    EXPECT_FALSE(boxFromProfiles(*s));
    setProfiles(*s, 0, 43, 62);
    EXPECT_TRUE(boxFromProfiles(*s));
}

TEST(HeadBoxArithmetic, AnEntryOfExactlyHalfTheMaximumDoesNotCount) {
    auto s = testing::startedState();
    setProfiles(*s, 8, 20, 39, 6);
    s->rowProfile[5] = 3;
    s->colProfile[19] = 3;
    s->colProfile[40] = 4;
    EXPECT_TRUE(boxFromProfiles(*s));
    EXPECT_EQ(boxOf(*s), (Box{380, 100, 200, 410}));  // row 5 and column 19 ignored
}

TEST(HeadBoxStep, NothingMovedRejectsWithoutReadingPastTheProfiles) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    s->state = HeadBox;
    stepHeadBox(*s, desktop, frame);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST(HeadBoxStep, RejectionClearsTheProfilesAndReturnsToMotionSearch) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    allocFeatureSet(s->frameMotion, 3072);
    setProfiles(*s, 8, 20, 34);
    s->state = HeadBox;
    stepHeadBox(*s, desktop, frame);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_EQ(s->rowProfile, IntList(48, 0));
    EXPECT_EQ(s->colProfile, IntList(64, 0));
    EXPECT_EQ(s->frameMotion.size(), 3072);  // kept for the next detection pass
    EXPECT_TRUE(s->headIndices.empty());
    EXPECT_TRUE(desktop.calls.empty());
}

TEST(HeadBoxStep, AcceptancePreparesTheCalibrationBuffers) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    allocFeatureSet(s->frameMotion, 3072);
    s->blockOffsets = makeBlockOffsets(10, 10, 480);
    s->calibFrames = 66;
    setProfiles(*s, 8, 20, 39);
    s->state = HeadBox;
    stepHeadBox(*s, desktop, frame);

    EXPECT_EQ(s->state, Calibration);
    EXPECT_EQ(s->calibFrames, 0);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::StartEyes}}));
    EXPECT_FALSE(s->frameMotion.held());
    ASSERT_EQ(s->headIndices.size(), 53667u);
    EXPECT_EQ(s->headIndices.front(), 96100);
    EXPECT_EQ(s->headIndices[266], 96100 + 266);  // a column's 267 cells are consecutive
    EXPECT_EQ(s->headIndices[267], 96580);
    EXPECT_EQ(s->headIndices.back(), 192366);
    EXPECT_EQ(s->headCurrent.size(), 53667u);
    EXPECT_EQ(s->headPrevious.size(), 53667u);
    EXPECT_EQ(s->headBlockRows, 44);
    EXPECT_EQ(s->headBlockCols, 33);
    EXPECT_EQ(s->headMotion.size(), 44 * 33);
    EXPECT_EQ(s->neighbourOffsets, neighbourOffsetsFor(44));
    EXPECT_EQ(s->blockOffsets, makeBlockOffsets(6, 6, 6));
    EXPECT_EQ(s->headRowProfile, IntList(44, 0));
    EXPECT_EQ(s->headColProfile, IntList(33, 0));
    EXPECT_EQ(s->headColStarts[32], 32 * 44);
    EXPECT_EQ(s->headRowIndices[43], 43);
}

TEST(MotionSearchStep, ElevenFramesThenHeadBox) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    s->blockOffsets = makeBlockOffsets(10, 10, 480);
    allocFeatureSet(s->frameMotion, 3072);
    s->previousGrid = testing::gridOf(testing::texturedFrame(7));
    s->currentGrid = s->previousGrid;
    for (int i = 1; i <= 10; ++i) {
        stepMotionSearch(*s, desktop, frame);
        ASSERT_EQ(s->state, MotionSearch);
        ASSERT_EQ(s->detectFrames, i);
    }
    stepMotionSearch(*s, desktop, frame);
    EXPECT_EQ(s->state, HeadBox);
    EXPECT_EQ(s->detectFrames, 0);
    // Identical frames: nothing moved, the profiles stay empty.
    EXPECT_EQ(s->rowProfile, IntList(48, 0));
}

}  // namespace
}  // namespace quil
