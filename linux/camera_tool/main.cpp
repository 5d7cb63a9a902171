// quilbrand-camera: the camera's own settings (brightness, exposure, focus...)
// set live, beside the tracker or on their own.
#include <QApplication>
#include <QIcon>

#include "linux/camera/camera_controls.h"
#include "linux/camera_tool/control_device.h"
#include "linux/camera_tool/settings_model.h"
#include "linux/camera_tool/settings_window.h"
#include "linux/camera_tool/tool_choice.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    // The desktop finds the menu entry and the icon the package installs by
    // these names.
    QGuiApplication::setDesktopFileName(QStringLiteral("quilbrand-camera"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quilbrand")));
    const std::unique_ptr<quil::lnx::V4l2Calls> calls = quil::lnx::makeToolCalls();
    quil::lnx::ControlDevice device(*calls);
    // No camera is not a failure: the user is told, as the tracker tells.
    if (!device.open()) {
        quil::lnx::showNoCameraWarning();
        return 0;
    }
    quil::lnx::CameraControls controls(*calls, device.fd());
    quil::lnx::SettingsModel model(controls);
    quil::lnx::SettingsWindow window(model);
    window.show();
    quil::lnx::watchWindow(window);
    return QApplication::exec();
}
