#include "linux/camera_tool/settings_model.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <limits>

namespace quil::lnx {

namespace {

// A slider counts its positions in an int.
constexpr int64_t kMaxSliderPosition = std::numeric_limits<int>::max();

int64_t stepOf(const CameraControl& c) { return c.step > 0 ? c.step : 1; }

bool onMenu(const CameraControl& c, int32_t value) {
    return std::any_of(c.menu.begin(), c.menu.end(),
                       [value](const MenuEntry& e) { return e.value == value; });
}

// A check box needs a value for each state. An automatic switch is off at
// its manual value; a menu switch (exposure) is on at its default, or else
// at the first automatic entry. A menu without both stays a menu.
SettingRow rowFor(const CameraControl& c) {
    SettingRow row;
    row.control = c;
    if (c.type == ControlType::Integer) {
        row.kind = RowKind::Slider;
    } else if (c.type == ControlType::Boolean) {
        row.kind = RowKind::CheckBox;
        row.offValue = c.isAuto ? c.manualValue : c.minimum;
        row.onValue = row.offValue == c.maximum ? c.minimum : c.maximum;
    } else if (c.isAuto && onMenu(c, c.manualValue)) {
        const auto automatic = std::find_if(c.menu.begin(), c.menu.end(), [&](const MenuEntry& e) {
            return e.value != c.manualValue;
        });
        if (automatic == c.menu.end()) {
            row.kind = RowKind::Choice;
            return row;
        }
        row.kind = RowKind::CheckBox;
        row.offValue = c.manualValue;
        const bool defaultIsAutomatic =
            c.defaultValue != c.manualValue && onMenu(c, c.defaultValue);
        row.onValue = defaultIsAutomatic ? c.defaultValue : automatic->value;
    } else {
        row.kind = RowKind::Choice;
    }
    return row;
}

// Off at its manual value; exposure's shutter priority also leaves the
// exposure time to the user (the camera works the iris).
bool overrides(const CameraControl& sw) {
    if (sw.id == V4L2_CID_EXPOSURE_AUTO && sw.value == V4L2_EXPOSURE_SHUTTER_PRIORITY) return false;
    return sw.value != sw.manualValue;
}

}  // namespace

int sliderPositions(const CameraControl& control) {
    const int64_t span = std::max<int64_t>(int64_t{control.maximum} - control.minimum, 0);
    return static_cast<int>(std::min(span / stepOf(control), kMaxSliderPosition));
}

int32_t valueAtPosition(const CameraControl& control, int position) {
    const int64_t p = std::clamp<int64_t>(position, 0, sliderPositions(control));
    return clampToControl(control, control.minimum + p * stepOf(control));
}

int positionOfValue(const CameraControl& control, int64_t value) {
    const int64_t onStep = clampToControl(control, value);
    const int64_t p = (onStep - control.minimum) / stepOf(control);
    return static_cast<int>(std::min<int64_t>(p, sliderPositions(control)));
}

SettingsModel::SettingsModel(CameraControls& controls) : controls_(controls) {
    for (const CameraControl& c : controls_.list()) rows_.push_back(rowFor(c));
    updateGreying();
}

bool SettingsModel::checked(std::size_t row) const {
    return row < rows_.size() && rows_[row].control.value != rows_[row].offValue;
}

std::optional<int32_t> SettingsModel::change(std::size_t row, int64_t value) {
    if (row >= rows_.size() || rows_[row].greyed) return std::nullopt;
    const CameraControl& c = rows_[row].control;
    const std::optional<int32_t> set = controls_.set(c.id, value);
    // A refused change still reads back, so that the row shows the truth; a
    // control that cannot be read (write-only) shows what was set.
    if (!readBack(row) && set) rows_[row].control.value = *set;
    // Turning a switch off or on may move the value it governs.
    if (c.isAuto) {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (rows_[i].control.id == c.governs) readBack(i);
        }
    }
    updateGreying();
    if (!set) return std::nullopt;
    return rows_[row].control.value;
}

std::optional<int32_t> SettingsModel::setChecked(std::size_t row, bool on) {
    if (row >= rows_.size() || rows_[row].kind != RowKind::CheckBox) return std::nullopt;
    return change(row, on ? rows_[row].onValue : rows_[row].offValue);
}

// A manual control takes its value only while its switch is off (some
// cameras refuse it otherwise): a switch goes to manual first where its
// default is manual or the control it governs is away from its default,
// then the manual controls take their defaults, then the switches theirs.
bool SettingsModel::reset() {
    bool all = true;
    auto setDefault = [&](const CameraControl& c, int32_t value) {
        if (!c.readOnly && !controls_.set(c.id, value)) all = false;
    };
    for (const SettingRow& r : rows_) {
        const CameraControl& c = r.control;
        if (!c.isAuto) continue;
        const auto governed = std::find_if(rows_.begin(), rows_.end(), [&](const SettingRow& g) {
            return g.control.id == c.governs;
        });
        const bool governedAway =
            governed != rows_.end() && governed->control.value != governed->control.defaultValue;
        if (c.defaultValue == c.manualValue || governedAway) setDefault(c, c.manualValue);
    }
    for (const SettingRow& r : rows_) {
        if (!r.control.isAuto) setDefault(r.control, r.control.defaultValue);
    }
    for (const SettingRow& r : rows_) {
        if (r.control.isAuto) setDefault(r.control, r.control.defaultValue);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) readBack(i);
    updateGreying();
    return all;
}

bool SettingsModel::readBack(std::size_t row) {
    CameraControl& c = rows_[row].control;
    const std::optional<int32_t> v = controls_.get(c.id);
    if (v) c.value = *v;
    return v.has_value();
}

const SettingRow* SettingsModel::switchOf(uint32_t governed) const {
    const auto it = std::find_if(rows_.begin(), rows_.end(), [&](const SettingRow& r) {
        return r.control.isAuto && r.control.governs == governed;
    });
    return it == rows_.end() ? nullptr : &*it;
}

// A control with a listed switch follows that switch's value, which the
// driver's inactive flag (read once, at the listing) may not have caught up
// with; any other keeps the driver's flag.
void SettingsModel::updateGreying() {
    for (SettingRow& r : rows_) {
        const SettingRow* sw = switchOf(r.control.id);
        const bool overridden = sw != nullptr ? overrides(sw->control) : r.control.inactive;
        r.greyed = r.control.readOnly || overridden;
    }
}

}  // namespace quil::lnx
