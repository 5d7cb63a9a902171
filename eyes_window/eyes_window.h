// The eyes window: during calibration it covers the camera view with a face
// that opens and closes its eyes every 500 ms, prompting the user to blink.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "tracker/tracker_state.h"

namespace quil::win {

inline constexpr char kEyesClassName[] = "EYES";
inline constexpr UINT_PTR kEyesTimerId = 1;
inline constexpr UINT kEyesPeriodMs = 500;
inline constexpr int kEyesPictureWidth = 236;
inline constexpr int kEyesPictureHeight = 400;
// Where the picture sits: centred in the 640 x 480 view.
inline constexpr int kEyesPictureLeft = 202;
inline constexpr int kEyesPictureTop = 40;

// The two pictures the window alternates; loaded by start-up.
struct EyesPictures {
    HBITMAP open = nullptr;
    HBITMAP closed = nullptr;
};

// The window procedure of class "EYES".
LRESULT CALLBACK eyesWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Starts the eyes thread, which creates the window over the current view,
// stores it in s.shared.eyesWindow, hides the camera view and alternates the
// pictures until the window receives WM_DESTROY. Returns once the window
// exists (or its creation failed), so that the tracker can never ask to
// close an eyes window whose handle is not yet known.
void startEyesThread(TrackerState& s, HINSTANCE instance, const EyesPictures& pictures);

}  // namespace quil::win
