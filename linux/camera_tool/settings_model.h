// What the camera settings window shows and does, without its widgets: one
// row a control, which rows are greyed, what a change sets and the reset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "linux/camera/camera_controls.h"

namespace quil::lnx {

// How a row lets the control be changed.
enum class RowKind : uint8_t { Slider, CheckBox, Choice };

struct SettingRow {
    CameraControl control;  // `value` is the one the driver last gave
    RowKind kind = RowKind::Slider;
    // Disabled: read-only, or overridden by its automatic switch.
    bool greyed = false;
    // Check boxes: the values for ticked and not ticked.
    int32_t onValue = 1;
    int32_t offValue = 0;
};

// A slider moves in whole steps: position p stands for minimum + p * step.
// The last position; capped where a slider's int could not count further.
[[nodiscard]] int sliderPositions(const CameraControl& control);
[[nodiscard]] int32_t valueAtPosition(const CameraControl& control, int position);
// The position of the step nearest `value` (clamped to the control).
[[nodiscard]] int positionOfValue(const CameraControl& control, int64_t value);

class SettingsModel {
public:
    // Lists the device's controls.
    explicit SettingsModel(CameraControls& controls);

    [[nodiscard]] const std::vector<SettingRow>& rows() const { return rows_; }
    [[nodiscard]] bool checked(std::size_t row) const;

    // Sets the row's control to `value` (clamped to its range and step) and
    // reads back what the driver took; nullopt when the row does not exist,
    // is greyed or the device refused. The rows then show the driver's
    // values and greying.
    std::optional<int32_t> change(std::size_t row, int64_t value);
    std::optional<int32_t> setChecked(std::size_t row, bool on);
    // Every control that can be set back to its default; false when the
    // device refused any.
    bool reset();

private:
    // False when the driver would not say.
    bool readBack(std::size_t row);
    void updateGreying();
    [[nodiscard]] const SettingRow* switchOf(uint32_t governed) const;

    CameraControls& controls_;
    std::vector<SettingRow> rows_;
};

}  // namespace quil::lnx
