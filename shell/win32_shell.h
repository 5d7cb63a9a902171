// The operating system's half of Quilbrand2's start and end, in the order
// app_layer/lifetime.h runs both: the main window and its tray icon, the
// capture driver, the warnings, the frame timer, the message loop.
#pragma once

#include "app_layer/lifetime.h"
#include "shell/app.h"

namespace quil::win {

class Win32Shell final : public ProgramShell {
public:
    explicit Win32Shell(App& app) : app_(app) {}

    // The main window (its WM_CREATE adds the tray icon) and the capture
    // window inside it.
    bool createWindows() override;
    // The first driver that connects; the view is shown as it connects,
    // then the format is forced to 640 x 480 RGB24.
    CameraStart openCamera() override;
    // A box owned by the main window.
    void warn(const char* text) override;
    // Shown as the camera connected, the view gives the capture window the
    // activation; the eyes window's and the gesture prompt's pictures are
    // loaded.
    void showView() override;
    void startFrames() override;

    void stopFrames() override;
    // Preview off, then the driver disconnected.
    void stopCamera() override;
    // The main window is being destroyed; the eyes, options and About
    // windows live on threads of their own, which the process's end stops.
    // The pointing test goes unsaved.
    void closeWindows() override { app_.pointing.leave(); }
    void removeTrayIcon() override;
    void endMessageLoop() override;

private:
    App& app_;
};

}  // namespace quil::win
