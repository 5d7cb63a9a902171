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
    s.detection.rowProfile[static_cast<size_t>(firstRow)] = value;
    for (int c = firstCol; c <= lastCol; ++c)
        s.detection.colProfile[static_cast<size_t>(c)] = value;
}

struct Box {
    int top, bottom, left, right;
    friend bool operator==(const Box&, const Box&) = default;
};
Box boxOf(const TrackerState& s) {
    return {s.detection.headTop, s.detection.headBottom, s.detection.headLeft,
            s.detection.headRight};
}

TEST(HeadBoxArithmetic, WorkedExampleIsAccepted) {
    auto s = testing::startedState();
    setProfiles(*s, 8, 20, 39);
    s->detection.rowProfile[30] = 4;  // weaker rows further down do not matter
    EXPECT_TRUE(boxFromProfiles(s->detection));
    EXPECT_EQ(boxOf(*s), (Box{380, 114, 200, 400}));
}

TEST(HeadBoxArithmetic, PlausibilityLimits) {
    auto s = testing::startedState();
    setProfiles(*s, 8, 20, 34);  // width 150, height 200
    EXPECT_FALSE(boxFromProfiles(s->detection));
    EXPECT_EQ(boxOf(*s), (Box{380, 180, 200, 350}));
    setProfiles(*s, 8, 20, 35);  // width 160, height 213
    EXPECT_TRUE(boxFromProfiles(s->detection));
    EXPECT_EQ(s->detection.headBottom, 167);

    setProfiles(*s, 20, 20, 39);  // top 260, bottom -6
    EXPECT_FALSE(boxFromProfiles(s->detection));
    EXPECT_EQ(boxOf(*s), (Box{260, -6, 200, 400}));
    setProfiles(*s, 46, 20, 39);  // top 0
    EXPECT_FALSE(boxFromProfiles(s->detection));
    setProfiles(*s, 47, 20, 39);  // top -10
    EXPECT_FALSE(boxFromProfiles(s->detection));

    setProfiles(*s, 0, 0, 19);  // touches the left edge
    EXPECT_FALSE(boxFromProfiles(s->detection));
    setProfiles(*s, 0, 1, 20);
    EXPECT_TRUE(boxFromProfiles(s->detection));
    EXPECT_EQ(boxOf(*s), (Box{460, 194, 10, 210}));
    setProfiles(*s, 0, 44, 63);  // touches the right edge: right = 640
    EXPECT_FALSE(boxFromProfiles(s->detection));
    setProfiles(*s, 0, 43, 62);
    EXPECT_TRUE(boxFromProfiles(s->detection));
}

TEST(HeadBoxArithmetic, AnEntryOfExactlyHalfTheMaximumDoesNotCount) {
    auto s = testing::startedState();
    setProfiles(*s, 8, 20, 39, 6);
    s->detection.rowProfile[5] = 3;
    s->detection.colProfile[19] = 3;
    s->detection.colProfile[40] = 4;
    EXPECT_TRUE(boxFromProfiles(s->detection));
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
    allocFeatureSet(s->detection.frameMotion, 3072);
    setProfiles(*s, 8, 20, 34);
    s->state = HeadBox;
    stepHeadBox(*s, desktop, frame);
    EXPECT_EQ(s->state, MotionSearch);
    EXPECT_EQ(s->detection.rowProfile, IntList(48, 0));
    EXPECT_EQ(s->detection.colProfile, IntList(64, 0));
    EXPECT_EQ(s->detection.frameMotion.size(), 3072);  // kept for the next detection pass
    EXPECT_TRUE(s->detection.headIndices.empty());
    EXPECT_TRUE(desktop.calls.empty());
}

TEST(HeadBoxStep, AcceptancePreparesTheCalibrationBuffers) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    allocFeatureSet(s->detection.frameMotion, 3072);
    s->detection.blockOffsets = makeBlockOffsets(10, 10, 480);
    s->detection.calibFrames = 66;
    setProfiles(*s, 8, 20, 39);
    s->state = HeadBox;
    stepHeadBox(*s, desktop, frame);

    EXPECT_EQ(s->state, Calibration);
    EXPECT_EQ(s->detection.calibFrames, 0);
    EXPECT_EQ(desktop.calls, (std::vector<DesktopCall>{{DesktopCall::StartEyes}}));
    EXPECT_FALSE(s->detection.frameMotion.held());
    ASSERT_EQ(s->detection.headIndices.size(), 53667u);
    EXPECT_EQ(s->detection.headIndices.front(), 96100);
    EXPECT_EQ(s->detection.headIndices[266], 96100 + 266);  // a column's 267 cells are consecutive
    EXPECT_EQ(s->detection.headIndices[267], 96580);
    EXPECT_EQ(s->detection.headIndices.back(), 192366);
    EXPECT_EQ(s->detection.headCurrent.size(), 53667u);
    EXPECT_EQ(s->detection.headPrevious.size(), 53667u);
    EXPECT_EQ(s->detection.headBlockRows, 44);
    EXPECT_EQ(s->detection.headBlockCols, 33);
    EXPECT_EQ(s->detection.headMotion.size(), 44 * 33);
    EXPECT_EQ(s->frame.neighbourOffsets, neighbourOffsetsFor(44));
    EXPECT_EQ(s->detection.blockOffsets, makeBlockOffsets(6, 6, 6));
    EXPECT_EQ(s->detection.headRowProfile, IntList(44, 0));
    EXPECT_EQ(s->detection.headColProfile, IntList(33, 0));
    EXPECT_EQ(s->detection.headColStarts[32], 32 * 44);
    EXPECT_EQ(s->detection.headRowIndices[43], 43);
}

TEST(MotionSearchStep, ElevenFramesThenHeadBox) {
    auto s = testing::startedState();
    RecordingDesktop desktop;
    FrameInput frame{};
    s->detection.blockOffsets = makeBlockOffsets(10, 10, 480);
    allocFeatureSet(s->detection.frameMotion, 3072);
    s->frame.previousGrid = testing::gridOf(testing::texturedFrame(7));
    s->frame.currentGrid = s->frame.previousGrid;
    for (int i = 1; i <= 10; ++i) {
        stepMotionSearch(*s, desktop, frame);
        ASSERT_EQ(s->state, MotionSearch);
        ASSERT_EQ(s->detection.detectFrames, i);
    }
    stepMotionSearch(*s, desktop, frame);
    EXPECT_EQ(s->state, HeadBox);
    EXPECT_EQ(s->detection.detectFrames, 0);
    // Identical frames: nothing moved, the profiles stay empty.
    EXPECT_EQ(s->detection.rowProfile, IntList(48, 0));
}

}  // namespace
}  // namespace quil
