// A webcam as the UVC driver describes one: picture controls, a power line
// menu, and white balance, exposure and focus each with its automatic
// switch on. Shared by the model's tests and the tool's test build.
#pragma once

#include <linux/videodev2.h>

#include <cstring>

#include "tests/linux/camera/fake_v4l2.h"

namespace quil::lnx::testing {

// The controls in rising id order, as the driver's walk gives them; each at
// its default.
inline FakeDevice standardCamera() {
    FakeDevice d;
    d.controls = {
        controlInfo(V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0),
        controlInfo(V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 64, 1, 32),
        controlInfo(V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 0, 128, 1, 64),
        controlInfo(V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic",
                    0, 1, 1, 1),
        controlInfo(V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 100, 1, 0),
        controlInfo(V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0,
                    2, 1, 1),
        controlInfo(V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CTRL_TYPE_INTEGER,
                    "White Balance Temperature", 2800, 6500, 10, 4600, V4L2_CTRL_FLAG_INACTIVE),
        controlInfo(V4L2_CID_SHARPNESS, V4L2_CTRL_TYPE_INTEGER, "Sharpness", 0, 6, 1, 3),
        controlInfo(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3),
        controlInfo(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute",
                    3, 2047, 1, 250, V4L2_CTRL_FLAG_INACTIVE),
        controlInfo(V4L2_CID_FOCUS_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Focus, Absolute", 0, 250, 5,
                    0, V4L2_CTRL_FLAG_INACTIVE),
        controlInfo(V4L2_CID_FOCUS_AUTO, V4L2_CTRL_TYPE_BOOLEAN, "Focus, Automatic Continuous", 0,
                    1, 1, 1),
    };
    d.menus[V4L2_CID_POWER_LINE_FREQUENCY] = {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}};
    d.menus[V4L2_CID_EXPOSURE_AUTO] = {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}};
    for (const v4l2_queryctrl& q : d.controls) d.values[q.id] = q.default_value;
    return d;
}

// The same camera's metadata node: the device captures, the node does not.
inline FakeDevice metadataNode() {
    FakeDevice d;
    d.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    d.deviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    return d;
}

}  // namespace quil::lnx::testing
