// Helpers of the Win32 window tests: the options class, waiting for the
// options thread, and reading pixels back from bitmaps and the screen.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "options/window/options_window.h"

namespace quil::win {

// Registered as the shell registers it.
inline void registerOptionsClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = optionsWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BACKGROUND);
    wc.lpszClassName = kOptionsClassName;
    RegisterClassExA(&wc);
}

// This process's options window (tests of other processes may have theirs).
inline HWND optionsWindow() {
    HWND w = nullptr;
    while ((w = FindWindowExA(nullptr, w, kOptionsClassName, nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) return w;
    }
    return nullptr;
}

// Until the options thread's loop has ended (5 s at most).
inline void waitClosed() {
    for (int i = 0; i < 500 && optionsThreadRunning(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// 0x00RRGGBB, rows top-down.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    [[nodiscard]] uint32_t at(int x, int y) const {
        return rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)];
    }
};

inline Pixels readBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    Pixels p{width, height, std::vector<uint32_t>(static_cast<std::size_t>(width * height))};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), p.rgb.data(), &info, DIB_RGB_COLORS);
    for (auto& v : p.rgb) v &= 0xFFFFFF;
    return p;
}

inline Pixels loadBitmapPixels(const char* name) {
    const HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), name);
    if (bitmap == nullptr) return {};
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    const HDC screen = GetDC(nullptr);
    Pixels p = readBitmap(screen, bitmap, info.bmWidth, info.bmHeight);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return p;
}

// What the screen shows of a window's client area.
inline Pixels grabClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, old);
    Pixels p = readBitmap(memory, bitmap, client.right, client.bottom);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return p;
}

inline bool sameArea(const Pixels& a, int ax, int ay, const Pixels& b, int bx, int by, int w,
                     int h) {
    if (ax < 0 || ay < 0 || bx < 0 || by < 0 || ax + w > a.width || ay + h > a.height ||
        bx + w > b.width || by + h > b.height) {
        return false;
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (a.at(ax + x, ay + y) != b.at(bx + x, by + y)) return false;
        }
    }
    return true;
}

// A 24-bit bottom-up bitmap file, for looking at what a test saw.
inline void savePixels(const Pixels& p, const std::filesystem::path& file) {
    const uint32_t stride = (static_cast<uint32_t>(p.width) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * static_cast<uint32_t>(p.height);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    fh.bfSize = fh.bfOffBits + dataSize;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = p.width;
    ih.biHeight = p.height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = dataSize;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::vector<char> row(stride, 0);
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const uint32_t v = p.at(x, y);
            row[static_cast<std::size_t>(x) * 3 + 0] = static_cast<char>(v & 0xFF);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>((v >> 8) & 0xFF);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>((v >> 16) & 0xFF);
        }
        out.write(row.data(), static_cast<std::streamsize>(stride));
    }
}

}  // namespace quil::win
