#include "shell/dwell_ring.h"

#include <algorithm>
#include <span>

#include "shell/ring_picture.h"

namespace quil::win {

namespace {

// A click and the focus must go to the window beneath: transparent to the
// mouse, never activated, off the taskbar, above the topmost camera view and
// keyboard.
constexpr DWORD kRingExStyle =
    WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;

LRESULT CALLBACK ringProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

DwellRing::~DwellRing() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    if (dc_ != nullptr) {
        if (oldBitmap_ != nullptr) SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

bool DwellRing::create() {
    if (window_ != nullptr) return true;
    WNDCLASSA ring{};
    ring.lpfnWndProc = ringProc;
    ring.hInstance = instance_;
    ring.lpszClassName = kDwellRingClassName;
    // A second ring (a test's) finds the class already there.
    if (RegisterClassA(&ring) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kRingSide;
    info.bmiHeader.biHeight = -kRingSide;  // top-down, as drawRing writes
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ == nullptr || dc_ == nullptr || bits == nullptr) return false;
    oldBitmap_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);

    window_ = CreateWindowExA(kRingExStyle, kDwellRingClassName, "", WS_POPUP, 0, 0, kRingSide,
                              kRingSide, nullptr, nullptr, instance_, nullptr);
    return window_ != nullptr;
}

void DwellRing::show(ScreenPoint centre, int32_t thousandths) {
    const int32_t fill = std::clamp(thousandths, 0, 1000);
    if (fill == 0) {
        if (window_ != nullptr && shown_ != 0) ShowWindow(window_, SW_HIDE);
        shown_ = 0;
        return;
    }
    if (!create()) return;
    if (fill != drawn_) {
        drawRing(std::span<uint32_t>(bits_, static_cast<size_t>(kRingSide) * kRingSide), kRingSide,
                 fill);
        GdiFlush();
        drawn_ = fill;
        present(centre);
    } else if (!(centre == at_) || shown_ == 0) {
        present(centre);
    }
    if (shown_ == 0) {
        // Shown without activation, and raised above the other topmost
        // windows each time it appears.
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    shown_ = fill;
    at_ = centre;
}

void DwellRing::present(ScreenPoint centre) {
    POINT to{centre.x - kRingSide / 2, centre.y - kRingSide / 2};
    SIZE size{kRingSide, kRingSide};
    POINT from{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window_, nullptr, &to, &size, dc_, &from, 0, &blend, ULW_ALPHA);
}

}  // namespace quil::win
