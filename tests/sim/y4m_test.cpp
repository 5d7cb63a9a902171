// Reading and writing YUV4MPEG2, the colour conversion and the tick timing.
#include "sim/y4m.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quil::sim {
namespace {

constexpr int kLuma = kWidth * kHeight;

TEST(TickTiming, EachTickTakesTheFrameShownAtItsTime) {
    // 25 fps: tick k is at 75k ms, frame floor(1.875 k).
    const int64_t at25[] = {0, 1, 3, 5, 7, 9, 11, 13, 15};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(frameForTick(k, 25, 1), at25[k]) << k;
    // 10 fps is slower than the ticks: frames repeat.
    const int64_t at10[] = {0, 0, 1, 2, 3, 3, 4};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(frameForTick(k, 10, 1), at10[k]) << k;
    // NTSC's 30000/1001 in exact integers, also far into a long file.
    EXPECT_EQ(frameForTick(1001, 30000, 1001), 2250);
    EXPECT_EQ(frameForTick(4000000, 30000, 1001), 8991008);
    // 40/3 fps is exactly one frame per tick.
    for (int k = 0; k < 100; ++k) EXPECT_EQ(frameForTick(k, 40, 3), k);
}

TEST(Y4mReader, ReadsHeaderAndFramesOfBothColourSpaces) {
    std::stringstream in(
        "YUV4MPEG2 W640 H480 F30000:1001 It A1:1 C420mpeg2 XYSCSS=420MPEG2\n"
        "FRAME\n" +
        std::string(kLuma * 3 / 2, 'a') + "FRAME Ixyz\n" + std::string(kLuma * 3 / 2, 'b'));
    Y4mReader r(in);
    ASSERT_TRUE(r.open()) << r.error();
    EXPECT_EQ(r.info().rateNum, 30000);
    EXPECT_EQ(r.info().rateDen, 1001);
    EXPECT_EQ(r.info().chroma, Chroma::C420);
    std::vector<uint8_t> planes;
    ASSERT_EQ(r.next(planes), Y4mReader::Next::Frame);
    EXPECT_EQ(planes.size(), static_cast<size_t>(kLuma * 3 / 2));
    ASSERT_EQ(r.next(planes), Y4mReader::Next::Frame);
    EXPECT_EQ(planes[0], 'b');
    EXPECT_EQ(r.next(planes), Y4mReader::Next::End);

    std::stringstream in444("YUV4MPEG2 C444 W640 H480 F25:1\nFRAME\n" +
                            std::string(kLuma * 3, 'c'));
    Y4mReader r444(in444);
    ASSERT_TRUE(r444.open());
    EXPECT_EQ(r444.info().chroma, Chroma::C444);
    ASSERT_EQ(r444.next(planes), Y4mReader::Next::Frame);
    EXPECT_EQ(planes.size(), static_cast<size_t>(kLuma * 3));
    // No colour tag means 4:2:0.
    std::stringstream plain("YUV4MPEG2 W640 H480 F25:1\n");
    Y4mReader rPlain(plain);
    ASSERT_TRUE(rPlain.open());
    EXPECT_EQ(rPlain.info().chroma, Chroma::C420);
}

TEST(Y4mReader, RejectsWhatItCannotPlayWithAMessage) {
    for (const char* header :
         {"YUV4MPEG2 W640 H481 F25:1\n", "YUV4MPEG2 W640 H480 F25:1 Cmono\n",
          "YUV4MPEG2 W640 H480 F25:1 C420p10\n", "YUV4MPEG2 W6x0 H480 F25:1\n",
          "YUV4MPEG2 W640 H480 F:1\n", "YUV4MPEG2 W640 H480 F99999999:1\n",
          "YUV4MPEG3 W640 H480 F25:1\n",
          // Would wrap to 640 x 480 if narrowed to int.
          "YUV4MPEG2 W4294967936 H480 F25:1\n", "YUV4MPEG2 W640 H4294967776 F25:1\n"}) {
        std::stringstream in(header);
        Y4mReader r(in);
        EXPECT_FALSE(r.open()) << header;
        EXPECT_NE(r.error().find("ffmpeg -i"), std::string::npos) << r.error();
    }
}

// Planes of one frame with every sample of each plane set.
std::vector<uint8_t> flat(Chroma chroma, uint8_t y, uint8_t u, uint8_t v) {
    const int chromaSize = chroma == Chroma::C444 ? kLuma : kLuma / 4;
    std::vector<uint8_t> p(static_cast<size_t>(kLuma), y);
    p.insert(p.end(), static_cast<size_t>(chromaSize), u);
    p.insert(p.end(), static_cast<size_t>(chromaSize), v);
    return p;
}

TEST(ColourConversion, UsesTheLimitedRangeIntegerFormulas) {
    std::vector<uint8_t> bgr(kBgrBytes);
    struct Case {
        uint8_t y, u, v, b, g, r;
    };
    const Case cases[] = {
        {16, 128, 128, 0, 0, 0},     {235, 128, 128, 255, 255, 255},
        {81, 90, 240, 0, 0, 255},  // BT.601 red
        {0, 0, 0, 0, 135, 0},      // clamped: R = (298*-16 + 409*-128 + 128) >> 8 < 0
        {100, 200, 60, 243, 125, 0},
    };
    for (const auto& c : cases) {
        yuvToBgr(flat(Chroma::C444, c.y, c.u, c.v), Chroma::C444, bgr);
        const int yy = 298 * (c.y - 16), d = c.u - 128, e = c.v - 128;
        auto clamp = [](int v) { return std::clamp(v, 0, 255); };
        EXPECT_EQ(bgr[0], clamp((yy + 516 * d + 128) >> 8));
        EXPECT_EQ(bgr[1], clamp((yy - 100 * d - 208 * e + 128) >> 8));
        EXPECT_EQ(bgr[2], clamp((yy + 409 * e + 128) >> 8));
        EXPECT_EQ(bgr[0], c.b) << int(c.y);
        EXPECT_EQ(bgr[1], c.g) << int(c.y);
        EXPECT_EQ(bgr[2], c.r) << int(c.y);
    }
}

TEST(ColourConversion, PlacesPixelsBottomUpAndTakesTheCoveringChromaSample) {
    auto planes = flat(Chroma::C420, 16, 128, 128);
    // Luma of the top-left and bottom-right pixels.
    planes[0] = 235;
    planes[static_cast<size_t>(kLuma - 1)] = 235;
    // V of the chroma sample covering pixels (2..3, 0..1) makes them red.
    const size_t vPlane = static_cast<size_t>(kLuma + kLuma / 4);
    planes[vPlane + 1] = 255;
    std::vector<uint8_t> bgr(kBgrBytes);
    yuvToBgr(planes, Chroma::C420, bgr);
    auto red = [&](int x, int y) {
        return bgr[static_cast<size_t>(((479 - y) * 640 + x) * 3 + 2)];
    };
    EXPECT_EQ(red(0, 0), 255);
    EXPECT_EQ(bgr[static_cast<size_t>(479 * 1920 + 2)], 255);  // top-left is the last row in memory
    EXPECT_EQ(bgr[1919], 255);                                 // bottom-right, first row
    for (int x : {2, 3}) {
        for (int y : {0, 1}) EXPECT_GT(red(x, y), 200) << x << "," << y;
    }
    EXPECT_EQ(red(1, 0), 0);
    EXPECT_EQ(red(4, 0), 0);
    EXPECT_EQ(red(2, 2), 0);
}

TEST(Y4mWriter, WritesFramesTheReaderReadsBack) {
    std::vector<uint8_t> bgr(kBgrBytes);
    for (size_t i = 0; i < bgr.size(); i += 3) {
        bgr[i] = 40;       // blue
        bgr[i + 1] = 120;  // green
        bgr[i + 2] = 200;  // red
    }
    std::stringstream io;
    Y4mWriter w(io);
    w.writeFrame(bgr);
    w.writeFrame(bgr);
    Y4mReader r(io);
    ASSERT_TRUE(r.open()) << r.error();
    EXPECT_EQ(r.info().rateNum * 3, r.info().rateDen * 40);  // one frame per 75 ms tick
    std::vector<uint8_t> planes;
    std::vector<uint8_t> back(kBgrBytes);
    for (int f = 0; f < 2; ++f) {
        ASSERT_EQ(r.next(planes), Y4mReader::Next::Frame);
        yuvToBgr(planes, r.info().chroma, back);
        for (size_t i : {size_t{0}, size_t{1}, size_t{2}, back.size() - 1}) {
            EXPECT_NEAR(back[i], bgr[i], 3) << i;
        }
    }
    EXPECT_EQ(r.next(planes), Y4mReader::Next::End);
}

}  // namespace
}  // namespace quil::sim
