// The camera settings window: a row a control (a slider, a check box or a
// menu), changes applied to the camera as they are made, and a reset.
#pragma once

#include <QPoint>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "app_layer/texts.h"
#include "linux/camera_tool/settings_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace quil::lnx {

inline constexpr char kToolTitle[] = "Quilbrand - cámara";
inline constexpr char kResetText[] = "Restablecer";

// The modal warning the tool shows instead of its window, in the tracker's
// words for a missing camera (app_layer/texts.h).
void showNoCameraWarning();

class SettingsWindow final : public QWidget {
public:
    explicit SettingsWindow(SettingsModel& model);

    // Where each row's control (by the control's name) and the reset button
    // can be clicked, in the window's own coordinates.
    [[nodiscard]] std::vector<std::pair<std::string, QPoint>> places() const;

private:
    struct RowWidgets {
        QLabel* name = nullptr;
        QWidget* editor = nullptr;
        QSlider* slider = nullptr;
        QCheckBox* check = nullptr;
        QComboBox* combo = nullptr;
        QLabel* value = nullptr;
    };

    RowWidgets makeRow(std::size_t row);
    // Every row as the model has it now; the widgets' signals held meanwhile,
    // so that showing a value does not set it again.
    void refresh();

    SettingsModel& model_;
    std::vector<RowWidgets> widgets_;
    QWidget* reset_ = nullptr;
};

}  // namespace quil::lnx
