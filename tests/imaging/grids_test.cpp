#include "imaging/grids.h"

#include <gtest/gtest.h>

#include "tracker/imaging_steps.h"

namespace quil {
namespace {

TEST(BlockOffsets, ListsColumnsOfTheBlockInTheGridsStride) {
    const IntList frame = makeBlockOffsets(10, 10, 480);
    ASSERT_EQ(frame.size(), 100u);
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(frame[9], 9);
    EXPECT_EQ(frame[10], 480);
    EXPECT_EQ(frame[99], 4329);

    const IntList head = makeBlockOffsets(6, 6, 6);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(head[static_cast<size_t>(i)], i);

    EXPECT_EQ(makeBlockOffsets(5, 5, 37),
              (IntList{0,  1,  2,   3,   4,   37,  38,  39,  40,  41,  74,  75, 76,
                       77, 78, 111, 112, 113, 114, 115, 148, 149, 150, 151, 152}));
    EXPECT_EQ(makeBlockOffsets(5, 5, 50).back(), 204);
}

TEST(NeighbourOffsets, FollowTheFixedOrder) {
    EXPECT_EQ(neighbourOffsetsFor(48),
              (std::array<int32_t, 9>{0, -1, 1, 48, -48, -49, 47, -47, 49}));
    EXPECT_EQ(neighbourOffsetsFor(7), (std::array<int32_t, 9>{0, -1, 1, 7, -7, -8, 6, -6, 8}));
}

TEST(FeatureSetAlloc, ZeroesAllFiveArraysAndFreeEmptiesThem) {
    FeatureSet set;
    set.upShift = {7, 7};
    allocFeatureSet(set, 60);
    for (const IntList* m :
         {&set.mask, &set.upShift, &set.downShift, &set.leftShift, &set.rightShift}) {
        EXPECT_EQ(*m, IntList(60, 0));
    }
    freeFeatureSet(set);
    EXPECT_FALSE(set.held());
    EXPECT_TRUE(set.rightShift.empty());
}

TEST(Transpose, ColumnMajorBecomesRowMajor) {
    // Columns (a b), (c d), (e f) of a 2-row, 3-column grid.
    const IntList source{1, 2, 3, 4, 5, 6};
    IntList rows;
    transposeToRows(source, 2, 3, rows);
    EXPECT_EQ(rows, (IntList{1, 3, 5, 2, 4, 6}));
}

TEST(Profiles, AccumulateAddsAndClearResets) {
    TrackerState s;
    s.session.blockRows = 2;
    s.session.blockCols = 3;
    makeFrameProfiles(s);
    EXPECT_EQ(s.session.rowStarts, (IntList{0, 3}));
    EXPECT_EQ(s.session.colIndices, (IntList{0, 1, 2}));
    const IntList rowMajor{1, 0, 1, 0, 1, 1};
    accumulateProfiles(s, rowMajor);
    EXPECT_EQ(s.detection.rowProfile, (IntList{2, 2}));
    EXPECT_EQ(s.detection.colProfile, (IntList{1, 1, 2}));
    accumulateProfiles(s, rowMajor);
    EXPECT_EQ(s.detection.rowProfile, (IntList{4, 4}));
    EXPECT_EQ(s.detection.colProfile, (IntList{2, 2, 4}));
    clearProfiles(s);
    EXPECT_EQ(s.detection.rowProfile, (IntList{0, 0}));
    EXPECT_EQ(s.detection.colProfile, (IntList{0, 0, 0}));
}

TEST(Profiles, HeadSumsAreRecomputedEachCall) {
    TrackerState s;
    s.detection.headBlockRows = 2;
    s.detection.headBlockCols = 3;
    makeHeadProfiles(s.detection);
    EXPECT_EQ(s.detection.headColStarts, (IntList{0, 2, 4}));
    const IntList columnMajor{1, 0, 1, 1, 0, 1};  // columns (1 0), (1 1), (0 1)
    headRowSums(s.detection, columnMajor);
    headRowSums(s.detection, columnMajor);
    headColSums(s.detection, columnMajor);
    EXPECT_EQ(s.detection.headRowProfile, (IntList{2, 2}));
    EXPECT_EQ(s.detection.headColProfile, (IntList{1, 2, 1}));
}

TEST(RectIndexList, ListsTheBoxColumnByColumn) {
    IntList list;
    rectIndexList(380, 114, 400, 200, list);
    ASSERT_EQ(list.size(), 53667u);
    EXPECT_EQ(list.front(), 96100);
    EXPECT_EQ(list.back(), 192366);
    EXPECT_EQ(list[266], 96100 + 266);
    EXPECT_EQ(list[267], 96100 + 480);
}

TEST(Gather, CopiesThroughTheListAndNeverReadsOutsideTheSource) {
    const Grid source{10, 11, 12, 13};
    const IntList index{3, 0, -1, 4, 2};
    IntList out(5, 99);
    gather(source, out, index, 5);
    EXPECT_EQ(out, (IntList{13, 10, 0, 0, 12}));
}

TEST(IndexToColRow, SplitsByTheColumnLength) {
    EXPECT_EQ(indexToColRow(96100), (ColRow{200, 100}));
    EXPECT_EQ(indexToColRow(479), (ColRow{0, 479}));
    EXPECT_EQ(indexToColRow(307199), (ColRow{639, 479}));
}

}  // namespace
}  // namespace quil
