// The options window on Windows: a fixed picture of framed choices, worked
// with clicks alone, on a thread of its own.
//
// The shell registers the window class at start-up:
//   WNDCLASSEXA wc{...}; wc.lpszClassName = quil::win::kOptionsClassName;
//   wc.lpfnWndProc = quil::win::optionsWindowProc; RegisterClassExA(&wc);
// and opens the window from the tray menu or a click on the camera view,
// under the rule both shells share (app_layer/tray_menu.h, around
// requestOptionsWindow):
//   if (quil::askForOptionsWindow(s, desktop))
//       quil::win::startOptionsWindow(s, desktop, instance);
//
// The option rules, the layout and the pointer bounds are the portable
// options/options_window_logic.h; this file does the window work.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>

#include "options/options_file.h"
#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil::win {

inline constexpr char kOptionsClassName[] = "MOPTIONS";
inline constexpr char kOptionsPictureName[] = "Bitmap";
inline constexpr char kCheckMarkName[] = "checkbox";

// Starts the options thread, which creates the window centred on the
// screen (owned by s.session.mainWindow), confines the pointer to it, shows it with
// the mouse capture and sets s.shared.optionsOpen. Returns at once; false when an
// options window is already open or starting, or the thread cannot start.
// The state, the desktop and the instance must outlive the window (they are
// the program's own). OK saves to optionsFile.
bool startOptionsWindow(TrackerState& s, Desktop& desktop, HINSTANCE instance,
                        const std::filesystem::path& optionsFile = kOptionsFileName);

// The window procedure of class "MOPTIONS".
LRESULT CALLBACK optionsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Draws the window's face into dc: the picture at (0, 0) as large as
// width x height, and the tick over every chosen cell. Used by WM_PAINT;
// separate so that it can be drawn into any device context.
void paintOptions(HDC dc, const TrackerState& s, HBITMAP picture, HBITMAP checkMark, int width,
                  int height);

// True while an options thread runs (from startOptionsWindow until its
// message loop has ended).
[[nodiscard]] bool optionsThreadRunning();

}  // namespace quil::win
