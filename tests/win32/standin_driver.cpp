// A stand-in capture driver for the test build of Quilbrand2: a window class
// that answers the capture messages the program sends, logs them to the
// event log and hands synthetic frames to the frame callback, synchronously
// inside the grab, as a real driver does.
//
// The test harness sets it up through the environment variable
// QUIL_STANDIN of the test build (the shipped program reads none), a list
// of key=value pairs separated by ';':
//   drivers=0        driver indices that exist; "2x" exists but refuses
//                    to connect; empty: no driver at all
//   format=rgb24     what the camera delivers at first: rgb24 (already
//                    right), yuy2 (640 x 480 compressed), small (320 x 240)
//   refuse=1         the camera refuses the forced format
//   scene=still      the synthetic scene (see synthetic_scene.h); its steps
//                    are logged as "scene <step>"
//   unplug=FILE      while FILE exists the camera is unplugged: grabs bring
//                    nothing and connecting fails. Plugged back, it plays
//                    its scene from the start, as a camera just connected.
#include "standin_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/capture_driver.h"
#include "event_log.h"
#include "synthetic_scene.h"

namespace quil::win {

namespace {

using wintest::logEvent;

constexpr char kStandInClass[] = "QuilStandInCapture";

struct Config {
    std::set<int> drivers{0};
    std::set<int> refusing;
    std::string format = "rgb24";
    bool refuseFormat = false;
    std::string scene = "still";
    std::string unplugFile;
};

Config readConfig() {
    Config c;
    const char* text = std::getenv("QUIL_STANDIN");
    if (text == nullptr) return c;
    std::stringstream all(text);
    std::string item;
    while (std::getline(all, item, ';')) {
        const auto eq = item.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        if (key == "drivers") {
            c.drivers.clear();
            std::stringstream list(value);
            std::string d;
            while (std::getline(list, d, ',')) {
                if (d.empty()) continue;
                const int index = std::atoi(d.c_str());
                c.drivers.insert(index);
                if (d.back() == 'x') c.refusing.insert(index);
            }
        } else if (key == "format") {
            c.format = value;
        } else if (key == "refuse") {
            c.refuseFormat = value == "1";
        } else if (key == "scene") {
            c.scene = value;
        } else if (key == "unplug") {
            c.unplugFile = value;
        }
    }
    return c;
}

BITMAPINFO initialFormat(const std::string& kind) {
    BITMAPINFO f{};
    BITMAPINFOHEADER& h = f.bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biPlanes = 1;
    h.biWidth = 640;
    h.biHeight = 480;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    h.biSizeImage = 921600;
    if (kind == "yuy2") {
        h.biBitCount = 16;
        h.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
        h.biSizeImage = 640 * 480 * 2;
    } else if (kind == "small") {
        h.biWidth = 320;
        h.biHeight = 240;
        h.biSizeImage = 320 * 240 * 3;
    }
    return f;
}

using FrameCallback = LRESULT(CALLBACK*)(HWND, VIDEOHDR*);

struct Driver {
    Config config = readConfig();
    BITMAPINFO format = initialFormat(config.format);
    bool connected = false;
    FrameCallback callback = nullptr;
    std::vector<uint8_t> frame = std::vector<uint8_t>(wintest::kSceneBytes);
    int frames = 0;
    int calibratedAt = -1;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
    bool wasUnplugged = false;
};
Driver driver;

bool unplugged() {
    return !driver.config.unplugFile.empty() &&
           GetFileAttributesA(driver.config.unplugFile.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string describe(const BITMAPINFOHEADER& h) {
    std::ostringstream out;
    out << h.biWidth << "x" << h.biHeight << "x" << h.biBitCount << " compression "
        << h.biCompression << " size " << h.biSizeImage;
    return out.str();
}

LRESULT grab(HWND window) {
    if (driver.connected && unplugged()) {
        logEvent("capture unplugged");
        driver.connected = false;
        driver.wasUnplugged = true;
    }
    if (!driver.connected || driver.callback == nullptr) return 0;
    if (driver.frames == 0) logEvent("capture first-grab");
    const wintest::FacePose pose =
        wintest::scenePose(driver.config.scene, driver.frames, driver.calibratedAt);
    if (const char* step =
            wintest::sceneStep(driver.config.scene, driver.frames, driver.calibratedAt)) {
        logEvent(std::string("scene ") + step);
    }
    wintest::renderFrame(pose, driver.config.scene != "still", driver.frame);
    VIDEOHDR header{};
    header.lpData = driver.frame.data();
    header.dwBufferLength = static_cast<DWORD>(driver.frame.size());
    header.dwBytesUsed = header.dwBufferLength;
    header.dwFlags = VHDR_DONE;
    const int before = driver.width;
    driver.callback(window, &header);
    // The tracker moves the view to the corner when it has calibrated.
    if (driver.calibratedAt < 0 && driver.width != before && driver.width < 640) {
        driver.calibratedAt = driver.frames;
        logEvent("capture calibrated-at " + std::to_string(driver.frames));
    }
    ++driver.frames;
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}

// Shows the last frame, scaled to the window, as the overlay would.
void paint(HWND window) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = wintest::kSceneWidth;
    info.bmiHeader.biHeight = wintest::kSceneHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    RECT client;
    GetClientRect(window, &client);
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, wintest::kSceneWidth,
                  wintest::kSceneHeight, driver.frame.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &ps);
}

LRESULT CALLBACK standInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CAP_DRIVER_CONNECT: {
            const int index = static_cast<int>(wParam);
            if (driver.config.refusing.count(index) != 0) {
                logEvent("capture connect-refused " + std::to_string(index));
                return 0;
            }
            if (unplugged()) {
                logEvent("capture connect-failed " + std::to_string(index));
                return 0;
            }
            logEvent("capture connect " + std::to_string(index));
            driver.connected = true;
            if (driver.wasUnplugged) {
                driver.wasUnplugged = false;
                driver.frames = 0;
                driver.calibratedAt = -1;
            }
            return 1;
        }
        case WM_CAP_SET_CALLBACK_FRAME:
            driver.callback = reinterpret_cast<FrameCallback>(lParam);
            logEvent(lParam != 0 ? "capture callback set" : "capture callback cleared");
            return 1;
        case WM_CAP_SET_OVERLAY:
            logEvent("capture overlay " + std::to_string(wParam));
            return 1;
        case WM_CAP_SET_PREVIEW:
            logEvent("capture preview " + std::to_string(wParam));
            return 1;
        case WM_CAP_SET_SCALE:
            logEvent("capture scale " + std::to_string(wParam));
            return 1;
        case WM_CAP_GET_VIDEOFORMAT: {
            logEvent("capture get-format " + std::to_string(wParam));
            if (lParam == 0 || !driver.connected) return 0;
            const size_t n = wParam < sizeof(BITMAPINFO) ? wParam : sizeof(BITMAPINFO);
            std::memcpy(reinterpret_cast<void*>(lParam), &driver.format, n);
            return static_cast<LRESULT>(n);
        }
        case WM_CAP_SET_VIDEOFORMAT: {
            if (lParam == 0) return 0;
            const auto& wanted = *reinterpret_cast<const BITMAPINFO*>(lParam);
            logEvent("capture set-format " + std::to_string(wParam) + " " +
                     describe(wanted.bmiHeader));
            if (driver.config.refuseFormat || !driver.connected) return 0;
            driver.format = wanted;
            return 1;
        }
        case WM_CAP_GRAB_FRAME_NOSTOP:
            return grab(window);
        case WM_CAP_DRIVER_DISCONNECT:
            logEvent("capture disconnect");
            driver.connected = false;
            return 1;
        case WM_SIZE:
            driver.width = LOWORD(lParam);
            driver.height = HIWORD(lParam);
            return 0;
        case WM_PAINT:
            paint(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

HWND createCaptureWindow(const char* name, DWORD style, int x, int y, int width, int height,
                         HWND parent, int id) {
    WNDCLASSA c{};
    c.lpfnWndProc = standInProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = kStandInClass;
    RegisterClassA(&c);
    driver.width = width;
    driver.height = height;
    driver.parent = parent;
    return CreateWindowExA(0, kStandInClass, name, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

HWND standInParent() { return driver.parent; }

bool driverDescription(int index, char* name, int nameSize, char* version, int versionSize) {
    if (driver.config.drivers.count(index) == 0) return false;
    if (nameSize > 0) std::snprintf(name, static_cast<size_t>(nameSize), "Stand-in %d", index);
    if (versionSize > 0) std::snprintf(version, static_cast<size_t>(versionSize), "1.0");
    return true;
}

}  // namespace quil::win
