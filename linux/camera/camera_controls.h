// The camera's own settings (brightness, exposure, focus...) for the camera
// settings tool: listed, read and set through the same calls as the frames.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "linux/camera/v4l2_calls.h"

struct v4l2_queryctrl;

namespace quil::lnx {

// Bounds on what a driver is believed: a listing never loops for ever.
inline constexpr int kMaxControls = 256;
inline constexpr int kMaxMenuEntries = 64;

enum class ControlType : uint8_t { Integer, Boolean, Menu };

struct MenuEntry {
    int32_t value = 0;
    std::string name;
};

struct CameraControl {
    uint32_t id = 0;
    std::string name;
    ControlType type = ControlType::Integer;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    int32_t value = 0;
    std::vector<MenuEntry> menu;  // the entries the driver offers (menus only)
    bool readOnly = false;
    // Greyed out for now, e.g. a manual exposure while the automatic one is on.
    bool inactive = false;
    // An automatic switch (auto gain, white balance, exposure, focus, hue),
    // the manual control it governs and the value that turns it off.
    bool isAuto = false;
    uint32_t governs = 0;
    int32_t manualValue = 0;
};

// `value` moved into [minimum, maximum] and onto the nearest step from the
// minimum (a step of 0 or less counts as 1).
[[nodiscard]] int32_t clampToControl(const CameraControl& control, int64_t value);

// Over an open device (e.g. V4l2Camera::fd()); the descriptor stays the
// caller's.
class CameraControls {
public:
    CameraControls(V4l2Calls& calls, int fd) : calls_(calls), fd_(fd) {}

    // The integer, boolean and menu controls in the driver's order, without
    // the disabled ones.
    [[nodiscard]] std::vector<CameraControl> list() const;
    // One control as list() gives it; nullopt when the device has no such
    // control or it is of a kind not listed.
    [[nodiscard]] std::optional<CameraControl> query(uint32_t id) const;
    [[nodiscard]] std::optional<int32_t> get(uint32_t id) const;
    // Sets the control to `value` clamped to its range and step (a menu
    // value must be one of its entries); the value set, or nullopt when the
    // device refused or the control is read-only.
    std::optional<int32_t> set(uint32_t id, int64_t value);

private:
    // The control the driver described, with its menu and current value.
    [[nodiscard]] std::optional<CameraControl> describe(const v4l2_queryctrl& q) const;

    V4l2Calls& calls_;
    int fd_;
};

}  // namespace quil::lnx
