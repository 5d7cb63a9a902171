// Running Quilbrand2 as a separate process and watching it from outside:
// its windows, its message boxes, the event log of the test build, its exit.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quil::wintest {

inline constexpr DWORD kPatienceMs = 20000;

inline constexpr char kMainClass[] = "Quilbrand2";
inline constexpr char kBoxClass[] = "#32770";
inline constexpr char kMenuClass[] = "#32768";
inline constexpr char kWarning[] = "Advertencia";
inline constexpr DWORD kPollMs = 20;

// The build hands us Unix paths; under Wine they are reached through Z:.
inline std::string windowsPath(const std::string& path) {
    std::string out = (!path.empty() && path[0] == '/') ? "Z:" : "";
    for (char c : path) out.push_back(c == '/' ? '\\' : c);
    return out;
}

inline void pause(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls `ready` until it holds or the patience runs out.
inline bool waitUntil(const std::function<bool()>& ready, DWORD patienceMs = kPatienceMs) {
    for (DWORD waited = 0; waited < patienceMs; waited += kPollMs) {
        if (ready()) return true;
        pause(kPollMs);
    }
    return ready();
}

struct WindowQuery {
    DWORD process = 0;
    const char* className = nullptr;  // null: any
    const char* title = nullptr;      // null: any
    bool visibleOnly = false;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collectWindow(HWND window, LPARAM data) {
    auto& q = *reinterpret_cast<WindowQuery*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (q.process != 0 && owner != q.process) return TRUE;
    char text[256] = {};
    if (q.className != nullptr) {
        GetClassNameA(window, text, sizeof text);
        if (lstrcmpiA(text, q.className) != 0) return TRUE;
    }
    if (q.title != nullptr) {
        GetWindowTextA(window, text, sizeof text);
        if (std::string(text) != q.title) return TRUE;
    }
    if (q.visibleOnly && !IsWindowVisible(window)) return TRUE;
    q.found.push_back(window);
    return TRUE;
}

// Top-level windows of a process.
inline std::vector<HWND> windowsOf(DWORD process, const char* className, const char* title,
                                   bool visibleOnly = false) {
    WindowQuery q{process, className, title, visibleOnly, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

inline std::string windowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The text of a message box (its static control).
inline std::string messageBoxText(HWND box) {
    constexpr int kMessageBoxTextId = 0xFFFF;
    char text[512] = {};
    GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof text);
    return text;
}

inline void pressOk(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

// A process of ours, ended (by force if need be) when the test ends.
class Program {
public:
    Program(const std::string& unixPath, const std::filesystem::path& workDir,
            const std::vector<std::pair<std::string, std::string>>& environment = {}) {
        for (const auto& [name, value] : environment)
            SetEnvironmentVariableA(name.c_str(), value.c_str());
        std::string command(1, '"');
        command += windowsPath(unixPath);
        command += '"';
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  workDir.string().c_str(), &startup, &info_) != FALSE;
        for (const auto& entry : environment) SetEnvironmentVariableA(entry.first.c_str(), nullptr);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, kPatienceMs);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    [[nodiscard]] bool started() const { return started_; }
    [[nodiscard]] DWORD id() const { return info_.dwProcessId; }
    [[nodiscard]] bool running() const {
        return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
    }
    // The exit code, or -1 if it has not ended within the patience.
    [[nodiscard]] long waitExit(DWORD patienceMs = kPatienceMs) const {
        if (!started_ || WaitForSingleObject(info_.hProcess, patienceMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }
    // The first window of this process with that class (and title), once
    // it exists (and is visible, if asked).
    [[nodiscard]] HWND waitWindow(const char* className, const char* title = nullptr,
                                  bool visible = false, DWORD patienceMs = kPatienceMs) const {
        HWND found = nullptr;
        waitUntil(
            [&] {
                const auto all = windowsOf(id(), className, title, visible);
                found = all.empty() ? nullptr : all.front();
                return found != nullptr;
            },
            patienceMs);
        return found;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

// A fresh, empty working directory for one run.
inline std::filesystem::path freshWorkDir(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::filesystem::path dir = std::filesystem::path(temp) / ("quil-" + name);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::vector<std::string> readEvents(const std::filesystem::path& dir) {
    std::vector<std::string> lines;
    std::ifstream in(dir / "events.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline bool hasEvent(const std::vector<std::string>& events, const std::string& line) {
    return std::find(events.begin(), events.end(), line) != events.end();
}

// Position of the first event starting with `prefix`, or -1.
inline long eventIndex(const std::vector<std::string>& events, const std::string& prefix) {
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
    }
    return -1;
}

inline bool waitEvent(const std::filesystem::path& dir, const std::string& prefix,
                      DWORD patienceMs = kPatienceMs) {
    return waitUntil([&] { return eventIndex(readEvents(dir), prefix) >= 0; }, patienceMs);
}

inline long countEvents(const std::vector<std::string>& events, const std::string& prefix) {
    return std::count_if(events.begin(), events.end(),
                         [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

// A fingerprint of what the screen shows of a window's client area.
inline uint64_t clientFingerprint(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const HDC screen = GetDC(nullptr);
    uint64_t hash = 1469598103934665603ull;
    constexpr int kStep = 4;
    for (int y = 0; y < client.bottom; y += kStep) {
        for (int x = 0; x < client.right; x += kStep) {
            hash = (hash ^ GetPixel(screen, origin.x + x, origin.y + y)) * 1099511628211ull;
        }
    }
    ReleaseDC(nullptr, screen);
    return hash;
}

// The whole screen as a 24-bit BMP file, for the documentation.
inline void saveScreen(const std::filesystem::path& file) {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof info.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride * h));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// Screenshots are taken only when the environment names a folder for them.
inline void screenshot(const char* name) {
    char dir[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QUIL_SCREENSHOTS", dir, MAX_PATH) == 0) return;
    // Let the display catch up with windows just shown.
    constexpr DWORD kSettleMs = 800;
    pause(kSettleMs);
    saveScreen(std::filesystem::path(dir) / (std::string(name) + ".bmp"));
}

}  // namespace quil::wintest
