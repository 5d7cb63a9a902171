// The capture window: created inside the main window, connected to the first
// driver that answers, forced to 640 x 480 RGB24, and asked for one frame on
// every tick of the 75 ms timer. Each frame goes straight to the tracker.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// vfw.h needs windows.h before it.
#include <vfw.h>

#include "tracker/desktop.h"
#include "tracker/frame_report.h"
#include "tracker/tracker_state.h"

namespace quil::win {

inline constexpr int kDriverProbeCount = 10;  // driver indices 0..9
inline constexpr int kDriverTextSize = 80;
inline constexpr UINT_PTR kFrameTimerId = 1;
inline constexpr UINT kFramePeriodMs = 75;

inline constexpr LONG kCaptureWidth = 640;
inline constexpr LONG kCaptureHeight = 480;
inline constexpr WORD kCaptureBits = 24;
inline constexpr DWORD kCaptureImageSize = 640 * 480 * 3;

// The format record exchanged with the driver: a header and one colour entry.
static_assert(sizeof(BITMAPINFO) == 44, "the driver expects a 44-byte format record");

// Whether the driver already delivers 640 x 480, 24 bits, uncompressed.
[[nodiscard]] bool formatIsRight(const BITMAPINFOHEADER& h);
// Writes the five required values, leaving the rest as the driver gave it.
void forceFormat(BITMAPINFOHEADER& h);

// Creates the capture child over the whole view; s.session.captureWindow is null if
// that failed.
void createCaptureView(TrackerState& s);
// Probes driver indices 0..9 and connects the first that answers. False when
// none connects (or there is no capture window).
[[nodiscard]] bool connectFirstDriver(const TrackerState& s);
// Frame callback to the tracker, overlay on, preview off, scaling on.
void configureCapture(TrackerState& s, Desktop& desktop);
// Reads the format and forces 640 x 480 RGB24 when it differs. False when the
// driver refuses (or there is no capture window).
[[nodiscard]] bool ensureVideoFormat(const TrackerState& s);
// Starts the 75 ms timer, the camera counting as just connected.
void startFrameTimer(const TrackerState& s);
// One frame; the tracker runs inside this call.
void grabFrame(const TrackerState& s);
// The timer's tick: grabs a frame while the camera sends them. A camera
// silent for 2 s (unplugged, or dead after a sleep) is disconnected, tracking
// starts over with no button held, and the drivers are probed again every
// 2 s until one connects with the right format.
void onFrameTimer(TrackerState& s, Desktop& desktop);
// Probes the drivers again and sets the connected one up as at start-up.
[[nodiscard]] bool reconnectCamera(TrackerState& s, Desktop& desktop);
void captureOverlayOn(const TrackerState& s);
// Preview off, then disconnect the driver.
void stopCapture(const TrackerState& s);

// The frame callback: hands the frame to the tracker configured above.
LRESULT CALLBACK onCapturedFrame(HWND captureWindow, VIDEOHDR* header);

// Told of each frame's report once the tracker has run on it, for the
// shell's windows that a head shake leaves. One listener; null removes it.
using FrameListener = void (*)(const FrameReport& report, void* context);
void listenToFrames(FrameListener listener, void* context);

}  // namespace quil::win
