#include "linux/camera/v4l2_camera.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fake_v4l2.h"
#include "imaging/feature_set.h"

namespace quil::lnx {
namespace {

using testing::FakeDevice;
using testing::FakeV4l2;
using testing::pixFormat;

constexpr uint8_t kUntouched = 0xAB;

// A camera picture whose every byte tells its place: R = x, G = y, B = x + y
// (mod 256), rows `rowBytes` apart with the padding filled with 0xEE.
std::vector<uint8_t> picture(std::size_t rowBytes = kCaptureRowBytes) {
    std::vector<uint8_t> p(rowBytes * kCaptureHeight, 0xEE);
    for (std::size_t y = 0; y < kCaptureHeight; ++y) {
        for (std::size_t x = 0; x < kCaptureWidth; ++x) {
            uint8_t* px = &p[y * rowBytes + 3 * x];
            px[0] = static_cast<uint8_t>(x);
            px[1] = static_cast<uint8_t>(y);
            px[2] = static_cast<uint8_t>(x + y);
        }
    }
    return p;
}

class CameraTest : public ::testing::Test {
protected:
    FakeV4l2 sys;
    V4l2Camera camera{sys};
    std::vector<uint8_t> frame = std::vector<uint8_t>(kFrameBytes, kUntouched);

    bool untouched() const {
        return std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == kUntouched; });
    }
};

TEST_F(CameraTest, NoCaptureDeviceProbesAllTenInOrderAndSaysNoCamera) {
    sys.devices["/dev/video0"].capabilities = V4L2_CAP_VIDEO_OUTPUT;
    EXPECT_EQ(camera.open(), OpenStatus::NoCamera);
    ASSERT_EQ(sys.opened.size(), static_cast<std::size_t>(kDeviceProbeCount));
    EXPECT_EQ(sys.opened.back(), "/dev/video9");
    EXPECT_TRUE(sys.openFds.empty());
    EXPECT_FALSE(camera.grab(frame));
}

TEST_F(CameraTest, KeepsTheFirstCaptureNodeSkippingMissingAndNonCaptureOnes) {
    // video1: the metadata node of a camera whose device can capture.
    sys.devices["/dev/video1"].deviceCaps = V4L2_CAP_META_CAPTURE;
    sys.devices["/dev/video3"].capabilities = V4L2_CAP_VIDEO_OUTPUT;
    sys.devices["/dev/video4"];
    sys.devices["/dev/video2"];
    ASSERT_EQ(camera.open(), OpenStatus::Ready);
    EXPECT_EQ(camera.path(), "/dev/video2");
    EXPECT_EQ(sys.opened, (std::vector<std::string>{"/dev/video0", "/dev/video1", "/dev/video2"}));
    EXPECT_NE(sys.lastFlags & O_NONBLOCK, 0);
    ASSERT_EQ(sys.openFds.size(), 1u);  // the metadata node was closed
    EXPECT_EQ(sys.openFds.begin()->first, camera.fd());
}

TEST_F(CameraTest, AnyOtherFormatAnswerIsNoFormat) {
    const auto answers = {
        pixFormat(320, 240, V4L2_PIX_FMT_RGB24, 960),
        pixFormat(640, 480, V4L2_PIX_FMT_YUYV, 1280),
        pixFormat(640, 480, V4L2_PIX_FMT_BGR24, 1920),
        pixFormat(640, 480, V4L2_PIX_FMT_RGB24, 1919),
        pixFormat(640, 480, V4L2_PIX_FMT_RGB24, 3841),
    };
    for (const v4l2_pix_format& answer : answers) {
        sys.devices["/dev/video0"].answer = answer;
        EXPECT_EQ(camera.open(), OpenStatus::NoFormat) << answer.width << " " << answer.pixelformat;
        EXPECT_TRUE(sys.openFds.empty());
    }
    // A later camera that takes the format is still found.
    sys.devices["/dev/video5"];
    EXPECT_EQ(camera.open(), OpenStatus::Ready);
    EXPECT_EQ(camera.path(), "/dev/video5");
}

TEST_F(CameraTest, FormatRefusedIsNoFormatButBusyIsNoCameraUntilFreed) {
    sys.devices["/dev/video0"].formatError = EINVAL;
    EXPECT_EQ(camera.open(), OpenStatus::NoFormat);
    sys.devices["/dev/video0"].formatError = EBUSY;  // another program captures
    EXPECT_EQ(camera.open(), OpenStatus::NoCamera);
    EXPECT_TRUE(sys.openFds.empty());
    sys.devices["/dev/video0"].formatError = 0;
    EXPECT_EQ(camera.open(), OpenStatus::Ready);
}

