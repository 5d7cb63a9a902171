#include "linux/camera/camera_controls.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quil::lnx {

namespace {

struct AutoSwitch {
    uint32_t id;
    uint32_t governs;
    int32_t manualValue;
};

// Each automatic switch with the manual control it overrides; exposure's is
// a menu whose manual entry is not 0.
constexpr AutoSwitch kAutoSwitches[] = {
    {V4L2_CID_AUTOGAIN, V4L2_CID_GAIN, 0},
    {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 0},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_EXPOSURE_MANUAL},
    {V4L2_CID_FOCUS_AUTO, V4L2_CID_FOCUS_ABSOLUTE, 0},
    {V4L2_CID_HUE_AUTO, V4L2_CID_HUE, 0},
};

// The driver's names fill fixed arrays and need not end in a zero.
template <std::size_t N>
std::string fixedText(const uint8_t (&text)[N]) {
    const auto* chars = reinterpret_cast<const char*>(text);
    return {chars, strnlen(chars, N)};
}

std::optional<ControlType> typeOf(uint32_t v4l2Type) {
    switch (v4l2Type) {
        case V4L2_CTRL_TYPE_INTEGER:
            return ControlType::Integer;
        case V4L2_CTRL_TYPE_BOOLEAN:
            return ControlType::Boolean;
        case V4L2_CTRL_TYPE_MENU:
            return ControlType::Menu;
        default:
            return std::nullopt;
    }
}

}  // namespace

// Nearest step, halves rounded up, in 64 bits so that a range spanning all
// of int32 cannot overflow; a last step past the maximum falls back one.
int32_t clampToControl(const CameraControl& control, int64_t value) {
    const int64_t lo = control.minimum;
    const int64_t hi = std::max<int64_t>(control.maximum, lo);
    const int64_t step = control.step > 0 ? control.step : 1;
    const int64_t v = std::clamp(value, lo, hi);
    int64_t onStep = lo + (v - lo + step / 2) / step * step;
    if (onStep > hi) onStep -= step;
    return static_cast<int32_t>(onStep);
}

std::optional<CameraControl> CameraControls::query(uint32_t id) const {
    v4l2_queryctrl q{};
    q.id = id;
    if (calls_.ioctl(fd_, VIDIOC_QUERYCTRL, &q) != 0) return std::nullopt;
    return describe(q);
}

std::optional<CameraControl> CameraControls::describe(const v4l2_queryctrl& q) const {
    const std::optional<ControlType> type = typeOf(q.type);
    if (!type || (q.flags & V4L2_CTRL_FLAG_DISABLED) != 0) return std::nullopt;

    CameraControl c;
    c.id = q.id;
    c.name = fixedText(q.name);
    c.type = *type;
    c.minimum = q.minimum;
    c.maximum = std::max(q.maximum, q.minimum);
    c.step = q.step > 0 ? q.step : 1;
    c.defaultValue = q.default_value;
    c.readOnly = (q.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    c.inactive = (q.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
    // A menu may skip indices; only those the driver names are offered.
    if (c.type == ControlType::Menu) {
        const int64_t last = std::min<int64_t>(c.maximum, int64_t{c.minimum} + kMaxMenuEntries - 1);
        for (int64_t i = c.minimum; i <= last; ++i) {
            v4l2_querymenu m{};
            m.id = c.id;
            m.index = static_cast<uint32_t>(i);
            if (calls_.ioctl(fd_, VIDIOC_QUERYMENU, &m) == 0) {
                c.menu.push_back({static_cast<int32_t>(i), fixedText(m.name)});
            }
        }
    }
    const auto* sw = std::find_if(std::begin(kAutoSwitches), std::end(kAutoSwitches),
                                  [&](const AutoSwitch& a) { return a.id == c.id; });
    if (sw != std::end(kAutoSwitches)) {
        c.isAuto = true;
        c.governs = sw->governs;
        c.manualValue = sw->manualValue;
    }
    c.value = get(c.id).value_or(c.defaultValue);
    return c;
}

// The driver hands out its controls one after another from the flag
// NEXT_CTRL; the walk stops where the ids stop rising.
std::vector<CameraControl> CameraControls::list() const {
    std::vector<CameraControl> out;
    uint32_t last = 0;
    for (int n = 0; n < kMaxControls; ++n) {
        v4l2_queryctrl q{};
        q.id = last | V4L2_CTRL_FLAG_NEXT_CTRL;
        if (calls_.ioctl(fd_, VIDIOC_QUERYCTRL, &q) != 0) break;
        const uint32_t id = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        if (id <= last) break;
        last = id;
        q.id = id;
        if (std::optional<CameraControl> c = describe(q)) out.push_back(std::move(*c));
    }
    return out;
}

std::optional<int32_t> CameraControls::get(uint32_t id) const {
    v4l2_control c{};
    c.id = id;
    if (calls_.ioctl(fd_, VIDIOC_G_CTRL, &c) != 0) return std::nullopt;
    return c.value;
}

std::optional<int32_t> CameraControls::set(uint32_t id, int64_t value) {
    const std::optional<CameraControl> c = query(id);
    if (!c || c->readOnly) return std::nullopt;
    const int32_t v = clampToControl(*c, value);
    if (c->type == ControlType::Menu &&
        std::none_of(c->menu.begin(), c->menu.end(),
                     [v](const MenuEntry& e) { return e.value == v; })) {
        return std::nullopt;
    }
    v4l2_control s{};
    s.id = id;
    s.value = v;
    if (calls_.ioctl(fd_, VIDIOC_S_CTRL, &s) != 0) return std::nullopt;
    return v;
}

}  // namespace quil::lnx
