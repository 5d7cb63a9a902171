#include "imaging/circle_mask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

namespace quil {
namespace {

bool contains(const IntList& list, int32_t v) {
    return std::find(list.begin(), list.end(), v) != list.end();
}

TEST(AnglePoint, TruncatesWithPiTakenAsFourDecimals) {
    EXPECT_EQ(anglePoint(0, 25).dx, 25);
    EXPECT_EQ(anglePoint(0, 25).dy, 0);
    // sin 90 and cos 180 fall just short of 1 with this pi.
    EXPECT_EQ(anglePoint(90, 25).dy, 24);
    EXPECT_EQ(anglePoint(90, 25).dx, 0);
    EXPECT_EQ(anglePoint(180, 25).dx, -24);
    EXPECT_EQ(anglePoint(270, 25).dy, -24);
    EXPECT_EQ(anglePoint(360, 25).dx, 24);
    EXPECT_EQ(anglePoint(45, 25).dx, 17);
    EXPECT_EQ(anglePoint(45, 25).dy, 17);
}

TEST(CircleMask, RadiusTwentyFiveEndpointsAndMembers) {
    const IntList offsets = circleMaskOffsets(25);
    ASSERT_EQ(offsets.size(), 1942u);
    EXPECT_EQ(offsets.front(), -11526);
    EXPECT_EQ(offsets.back(), 12000);
    EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
    EXPECT_EQ(std::adjacent_find(offsets.begin(), offsets.end()), offsets.end());
    for (int32_t in : {0, 12000, -11520}) EXPECT_TRUE(contains(offsets, in)) << in;
    for (int32_t out : {-12000, 25, -25}) EXPECT_FALSE(contains(offsets, out)) << out;
    EXPECT_EQ(circleMaskOffsets(25), offsets);
}

// Each row of the disc is one run of columns; the table lists each row's
// extent for rows 0 to 24, mirrored for negative rows.
TEST(CircleMask, RadiusTwentyFiveRowExtents) {
    const std::map<int, std::pair<int, int>> upper = {
        {0, {-24, 25}},  {1, {-24, 24}},  {6, {-24, 24}},  {7, {-23, 23}},  {9, {-23, 23}},
        {10, {-22, 22}}, {11, {-22, 22}}, {12, {-21, 21}}, {13, {-21, 21}}, {14, {-20, 20}},
        {15, {-19, 19}}, {16, {-19, 19}}, {17, {-18, 18}}, {18, {-17, 17}}, {19, {-16, 16}},
        {20, {-14, 14}}, {21, {-13, 13}}, {22, {-11, 11}}, {23, {-9, 9}},   {24, {-6, 6}}};
    std::map<int, std::pair<int, int>> extent;  // dy -> (min dx, max dx)
    std::map<int, int> cells;
    for (int32_t off : circleMaskOffsets(25)) {
        const int dx = (off + 240 + 480 * 100) / 480 - 100;  // floor division
        const int dy = off - dx * 480;
        auto [it, fresh] = extent.try_emplace(dy, dx, dx);
        it->second.first = std::min(it->second.first, dx);
        it->second.second = std::max(it->second.second, dx);
        ++cells[dy];
    }
    ASSERT_EQ(extent.size(), 49u);  // rows -24 .. 24
    for (const auto& [dy, range] : extent) {
        auto row = upper.upper_bound(std::abs(dy));
        --row;
        const std::pair<int, int> want = dy == 0 ? upper.at(0) : row->second;
        EXPECT_EQ(range, want) << "row " << dy;
        EXPECT_EQ(cells[dy], range.second - range.first + 1) << "row " << dy << " has a gap";
    }
}

TEST(CircleMask, SmallRadii) {
    EXPECT_EQ(circleMaskOffsets(0), IntList{0});
    EXPECT_EQ(circleMaskOffsets(1), (IntList{0, 480}));
    EXPECT_EQ(circleMaskOffsets(2).size(), 10u);
    EXPECT_EQ(circleMaskOffsets(10).size(), 306u);
    EXPECT_EQ(circleMaskOffsets(25).size(), 1942u);
}

}  // namespace
}  // namespace quil
