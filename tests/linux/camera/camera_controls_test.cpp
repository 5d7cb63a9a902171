#include "linux/camera/camera_controls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "fake_v4l2.h"

namespace quil::lnx {
namespace {

using testing::controlInfo;
using testing::FakeV4l2;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& d = sys.devices["/dev/video0"];
        d.controls = {
            controlInfo(V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 4, 0),
            controlInfo(V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 1, 32,
                        V4L2_CTRL_FLAG_DISABLED),
            controlInfo(V4L2_CID_AUTOGAIN, V4L2_CTRL_TYPE_BOOLEAN, "Gain, Automatic", 0, 1, 1, 1),
            controlInfo(V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 100, 1, 50,
                        V4L2_CTRL_FLAG_INACTIVE),
            controlInfo(V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0,
                        0, 0),
            controlInfo(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3),
            controlInfo(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER,
                        "Exposure Time, Absolute (µs)!!", 3, 2047, 1, 250,
                        V4L2_CTRL_FLAG_READ_ONLY),
        };
        // The name of the last fills its 32 bytes with no zero after them.
        std::memset(d.controls.back().name, 'x', sizeof d.controls.back().name);
        d.menus[V4L2_CID_EXPOSURE_AUTO] = {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}};
        d.values = {{V4L2_CID_BRIGHTNESS, 8},
                    {V4L2_CID_AUTOGAIN, 1},
                    {V4L2_CID_GAIN, 50},
                    {V4L2_CID_EXPOSURE_AUTO, 3},
                    {V4L2_CID_EXPOSURE_ABSOLUTE, 250}};
        fd = sys.open("/dev/video0", 0);
    }
    FakeV4l2 sys;
    int fd = -1;
};

TEST_F(ControlsTest, ListsIntegerBooleanAndMenuControlsWithTheirAutoSwitches) {
    const std::vector<CameraControl> list = CameraControls(sys, fd).list();
    ASSERT_EQ(list.size(), 5u);  // neither the disabled one nor the class heading
    EXPECT_EQ(list[0].name, "Brightness");
    EXPECT_EQ(list[0].value, 8);
    EXPECT_EQ(list[0].step, 4);
    EXPECT_FALSE(list[0].isAuto);

    EXPECT_EQ(list[1].type, ControlType::Boolean);
    EXPECT_TRUE(list[1].isAuto);
    EXPECT_EQ(list[1].governs, V4L2_CID_GAIN);
    EXPECT_TRUE(list[2].inactive);

    const CameraControl& exposure = list[3];
    EXPECT_EQ(exposure.type, ControlType::Menu);
    ASSERT_EQ(exposure.menu.size(), 2u);  // indices 0 and 2 are not offered
    EXPECT_EQ(exposure.menu[0].value, 1);
    EXPECT_EQ(exposure.menu[1].name, "Aperture Priority Mode");
    EXPECT_TRUE(exposure.isAuto);
    EXPECT_EQ(exposure.governs, V4L2_CID_EXPOSURE_ABSOLUTE);
    EXPECT_EQ(exposure.manualValue, V4L2_EXPOSURE_MANUAL);

    EXPECT_EQ(list[4].name, std::string(32, 'x'));
    EXPECT_TRUE(list[4].readOnly);
}

TEST_F(ControlsTest, SetClampsToRangeAndStepAndRefusesWhatCannotBeSet) {
    CameraControls controls(sys, fd);
    const auto& values = sys.devices["/dev/video0"].values;
    EXPECT_EQ(controls.set(V4L2_CID_BRIGHTNESS, 1000), 64);
    EXPECT_EQ(controls.set(V4L2_CID_BRIGHTNESS, -1000), -64);
    EXPECT_EQ(controls.set(V4L2_CID_BRIGHTNESS, 9), 8);
    EXPECT_EQ(controls.set(V4L2_CID_BRIGHTNESS, 10), 12);  // halves round up
    EXPECT_EQ(values.at(V4L2_CID_BRIGHTNESS), 12);
    EXPECT_EQ(controls.get(V4L2_CID_BRIGHTNESS), 12);

    EXPECT_EQ(controls.set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL), 1);
    EXPECT_EQ(controls.set(V4L2_CID_EXPOSURE_AUTO, 2), std::nullopt);  // not on the menu
    EXPECT_EQ(controls.set(V4L2_CID_EXPOSURE_ABSOLUTE, 300), std::nullopt);
    EXPECT_EQ(controls.set(V4L2_CID_CONTRAST, 10), std::nullopt);
    EXPECT_EQ(values.at(V4L2_CID_EXPOSURE_AUTO), 1);
    EXPECT_EQ(values.at(V4L2_CID_EXPOSURE_ABSOLUTE), 250);
}

TEST_F(ControlsTest, ADriverWhoseWalkDoesNotAdvanceEndsTheListing) {
    sys.devices["/dev/video0"].walkRepeats = true;
    EXPECT_EQ(CameraControls(sys, fd).list().size(), 1u);
}

TEST(ClampToControl, StaysInRangeAtTheEdgesOfInt32) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    CameraControl c;
    c.minimum = lo;
    c.maximum = hi;
    c.step = 0;  // counts as 1
    EXPECT_EQ(clampToControl(c, int64_t{hi} + 5), hi);
    EXPECT_EQ(clampToControl(c, int64_t{lo} - 5), lo);
    c.step = 2;  // hi is not on a step from lo: the last step below it
    EXPECT_EQ(clampToControl(c, hi), hi - 1);
    c.minimum = 0;
    c.maximum = 10;
    c.step = 20;  // one step wider than the range
    EXPECT_EQ(clampToControl(c, 10), 0);
}

}  // namespace
}  // namespace quil::lnx
