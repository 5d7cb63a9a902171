// One shared log of test events, "events.log" in the current directory,
// written by the stand-in capture driver, the test build's entry and the
// test keyboard program, and read back by the tests. Each line is appended
// whole, so lines of different processes do not interleave.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace quil::wintest {

inline constexpr char kEventLogName[] = "events.log";

inline void logEvent(const std::string& line) {
    const HANDLE file = CreateFileA(kEventLogName, FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Whether the tray holds the icon (window, id): only an existing icon can
// be modified.
inline bool trayIconExists(HWND window, UINT id) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = id;
    icon.uFlags = NIF_TIP;
    std::snprintf(icon.szTip, sizeof(icon.szTip), "%s", "Quilbrand");
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}

}  // namespace quil::wintest
