// The main window: the camera view, the tray icon and its menu, the About
// box, the messages of the keyboard program, and the program's teardown.
#pragma once

#include "app_layer/texts.h"
#include "app_layer/tray_menu.h"
#include "shell/app.h"

namespace quil::win {

// The tray icon's callback message and its record.
inline constexpr UINT kTrayMessage = 600;
inline constexpr UINT kTrayIconId = 100;
inline constexpr char kTrayTip[] = "Quilbrand";
// The tip while paused: the name and the corner view's words.
inline constexpr char kPausedTrayTip[] = "Quilbrand - En pausa";

// Menu commands: the portable menu's commands above kTrayCommandBase.
inline constexpr UINT commandId(TrayCommand command) {
    return static_cast<UINT>(kTrayCommandBase + static_cast<int32_t>(command));
}
inline constexpr UINT kCmdAbout = commandId(TrayCommand::About);
inline constexpr UINT kCmdOptions = commandId(TrayCommand::Options);
inline constexpr UINT kCmdExit = commandId(TrayCommand::Exit);
inline constexpr UINT kCmdManual = commandId(TrayCommand::Manual);
inline constexpr UINT kCmdPrecise = commandId(TrayCommand::PreciseTracking);
inline constexpr UINT kCmdCheckGestures = commandId(TrayCommand::CheckGestures);
inline constexpr UINT kCmdSensitivityLow = commandId(TrayCommand::SensitivityLow);
inline constexpr UINT kCmdSensitivityMedium = commandId(TrayCommand::SensitivityMedium);
inline constexpr UINT kCmdSensitivityHigh = commandId(TrayCommand::SensitivityHigh);

// The menu opens with its top this far above the pointer.
inline constexpr int kMenuLift = 15;

// The window procedure of class "Quilbrand2". Its creation data is the App.
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Removes the tray icon if it is shown.
void removeTrayIcon(App& app);

}  // namespace quil::win
