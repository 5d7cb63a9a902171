#include "imaging/optical_flow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quil {
namespace {

// A smooth texture of overlapping blobs, sampled at (x - dx, y - dy): the
// same picture moved by (dx, dy).
GreyPlane blobs(int w, int h, double dx, double dy) {
    GreyPlane p;
    p.resize(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = x - dx, v = y - dy;
            const double value = 128 + 50 * std::sin(u * 0.13) * std::cos(v * 0.11) +
                                 30 * std::sin((u + v) * 0.07) +
                                 20 * std::cos(u * 0.045 - v * 0.06);
            p.pixels[static_cast<size_t>(y * w + x)] = static_cast<uint8_t>(std::lround(value));
        }
    }
    return p;
}

Pyramid pyramidOf(GreyPlane plane) {
    Pyramid p;
    p.levels[0] = std::move(plane);
    buildPyramid(p);
    return p;
}

TEST(OpticalFlow, HalvingTakesTheMeanOfEachBlockAndDropsAnOddEdge) {
    GreyPlane a;
    a.resize(5, 3);
    for (size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = static_cast<uint8_t>(10 * i);
    GreyPlane b;
    halve(a, b);
    ASSERT_EQ(b.width, 2);
    ASSERT_EQ(b.height, 1);
    EXPECT_EQ(b.at(0, 0), (0 + 10 + 50 + 60 + 2) / 4);
    EXPECT_EQ(b.at(1, 0), (20 + 30 + 70 + 80 + 2) / 4);
    GreyPlane tiny, out;
    tiny.resize(1, 1);
    halve(tiny, out);
    EXPECT_EQ(out.width, 0);
    EXPECT_TRUE(out.pixels.empty());
}

TEST(OpticalFlow, FollowsSubpixelAndLargeMotions) {
    const Pyramid from = pyramidOf(blobs(320, 240, 0, 0));
    for (const auto& [dx, dy] :
         {std::pair{0.4, -0.3}, std::pair{2.3, -1.7}, std::pair{-11.0, 9.5}}) {
        const Pyramid to = pyramidOf(blobs(320, 240, dx, dy));
        const std::vector<FlowPoint> points = {{100, 100}, {160, 120}, {200, 80}, {120, 170}};
        std::vector<FlowPoint> found(points.size());
        std::vector<uint8_t> ok(points.size());
        trackPoints(from, to, points, found, ok);
        for (size_t i = 0; i < points.size(); ++i) {
            ASSERT_TRUE(ok[i]) << "point " << i << " shift " << dx << "," << dy;
            EXPECT_NEAR(found[i].x - points[i].x, dx, 0.1);
            EXPECT_NEAR(found[i].y - points[i].y, dy, 0.1);
        }
    }
}

TEST(OpticalFlow, FlatWindowsAndPointsOffThePictureAreNotFollowed) {
    GreyPlane flat;
    flat.resize(160, 120);
    std::fill(flat.pixels.begin(), flat.pixels.end(), 90);
    const Pyramid a = pyramidOf(flat);
    std::vector<FlowPoint> points = {{80, 60}};
    std::vector<FlowPoint> found(1);
    std::vector<uint8_t> ok(1, 1);
    trackPoints(a, a, points, found, ok);
    EXPECT_FALSE(ok[0]);

    // Points on, near and past every edge are handled without reading
    // outside the picture (the sanitised build checks), and those that are or
    // end outside it are dropped.
    const Pyramid from = pyramidOf(blobs(160, 120, 0, 0));
    const Pyramid to = pyramidOf(blobs(160, 120, -6, 0));
    points = {{0, 0}, {159, 119}, {2, 60}, {-40, 30}, {80, 500}, {1e9F, -1e9F}, {NAN, 3}};
    found.resize(points.size());
    ok.assign(points.size(), 1);
    trackPoints(from, to, points, found, ok);
    EXPECT_FALSE(ok[3]);
    EXPECT_FALSE(ok[4]);
    EXPECT_FALSE(ok[5]);
    EXPECT_FALSE(ok[6]);
}

TEST(OpticalFlow, OutputsShorterThanThePointsAreFilledAsFarAsTheyGo) {
    const Pyramid a = pyramidOf(blobs(160, 120, 0, 0));
    const std::vector<FlowPoint> points = {{60, 60}, {80, 60}, {100, 60}};
    std::vector<FlowPoint> found(2);
    std::vector<uint8_t> ok(3, 7);
    trackPoints(a, a, points, found, ok);
    EXPECT_EQ(ok[0], 1);
    EXPECT_EQ(ok[1], 1);
    EXPECT_EQ(ok[2], 7);
}

// A dark square on a light ground: its four corners are the corners.
GreyPlane square() {
    GreyPlane p;
    p.resize(100, 80);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 30 && x < 60 && y >= 20 && y < 50;
            p.pixels[static_cast<size_t>(y * 100 + x)] = inside ? 40 : 200;
        }
    }
    return p;
}

TEST(OpticalFlow, CornersAreTheSquaresCornersStrongestFirstAndApart) {
    const GreyPlane p = square();
    std::vector<FlowPoint> corners;
    CornerScratch scratch;
    CornerSettings settings;
    settings.maxCount = 10;
    settings.minDistance = 5;
    settings.quality = 0.3F;
    findCorners(p, {0, 0, 100, 80}, {}, settings, corners, scratch);
    ASSERT_EQ(corners.size(), 4u);
    for (const FlowPoint& c : corners) {
        const bool nearX = std::abs(c.x - 29.5F) < 2 || std::abs(c.x - 59.5F) < 2;
        const bool nearY = std::abs(c.y - 19.5F) < 2 || std::abs(c.y - 49.5F) < 2;
        EXPECT_TRUE(nearX && nearY) << c.x << "," << c.y;
    }

    // A rectangle kept out removes the corners inside it; a cap keeps the
    // strongest.
    const PixelRect left{0, 0, 45, 80};
    findCorners(p, {0, 0, 100, 80}, {&left, 1}, settings, corners, scratch);
    EXPECT_EQ(corners.size(), 2u);
    for (const FlowPoint& c : corners) EXPECT_GT(c.x, 45);
    settings.maxCount = 3;
    findCorners(p, {0, 0, 100, 80}, {}, settings, corners, scratch);
    EXPECT_EQ(corners.size(), 3u);
}

TEST(OpticalFlow, CornerAreasPastTheEdgesOrEmptyGiveNothingOrAreClipped) {
    const GreyPlane p = square();
    std::vector<FlowPoint> corners = {{1, 1}};
    CornerScratch scratch;
    findCorners(p, {200, 200, 300, 300}, {}, {}, corners, scratch);
    EXPECT_TRUE(corners.empty());
    findCorners(p, {40, 40, 40, 60}, {}, {}, corners, scratch);
    EXPECT_TRUE(corners.empty());
    findCorners(p, {-50, -50, 500, 500}, {}, {}, corners, scratch);
    EXPECT_FALSE(corners.empty());
    for (const FlowPoint& c : corners) {
        EXPECT_TRUE(c.x >= 0 && c.x < 100 && c.y >= 0 && c.y < 80);
    }
    GreyPlane empty;
    findCorners(empty, {0, 0, 10, 10}, {}, {}, corners, scratch);
    EXPECT_TRUE(corners.empty());
}

}  // namespace
}  // namespace quil
