#include "linux/camera_tool/settings_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "tests/linux/camera_tool/standard_camera.h"
#include "tests/linux/camera_tool/watched_driver.h"

namespace quil::lnx {
namespace {

using testing::controlInfo;
using testing::WatchedDriver;

constexpr char kCamera[] = "/dev/video0";

std::size_t rowOf(const SettingsModel& model, uint32_t id) {
    for (std::size_t i = 0; i < model.rows().size(); ++i) {
        if (model.rows()[i].control.id == id) return i;
    }
    ADD_FAILURE() << "no row for control " << id;
    return model.rows().size();
}

class SettingsModelTest : public ::testing::Test {
protected:
    void SetUp() override { driver.fake.devices[kCamera] = testing::standardCamera(); }
    // The model over the device as the test has scripted it by now.
    SettingsModel& open() {
        fd = driver.open(kCamera, 0);
        controls.emplace(driver, fd);
        model.emplace(*controls);
        return *model;
    }
    testing::FakeDevice& device() { return driver.fake.devices[kCamera]; }
    // A read-only pan, where the driver's walk finds it (ids rise).
    void addReadOnlyPan(int32_t value) {
        auto& c = device().controls;
        const auto at = std::find_if(c.begin(), c.end(), [](const v4l2_queryctrl& q) {
            return q.id > V4L2_CID_PAN_ABSOLUTE;
        });
        c.insert(at, controlInfo(V4L2_CID_PAN_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Pan", -36000,
                                 36000, 3600, 0, V4L2_CTRL_FLAG_READ_ONLY));
        device().values[V4L2_CID_PAN_ABSOLUTE] = value;
    }
    bool greyed(uint32_t id) { return model->rows().at(rowOf(*model, id)).greyed; }
    int32_t shown(uint32_t id) { return model->rows().at(rowOf(*model, id)).control.value; }

    WatchedDriver driver;
    int fd = -1;
    std::optional<CameraControls> controls;
    std::optional<SettingsModel> model;
};

TEST_F(SettingsModelTest, EachControlGetsTheRowItsKindNeeds) {
    const SettingsModel& m = open();
    ASSERT_EQ(m.rows().size(), device().controls.size());
    const SettingRow& brightness = m.rows()[rowOf(m, V4L2_CID_BRIGHTNESS)];
    EXPECT_EQ(brightness.kind, RowKind::Slider);
    EXPECT_FALSE(brightness.greyed);

    const std::size_t whiteAuto = rowOf(m, V4L2_CID_AUTO_WHITE_BALANCE);
    EXPECT_EQ(m.rows()[whiteAuto].kind, RowKind::CheckBox);
    EXPECT_TRUE(m.checked(whiteAuto));
    EXPECT_EQ(m.rows()[rowOf(m, V4L2_CID_POWER_LINE_FREQUENCY)].kind, RowKind::Choice);

    // Exposure's switch is a menu: off at Manual Mode, on at its default.
    const std::size_t exposureAuto = rowOf(m, V4L2_CID_EXPOSURE_AUTO);
    EXPECT_EQ(m.rows()[exposureAuto].kind, RowKind::CheckBox);
    EXPECT_EQ(m.rows()[exposureAuto].offValue, V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(m.rows()[exposureAuto].onValue, V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_TRUE(m.checked(exposureAuto));
    EXPECT_TRUE(driver.sets.empty()) << "listing sets nothing";
}

TEST_F(SettingsModelTest, AMenuSwitchWithoutAnAutomaticEntryStaysAMenu) {
    device().menus[V4L2_CID_EXPOSURE_AUTO] = {{1, "Manual Mode"}};
    device().values[V4L2_CID_EXPOSURE_AUTO] = 1;
    const SettingsModel& m = open();
    EXPECT_EQ(m.rows()[rowOf(m, V4L2_CID_EXPOSURE_AUTO)].kind, RowKind::Choice);
}

TEST_F(SettingsModelTest, AControlIsGreyedWhileItsSwitchIsOn) {
    SettingsModel& m = open();
    EXPECT_TRUE(greyed(V4L2_CID_WHITE_BALANCE_TEMPERATURE));
    EXPECT_TRUE(greyed(V4L2_CID_EXPOSURE_ABSOLUTE));
    EXPECT_TRUE(greyed(V4L2_CID_FOCUS_ABSOLUTE));

    const std::size_t whiteAuto = rowOf(m, V4L2_CID_AUTO_WHITE_BALANCE);
    EXPECT_EQ(m.setChecked(whiteAuto, false), 0);
    EXPECT_FALSE(m.checked(whiteAuto));
    EXPECT_FALSE(greyed(V4L2_CID_WHITE_BALANCE_TEMPERATURE));
    EXPECT_TRUE(greyed(V4L2_CID_EXPOSURE_ABSOLUTE)) << "only the control that switch governs";
    EXPECT_EQ(m.setChecked(whiteAuto, true), 1);
    EXPECT_TRUE(greyed(V4L2_CID_WHITE_BALANCE_TEMPERATURE));

    EXPECT_EQ(m.setChecked(rowOf(m, V4L2_CID_EXPOSURE_AUTO), false), V4L2_EXPOSURE_MANUAL);
    EXPECT_FALSE(greyed(V4L2_CID_EXPOSURE_ABSOLUTE));
}

TEST_F(SettingsModelTest, ShutterPriorityLeavesTheExposureTimeToTheUser) {
    device().menus[V4L2_CID_EXPOSURE_AUTO][V4L2_EXPOSURE_SHUTTER_PRIORITY] =
        "Shutter Priority Mode";
    device().values[V4L2_CID_EXPOSURE_AUTO] = V4L2_EXPOSURE_SHUTTER_PRIORITY;
    SettingsModel& m = open();
    EXPECT_FALSE(greyed(V4L2_CID_EXPOSURE_ABSOLUTE));
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_EXPOSURE_ABSOLUTE), 400), 400);
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY),
              V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_TRUE(greyed(V4L2_CID_EXPOSURE_ABSOLUTE));
}

