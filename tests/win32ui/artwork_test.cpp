// The pictures linked into the program agree with the options window's
// layout: every clickable cell is framed exactly on its rectangle and has
// its empty tick square where the tick is drawn, and the painting puts the
// tick on the chosen cells only.
#include <gtest/gtest.h>

#include <memory>

#include "options/options_window_logic.h"
#include "options/window/options_window.h"
#include "win32ui_test_support.h"

namespace quil::win {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

TEST(Artwork, PicturesHaveTheirFixedSizes) {
    const Pixels options = loadBitmapPixels("Bitmap");
    EXPECT_EQ(options.width, 608);
    EXPECT_EQ(options.height, 514);
    const Pixels tick = loadBitmapPixels("checkbox");
    EXPECT_EQ(tick.width, 25);
    EXPECT_EQ(tick.height, 23);
    const Pixels open = loadBitmapPixels("Ojos1");
    const Pixels closed = loadBitmapPixels("Ojos2");
    ASSERT_EQ(open.width, 236);
    ASSERT_EQ(open.height, 400);
    ASSERT_EQ(closed.width, 236);
    ASSERT_EQ(closed.height, 400);
    // White pictures; they differ around the eyes only.
    EXPECT_EQ(open.at(2, 2), kWhite);
    int differ = 0;
    int differOutsideEyes = 0;
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 236; ++x) {
            if (open.at(x, y) == closed.at(x, y)) continue;
            ++differ;
            if (y < 100 || y > 160) ++differOutsideEyes;
        }
    }
    EXPECT_GT(differ, 100);
    EXPECT_EQ(differOutsideEyes, 0);
}

