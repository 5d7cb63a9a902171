// The main window: the camera view, the tray icon and its menu, the About
// box, the messages of the keyboard program, and the program's teardown.
#pragma once

#include "quil_version.h"
#include "shell/app.h"

namespace quil::win {

// The tray icon's callback message and its record.
inline constexpr UINT kTrayMessage = 600;
inline constexpr UINT kTrayIconId = 100;
inline constexpr char kTrayTip[] = "Quilbrand";

// Menu commands.
inline constexpr UINT kCmdAbout = 32769;
inline constexpr UINT kCmdOptions = 32770;
inline constexpr UINT kCmdExit = 32771;
inline constexpr UINT kCmdManual = 32772;
inline constexpr UINT kCmdPrecise = 32773;

// The menu item that chooses the precise engine, right after "Options":
// checked while it is chosen, greyed while it cannot run (no model) or the
// options window is open.
inline constexpr char kPreciseItemText[] = "Precise tracking";

// The menu opens with its top this far above the pointer.
inline constexpr int kMenuLift = 15;

inline constexpr char kAboutCaption[] = "Quilbrand 2";
// The second line also names the release.
inline constexpr char kAboutText[] =
    "Quilbrand team, 2007\nhttps://quilbrand.example.org/ - version " QUIL_VERSION;
inline constexpr char kManualFile[] = "manual.pdf";

// The window procedure of class "Quilbrand2". Its creation data is the App.
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Removes the tray icon if it is shown.
void removeTrayIcon(App& app);

}  // namespace quil::win