TEST_F(SettingsModelTest, TheSwitchsValueOutranksTheDriversInactiveFlag) {
    // Listed with white balance already manual, the driver's flag still set.
    device().values[V4L2_CID_AUTO_WHITE_BALANCE] = 0;
    open();
    EXPECT_FALSE(greyed(V4L2_CID_WHITE_BALANCE_TEMPERATURE));
}

TEST_F(SettingsModelTest, GreyedAndReadOnlyControlsAreNotSet) {
    addReadOnlyPan(0);
    SettingsModel& m = open();
    EXPECT_TRUE(greyed(V4L2_CID_PAN_ABSOLUTE));
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3000), std::nullopt);
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_PAN_ABSOLUTE), 3600), std::nullopt);
    EXPECT_TRUE(driver.sets.empty());
}

TEST_F(SettingsModelTest, AChangeIsClampedAppliedAndShowsWhatTheDriverTook) {
    SettingsModel& m = open();
    const std::size_t brightness = rowOf(m, V4L2_CID_BRIGHTNESS);
    EXPECT_EQ(m.change(brightness, 1000), 64);
    EXPECT_EQ(device().values[V4L2_CID_BRIGHTNESS], 64);
    EXPECT_EQ(m.change(brightness, -1000), -64);
    EXPECT_EQ(shown(V4L2_CID_BRIGHTNESS), -64);

    // Onto the step (10 K), then the driver keeps only hundreds.
    driver.roundsTo[V4L2_CID_WHITE_BALANCE_TEMPERATURE] = 100;
    ASSERT_TRUE(m.setChecked(rowOf(m, V4L2_CID_AUTO_WHITE_BALANCE), false));
    driver.sets.clear();
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 4987), 4900);
    ASSERT_EQ(driver.sets.size(), 1u);
    EXPECT_EQ(driver.sets[0].second, 4990);
    EXPECT_EQ(shown(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 4900);

    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_POWER_LINE_FREQUENCY), 2), 2);
    EXPECT_EQ(device().values[V4L2_CID_POWER_LINE_FREQUENCY], 2);

    // A control the driver will not read back shows what was set.
    driver.writeOnly.insert(V4L2_CID_SHARPNESS);
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_SHARPNESS), 5), 5);
    EXPECT_EQ(shown(V4L2_CID_SHARPNESS), 5);
}