TEST(Artwork, IconComesInSeveralSizes) {
    const HMODULE self = GetModuleHandleA(nullptr);
    const HRSRC group = FindResourceA(self, "Icono", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    ASSERT_NE(dir, nullptr);
    const int count = dir[4] | (dir[5] << 8);
    ASSERT_GE(count, 3);
    bool has16 = false, has32 = false, has48 = false;
    for (int i = 0; i < count; ++i) {
        const int width = dir[6 + 14 * i];  // GRPICONDIRENTRY.bWidth
        has16 |= width == 16;
        has32 |= width == 32;
        has48 |= width == 48;
    }
    EXPECT_TRUE(has16 && has32 && has48);
    EXPECT_NE(LoadIconA(self, "Icono"), nullptr);
}

// Each cell's frame lies on its rectangle's border lines (the very pixels a
// click misses), the pixels just outside are not frame, and the empty tick
// square sits where the tick will be drawn.
TEST(Artwork, EveryCellIsFramedOnItsRectangleWithItsTickSquare) {
    const Pixels p = loadBitmapPixels("Bitmap");
    const Pixels tick = loadBitmapPixels("checkbox");
    ASSERT_EQ(p.width, 608);
    const uint32_t frame = p.at(kOptionLayout[0].cells[0].left, kOptionLayout[0].cells[0].top);
    EXPECT_NE(frame, kWhite);
    for (int row = 0; row < kButtonRow; ++row) {
        const auto& cells = kOptionLayout[static_cast<std::size_t>(row)];
        for (int col = 0; col < cells.count; ++col) {
            SCOPED_TRACE(::testing::Message() << "row " << row << " column " << col);
            const OptionRect& r = cells.cells[static_cast<std::size_t>(col)];
            const int mx = (r.left + r.right) / 2;
            const int my = (r.top + r.bottom) / 2;
            for (const auto& [x, y] : {std::pair{r.left, my},
                                       {r.right, my},
                                       {mx, r.top},
                                       {mx, r.bottom},
                                       {r.left, r.top},
                                       {r.right, r.bottom}}) {
                EXPECT_EQ(p.at(x, y), frame) << x << "," << y;
            }
            for (const auto& [x, y] : {std::pair{r.left - 1, my},
                                       {r.right + 1, my},
                                       {mx, r.top - 1},
                                       {mx, r.bottom + 1}}) {
                EXPECT_NE(p.at(x, y), frame) << x << "," << y;
            }
            // The empty square: the tick picture's outline, white inside.
            const OptionPoint t = tickPosition(row, col);
            EXPECT_TRUE(sameArea(p, t.x, t.y, tick, 0, 0, 25, 2));
            EXPECT_TRUE(sameArea(p, t.x, t.y, tick, 0, 0, 2, 23));
            EXPECT_EQ(p.at(t.x + 12, t.y + 11), kWhite);
            EXPECT_NE(tick.at(12, 11), kWhite);
        }
    }
    // The greyed eyebrows of rows 3 and 4 are drawn, but outside every cell.
    for (int y : {327, 416}) {
        bool drawn = false;
        for (int x = 232; x < 361; ++x) drawn |= p.at(x, y) != kWhite;
        EXPECT_TRUE(drawn);
        EXPECT_FALSE(hitTest(296, y).has_value());
    }
}

class PaintOptions : public ::testing::Test {
protected:
    void SetUp() override {
        screen_ = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen_);
        target_ = CreateCompatibleBitmap(screen_, 608, 514);
        old_ = SelectObject(memory_, target_);
        picture_ = LoadBitmapA(GetModuleHandleA(nullptr), kOptionsPictureName);
        check_ = LoadBitmapA(GetModuleHandleA(nullptr), kCheckMarkName);
        for (int i = 0; i < kOptionCount; ++i) s_->shared.optionFlags[i] = 0;
    }
    void TearDown() override {
        SelectObject(memory_, old_);
        DeleteObject(target_);
        DeleteObject(picture_);
        DeleteObject(check_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }
    Pixels paint(HBITMAP picture, HBITMAP check) {
        paintOptions(memory_, *s_, picture, check, 608, 514);
        SelectObject(memory_, old_);
        Pixels p = readBitmap(memory_, target_, 608, 514);
        SelectObject(memory_, target_);
        return p;
    }

    std::unique_ptr<TrackerState> s_ = std::make_unique<TrackerState>();
    HDC screen_ = nullptr;
    HDC memory_ = nullptr;
    HBITMAP target_ = nullptr;
    HGDIOBJ old_ = nullptr;
    HBITMAP picture_ = nullptr;
    HBITMAP check_ = nullptr;
};

TEST_F(PaintOptions, TickLandsSixAndFiveInsideTheCellOfEveryChosenValue) {
    s_->shared.optionFlags[0] = 1;          // row 0, first picture: tick at (168, 16)
    s_->shared.optionFlags[3 * 3 + 2] = 1;  // row 3, stopwatch
    const Pixels p = paint(picture_, check_);
    const Pixels tick = loadBitmapPixels("checkbox");
    const Pixels plain = loadBitmapPixels("Bitmap");
    EXPECT_TRUE(sameArea(p, 168, 16, tick, 0, 0, 25, 23));
    EXPECT_TRUE(sameArea(p, 491, 298, tick, 0, 0, 25, 23));
    EXPECT_TRUE(sameArea(p, 168 + 25, 16, plain, 168 + 25, 16, 30, 23));  // nothing spills
    const OptionPoint other = tickPosition(3, 0);
    EXPECT_TRUE(sameArea(p, other.x, other.y, plain, other.x, other.y, 25, 23));
}

TEST_F(PaintOptions, StrayValueInRowZerosUnusedColumnDrawsNothing) {
    s_->shared.optionFlags[2] = 1;  // no third picture in row 0: a hand-edited file
    const Pixels p = paint(picture_, check_);
    const Pixels plain = loadBitmapPixels("Bitmap");
    EXPECT_TRUE(sameArea(p, 0, 0, plain, 0, 0, 608, 514));
}

TEST_F(PaintOptions, MissingPicturesStillShowTheCellsAndTicks) {
    s_->shared.optionFlags[4] = 1;  // row 1, medium
    const Pixels p = paint(nullptr, nullptr);
    const OptionRect& ok = kOptionLayout[kButtonRow].cells[0];
    EXPECT_NE(p.at(ok.left, (ok.top + ok.bottom) / 2), kWhite);  // the button's frame
    const OptionPoint t = tickPosition(1, 1);
    EXPECT_NE(p.at(t.x + 12, t.y + 11), kWhite);  // a tick of some kind
    EXPECT_EQ(p.at(tickPosition(1, 0).x + 12, tickPosition(1, 0).y + 11), kWhite);
}

}  // namespace
}  // namespace quil::win
