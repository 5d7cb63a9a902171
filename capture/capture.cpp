#include "capture/capture.h"

#include <span>

#include "capture/capture_driver.h"
#include "tracker/camera_watch.h"
#include "tracker/frame_driver.h"
#include "win32_common/handles.h"

namespace quil::win {

namespace {

constexpr char kCaptureWindowName[] = "Quilbrand2";
constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);

// The capture driver's callback carries no context, and there is one
// capture window per program: the tracker it feeds is kept here.
struct FrameSink {
    TrackerState* state = nullptr;
    Desktop* desktop = nullptr;
    CameraWatch watch;
};
FrameSink sink;

int64_t nowMs() { return static_cast<int64_t>(GetTickCount64()); }

HWND captureOf(const TrackerState& s) { return toHwnd(s.session.captureWindow); }

// Every capture message but the per-tick grab goes through here: a capture
// window that does not exist answers 0.
LRESULT sendGuarded(const TrackerState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND capture = captureOf(s);
    if (capture == nullptr || !IsWindow(capture)) return 0;
    return SendMessageA(capture, message, wParam, lParam);
}

}  // namespace

bool formatIsRight(const BITMAPINFOHEADER& h) {
    return h.biWidth == kCaptureWidth && h.biHeight == kCaptureHeight &&
           h.biSizeImage == kCaptureImageSize && h.biCompression == BI_RGB &&
           h.biBitCount == kCaptureBits;
}

void forceFormat(BITMAPINFOHEADER& h) {
    h.biWidth = kCaptureWidth;
    h.biHeight = kCaptureHeight;
    h.biSizeImage = kCaptureImageSize;
    h.biCompression = BI_RGB;
    h.biBitCount = kCaptureBits;
}

void createCaptureView(TrackerState& s) {
    // Clipped by its siblings, the picture leaves the band over it alone.
    const HWND capture =
        createCaptureWindow(kCaptureWindowName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                            s.view.viewWidth, s.view.viewHeight, toHwnd(s.session.mainWindow), 0);
    s.session.captureWindow = fromHwnd(capture);
}

bool connectFirstDriver(const TrackerState& s) {
    for (int index = 0; index < kDriverProbeCount; ++index) {
        char name[kDriverTextSize] = {};
        char version[kDriverTextSize] = {};
        if (!driverDescription(index, name, kDriverTextSize, version, kDriverTextSize)) continue;
        if (sendGuarded(s, WM_CAP_DRIVER_CONNECT, static_cast<WPARAM>(index), 0) != 0) {
            return true;
        }
    }
    return false;
}

void configureCapture(TrackerState& s, Desktop& desktop) {
    sink.state = &s;
    sink.desktop = &desktop;
    sendGuarded(s, WM_CAP_SET_CALLBACK_FRAME, 0, reinterpret_cast<LPARAM>(&onCapturedFrame));
    sendGuarded(s, WM_CAP_SET_OVERLAY, 1, 0);
    sendGuarded(s, WM_CAP_SET_PREVIEW, 0, 0);
    sendGuarded(s, WM_CAP_SET_SCALE, 1, 0);
}

bool ensureVideoFormat(const TrackerState& s) {
    // Should the query fail, the natural header values go with the forced
    // format.
    BITMAPINFO format{};
    format.bmiHeader.biSize = kHeaderSize;
    format.bmiHeader.biPlanes = 1;
    sendGuarded(s, WM_CAP_GET_VIDEOFORMAT, sizeof(format), reinterpret_cast<LPARAM>(&format));
    if (formatIsRight(format.bmiHeader)) return true;
    forceFormat(format.bmiHeader);
    return sendGuarded(s, WM_CAP_SET_VIDEOFORMAT, sizeof(format),
                       reinterpret_cast<LPARAM>(&format)) != 0;
}

void startFrameTimer(const TrackerState& s) {
    sink.watch.connected(nowMs());
    SetTimer(toHwnd(s.session.mainWindow), kFrameTimerId, kFramePeriodMs, nullptr);
}

void grabFrame(const TrackerState& s) {
    SendMessageA(captureOf(s), WM_CAP_GRAB_FRAME_NOSTOP, 0, 0);
}

bool reconnectCamera(TrackerState& s, Desktop& desktop) {
    if (!connectFirstDriver(s)) return false;
    configureCapture(s, desktop);
    if (ensureVideoFormat(s)) return true;
    sendGuarded(s, WM_CAP_DRIVER_DISCONNECT, 0, 0);
    return false;
}

void onFrameTimer(TrackerState& s, Desktop& desktop) {
    const int64_t now = nowMs();
    switch (sink.watch.tick(now)) {
        case CameraStep::Grab:
            // A failed grab brings no frame; the watch hears the silence.
            grabFrame(s);
            break;
        case CameraStep::Gone:
            cameraGone(s, desktop);
            stopCapture(s);
            break;
        case CameraStep::Reconnect:
            sink.watch.reconnected(now, reconnectCamera(s, desktop));
            break;
        case CameraStep::Wait:
            break;
    }
}

void captureOverlayOn(const TrackerState& s) { sendGuarded(s, WM_CAP_SET_OVERLAY, 1, 0); }

void stopCapture(const TrackerState& s) {
    sendGuarded(s, WM_CAP_SET_PREVIEW, 0, 0);
    sendGuarded(s, WM_CAP_DRIVER_DISCONNECT, 0, 0);
}

LRESULT CALLBACK onCapturedFrame(HWND /*captureWindow*/, VIDEOHDR* header) {
    if (sink.state == nullptr || header == nullptr || header->lpData == nullptr) return TRUE;
    sink.watch.frameArrived(nowMs());
    // Only the bytes the driver says it filled, never beyond its buffer; the
    // tracker drops a frame that is too short.
    DWORD length = header->dwBytesUsed != 0 ? header->dwBytesUsed : header->dwBufferLength;
    if (header->dwBufferLength != 0 && length > header->dwBufferLength) {
        length = header->dwBufferLength;
    }
    frameCallback(*sink.state, *sink.desktop, std::span<uint8_t>(header->lpData, length));
    return TRUE;
}

}  // namespace quil::win
