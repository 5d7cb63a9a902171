// The keyboard's window and its link with the tracker.
//
// The window never takes the focus: the program the user types into keeps
// it while keys are pressed and when the tracker shows the keyboard. All
// work happens on the one thread that runs the message loop; the tracker's
// messages arrive as sent messages on it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quil::osk::win {

inline constexpr wchar_t kWindowClass[] = L"Plakette2";
inline constexpr wchar_t kWindowTitle[] = L"plakette2";
inline constexpr wchar_t kTrackerClass[] = L"Quilbrand2";
// Posted by a second copy of the program to the first: look for the
// tracker again and say hello, since a new tracker has started us.
inline constexpr UINT kMsgGreetAgain = WM_APP + 1;

// Creates the window, docked at the bottom centre and shown, and starts
// looking for the tracker. Null if the window cannot be made.
HWND createKeyboardWindow(HINSTANCE instance);

}  // namespace quil::osk::win