TEST_F(CameraTest, PictureTurnsIntoTheBottomUpBgrFrame) {
    for (const std::size_t rowBytes : {kCaptureRowBytes, kCaptureRowBytes + 12}) {
        sys.devices["/dev/video0"].answer.bytesperline = static_cast<uint32_t>(rowBytes);
        sys.devices["/dev/video0"].reads.push_back(picture(rowBytes));
        ASSERT_EQ(camera.open(), OpenStatus::Ready);
        ASSERT_TRUE(camera.grab(frame));
        // Camera row y is buffer row 479 - y: its top-left pixel starts the
        // last buffer row.
        for (std::size_t r = 0; r < kCaptureHeight; ++r) {
            for (std::size_t x = 0; x < kCaptureWidth; ++x) {
                const std::size_t y = kCaptureHeight - 1 - r;
                const uint8_t* px = &frame[r * kFrameRowBytes + 3 * x];
                ASSERT_EQ(px[0], static_cast<uint8_t>(x + y)) << x << "," << y;
                ASSERT_EQ(px[1], static_cast<uint8_t>(y)) << x << "," << y;
                ASSERT_EQ(px[2], static_cast<uint8_t>(x)) << x << "," << y;
            }
        }
    }
}

TEST_F(CameraTest, NoFrameYetShortReadOrWrongBufferWritesNothing) {
    sys.devices["/dev/video0"].reads = {EAGAIN, std::vector<uint8_t>(kFrameBytes - 1, 7)};
    ASSERT_EQ(camera.open(), OpenStatus::Ready);
    EXPECT_FALSE(camera.grab(frame));  // EAGAIN
    EXPECT_FALSE(camera.grab(frame));  // one byte short
    EXPECT_TRUE(untouched());
    EXPECT_FALSE(camera.lost());
    sys.devices["/dev/video0"].reads.push_back(picture());
    std::vector<uint8_t> small(kFrameBytes - 1, kUntouched), large(kFrameBytes + 1, kUntouched);
    EXPECT_FALSE(camera.grab(small));
    EXPECT_FALSE(camera.grab(large));
    EXPECT_EQ(sys.devices["/dev/video0"].reads.size(), 1u);  // not read for them
    EXPECT_TRUE(camera.grab(frame));
}

TEST_F(CameraTest, GrabTakesTheNewestPictureInBoundedReads) {
    auto& reads = sys.devices["/dev/video0"].reads;
    reads = {std::vector<uint8_t>(kFrameBytes, 1), picture(), std::vector<uint8_t>(5, 2)};
    ASSERT_EQ(camera.open(), OpenStatus::Ready);
    ASSERT_TRUE(camera.grab(frame));
    EXPECT_EQ(frame[2], 0);  // the second picture's, not the first's 1 nor the short one's 2
    EXPECT_EQ(frame[kFrameBytes - 1], static_cast<uint8_t>(kCaptureWidth - 1));
    EXPECT_FALSE(camera.grab(frame));
    // A camera that always has another picture does not hold the tick.
    reads.assign(kMaxReadsPerGrab + 3, picture());
    EXPECT_TRUE(camera.grab(frame));
    EXPECT_EQ(reads.size(), 3u);
    // The picture read before the device vanished is still given.
    reads = {picture(), ENODEV};
    EXPECT_TRUE(camera.grab(frame));
    EXPECT_TRUE(camera.lost());
}

TEST_F(CameraTest, UnpluggedCameraIsLostUntilOpenedAgain) {
    for (const int error : {ENODEV, EIO, ENXIO}) {
        sys.devices["/dev/video0"].reads = {error};
        ASSERT_EQ(camera.open(), OpenStatus::Ready);
        EXPECT_FALSE(camera.grab(frame));
        EXPECT_TRUE(camera.lost()) << error;
        sys.devices["/dev/video0"].reads.push_back(picture());
        EXPECT_FALSE(camera.grab(frame));  // a lost camera is not read again
    }
    // Unplugged; then plugged back in.
    sys.devices.erase("/dev/video0");
    camera.close();
    EXPECT_FALSE(camera.lost());
    EXPECT_EQ(camera.open(), OpenStatus::NoCamera);
    sys.devices["/dev/video0"].reads.push_back(picture());
    ASSERT_EQ(camera.open(), OpenStatus::Ready);
    EXPECT_TRUE(camera.grab(frame));
    EXPECT_EQ(sys.openFds.size(), 1u);  // every earlier open was closed
}

TEST_F(CameraTest, DestroyingAnOpenCameraClosesIt) {
    sys.devices["/dev/video0"];
    { ASSERT_EQ(V4l2Camera(sys).open(), OpenStatus::Ready); }
    EXPECT_TRUE(sys.openFds.empty());
}

TEST(RgbToCoreFrame, RefusesBuffersOfTheWrongSize) {
    std::vector<uint8_t> frame(kFrameBytes, kUntouched);
    const std::vector<uint8_t> rgb = picture();
    EXPECT_FALSE(rgbToCoreFrame(std::span(rgb).first(rgb.size() - 1), kCaptureRowBytes, frame));
    EXPECT_FALSE(rgbToCoreFrame(rgb, kCaptureRowBytes - 1, frame));
    EXPECT_FALSE(rgbToCoreFrame(rgb, kCaptureRowBytes, std::span(frame).first(kFrameBytes - 1)));
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == kUntouched; }));
}

}  // namespace
}  // namespace quil::lnx