TEST_F(SettingsModelTest, ARefusedChangeLeavesTheRowAtTheDriversValue) {
    SettingsModel& m = open();
    // The driver refuses the manual exposure while automatic exposure is on:
    // the switch is turned off, then on behind the tool's back.
    driver.refusedWhileAuto[V4L2_CID_EXPOSURE_ABSOLUTE] = {V4L2_CID_EXPOSURE_AUTO,
                                                           V4L2_EXPOSURE_MANUAL};
    ASSERT_TRUE(m.setChecked(rowOf(m, V4L2_CID_EXPOSURE_AUTO), false));
    device().values[V4L2_CID_EXPOSURE_AUTO] = V4L2_EXPOSURE_APERTURE_PRIORITY;
    EXPECT_EQ(m.change(rowOf(m, V4L2_CID_EXPOSURE_ABSOLUTE), 600), std::nullopt);
    EXPECT_EQ(shown(V4L2_CID_EXPOSURE_ABSOLUTE), 250);
}

TEST_F(SettingsModelTest, RowsOutOfRangeAndTheWrongKindAreRefused) {
    SettingsModel& m = open();
    const std::size_t end = m.rows().size();
    EXPECT_EQ(m.change(end, 1), std::nullopt);
    EXPECT_EQ(m.setChecked(end, true), std::nullopt);
    EXPECT_FALSE(m.checked(end));
    EXPECT_EQ(m.setChecked(rowOf(m, V4L2_CID_BRIGHTNESS), true), std::nullopt);
    EXPECT_TRUE(driver.sets.empty());
}

TEST_F(SettingsModelTest, ADeviceWithoutControlsHasNoRows) {
    device().controls.clear();
    SettingsModel& m = open();
    EXPECT_TRUE(m.rows().empty());
    EXPECT_TRUE(m.reset());
    EXPECT_TRUE(driver.sets.empty());
}

