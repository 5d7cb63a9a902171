#include "linux/camera_tool/control_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "linux/camera/camera_controls.h"
#include "linux/camera/v4l2_camera.h"
#include "linux/camera_tool/settings_model.h"
#include "tests/linux/camera_tool/standard_camera.h"
#include "tests/linux/camera_tool/watched_driver.h"

namespace quil::lnx {
namespace {

using testing::WatchedDriver;

TEST(ControlDevice, OpensTheFirstCaptureNodeForItsControlsOnly) {
    WatchedDriver driver;
    driver.fake.devices["/dev/video1"] = testing::metadataNode();
    driver.fake.devices["/dev/video3"] = testing::standardCamera();
    driver.fake.devices["/dev/video4"] = testing::standardCamera();
    ControlDevice device(driver);
    ASSERT_TRUE(device.open());
    EXPECT_EQ(device.path(), "/dev/video3");
    EXPECT_EQ(driver.fake.lastFlags, O_RDWR | O_NONBLOCK);
    ASSERT_EQ(driver.fake.openFds.size(), 1u) << "the metadata node is closed again";
    EXPECT_EQ(driver.fake.openFds.begin()->first, device.fd());
    EXPECT_EQ(driver.fake.opened.back(), "/dev/video3");

    device.close();
    EXPECT_TRUE(driver.fake.openFds.empty());
    EXPECT_EQ(device.fd(), -1);
    EXPECT_TRUE(device.path().empty());
}

TEST(ControlDevice, WithoutACaptureDeviceTriesEveryNodeAndHoldsNone) {
    WatchedDriver driver;
    driver.fake.devices["/dev/video0"] = testing::metadataNode();
    ControlDevice device(driver);
    EXPECT_FALSE(device.open());
    EXPECT_EQ(device.fd(), -1);
    EXPECT_EQ(driver.fake.opened.size(), static_cast<std::size_t>(kDeviceProbeCount));
    EXPECT_TRUE(driver.fake.openFds.empty());
}

TEST(ControlDevice, OpeningAgainOrEndingClosesTheDeviceHeld) {
    WatchedDriver driver;
    driver.fake.devices["/dev/video0"] = testing::standardCamera();
    {
        ControlDevice device(driver);
        ASSERT_TRUE(device.open());
        ASSERT_TRUE(device.open());
        EXPECT_EQ(driver.fake.openFds.size(), 1u);
    }
    EXPECT_TRUE(driver.fake.openFds.empty());
}

// The tracker may be capturing: the tool, from opening to a reset, asks the
// device only about its controls.
TEST(ControlDevice, TheToolNeverTouchesTheFormatOrTheStream) {
    WatchedDriver driver;
    driver.fake.devices["/dev/video0"] = testing::standardCamera();
    ControlDevice device(driver);
    ASSERT_TRUE(device.open());
    CameraControls controls(driver, device.fd());
    SettingsModel model(controls);
    model.change(0, 10);
    model.setChecked(3, false);
    model.reset();
    const unsigned long allowed[] = {VIDIOC_QUERYCAP, VIDIOC_QUERYCTRL, VIDIOC_QUERYMENU,
                                     VIDIOC_G_CTRL, VIDIOC_S_CTRL};
    for (const unsigned long request : driver.requests) {
        EXPECT_NE(std::find(std::begin(allowed), std::end(allowed), request), std::end(allowed))
            << "request " << std::hex << request;
    }
    EXPECT_EQ(driver.reads, 0);
    EXPECT_FALSE(driver.sets.empty());
}

}  // namespace
}  // namespace quil::lnx