TEST_F(SettingsModelTest, ResetPutsEveryControlBackToItsDefault) {
    SettingsModel& m = open();
    m.change(rowOf(m, V4L2_CID_BRIGHTNESS), 30);
    m.change(rowOf(m, V4L2_CID_POWER_LINE_FREQUENCY), 0);
    m.setChecked(rowOf(m, V4L2_CID_AUTO_WHITE_BALANCE), false);
    m.change(rowOf(m, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 6500);
    m.setChecked(rowOf(m, V4L2_CID_FOCUS_AUTO), false);
    EXPECT_TRUE(m.reset());
    for (const v4l2_queryctrl& q : device().controls) {
        EXPECT_EQ(device().values[q.id], q.default_value) << q.name;
        EXPECT_EQ(shown(q.id), q.default_value) << q.name;
    }
    EXPECT_TRUE(greyed(V4L2_CID_WHITE_BALANCE_TEMPERATURE));
    EXPECT_TRUE(greyed(V4L2_CID_FOCUS_ABSOLUTE));
}

// Each manual control is set while its switch is off, for the cameras that
// refuse it otherwise: whether the switch's default is automatic (exposure)
// or manual (focus, here).
TEST_F(SettingsModelTest, ResetSetsManualControlsWhileTheirSwitchIsOff) {
    for (v4l2_queryctrl& q : device().controls) {
        if (q.id == V4L2_CID_FOCUS_AUTO) q.default_value = 0;
    }
    // Both manual values away from their defaults, both switches on.
    device().values[V4L2_CID_EXPOSURE_ABSOLUTE] = 500;
    device().values[V4L2_CID_FOCUS_ABSOLUTE] = 40;
    driver.refusedWhileAuto[V4L2_CID_EXPOSURE_ABSOLUTE] = {V4L2_CID_EXPOSURE_AUTO,
                                                           V4L2_EXPOSURE_MANUAL};
    driver.refusedWhileAuto[V4L2_CID_FOCUS_ABSOLUTE] = {V4L2_CID_FOCUS_AUTO, 0};
    EXPECT_TRUE(open().reset());
    EXPECT_EQ(device().values[V4L2_CID_EXPOSURE_ABSOLUTE], 250);
    EXPECT_EQ(device().values[V4L2_CID_EXPOSURE_AUTO], V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_EQ(device().values[V4L2_CID_FOCUS_ABSOLUTE], 0);
    EXPECT_EQ(device().values[V4L2_CID_FOCUS_AUTO], 0);
    EXPECT_TRUE(greyed(V4L2_CID_EXPOSURE_ABSOLUTE));
    EXPECT_FALSE(greyed(V4L2_CID_FOCUS_ABSOLUTE));
}

TEST_F(SettingsModelTest, ResetSaysSoWhenTheDeviceRefusesOneAndSetsTheRest) {
    device().values.erase(V4L2_CID_CONTRAST);  // S_CTRL and G_CTRL fail
    SettingsModel& m = open();
    m.change(rowOf(m, V4L2_CID_BRIGHTNESS), 30);
    EXPECT_FALSE(m.reset());
    EXPECT_EQ(device().values[V4L2_CID_BRIGHTNESS], 0);
}

TEST_F(SettingsModelTest, ResetLeavesReadOnlyControlsAlone) {
    addReadOnlyPan(7200);
    SettingsModel& m = open();
    EXPECT_TRUE(m.reset());
    EXPECT_EQ(device().values[V4L2_CID_PAN_ABSOLUTE], 7200);
}

CameraControl range(int32_t minimum, int32_t maximum, int32_t step) {
    CameraControl c;
    c.minimum = minimum;
    c.maximum = maximum;
    c.step = step;
    return c;
}

TEST(SliderPositions, CountWholeStepsWithinTheRange) {
    const CameraControl brightness = range(-64, 64, 4);
    EXPECT_EQ(sliderPositions(brightness), 32);
    EXPECT_EQ(valueAtPosition(brightness, 0), -64);
    EXPECT_EQ(valueAtPosition(brightness, 32), 64);
    EXPECT_EQ(valueAtPosition(brightness, 17), 4);
    EXPECT_EQ(positionOfValue(brightness, 5), 17);
    EXPECT_EQ(positionOfValue(brightness, 6), 18);  // halves round up

    // The maximum is not on a step: the last position is the last step.
    const CameraControl odd = range(0, 10, 3);
    EXPECT_EQ(sliderPositions(odd), 3);
    EXPECT_EQ(valueAtPosition(odd, 3), 9);
    EXPECT_EQ(positionOfValue(odd, 10), 3);
}

TEST(SliderPositions, StayInsideTheRangeAtItsEdges) {
    const CameraControl c = range(2800, 6500, 10);
    EXPECT_EQ(valueAtPosition(c, -1), 2800);
    EXPECT_EQ(valueAtPosition(c, std::numeric_limits<int>::max()), 6500);
    EXPECT_EQ(positionOfValue(c, std::numeric_limits<int64_t>::min()), 0);
    EXPECT_EQ(positionOfValue(c, std::numeric_limits<int64_t>::max()), 370);

    // A single value, a maximum below the minimum and a step of 0.
    EXPECT_EQ(sliderPositions(range(5, 5, 1)), 0);
    EXPECT_EQ(sliderPositions(range(5, 1, 1)), 0);
    EXPECT_EQ(valueAtPosition(range(5, 1, 1), 3), 5);
    EXPECT_EQ(sliderPositions(range(0, 9, 0)), 9);
}

TEST(SliderPositions, AllOfInt32IsCappedToWhatASliderCounts) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    const CameraControl c = range(lo, hi, 1);
    EXPECT_EQ(sliderPositions(c), std::numeric_limits<int>::max());
    EXPECT_EQ(valueAtPosition(c, std::numeric_limits<int>::max()), -1);
    EXPECT_EQ(positionOfValue(c, hi), std::numeric_limits<int>::max());
    EXPECT_EQ(positionOfValue(c, lo), 0);
    // Two steps wide: every value reachable.
    const CameraControl wide = range(lo, hi, 2);
    EXPECT_EQ(valueAtPosition(wide, sliderPositions(wide)), hi - 1);
}

}  // namespace
}  // namespace quil::lnx
