// The ring around the pointer that fills as a dwell click or a held gesture
// approaches: a small topmost layered window that takes neither clicks nor
// the focus, so that the click it announces lands on the window beneath.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

#include "tracker/desktop.h"

namespace quil::win {

inline constexpr char kDwellRingClassName[] = "QuilbrandDwellRing";

class DwellRing {
public:
    explicit DwellRing(HINSTANCE instance) : instance_(instance) {}
    DwellRing(const DwellRing&) = delete;
    DwellRing& operator=(const DwellRing&) = delete;
    ~DwellRing();

    // Thousandths filled, 1..1000, centred on `centre`; 0 hides it. The
    // window and its picture are made at the first showing and kept, so a
    // steady frame only redraws the picture when the fill has changed.
    void show(ScreenPoint centre, int32_t thousandths);
    [[nodiscard]] HWND window() const { return window_; }
    // The fill shown, 0 while hidden.
    [[nodiscard]] int32_t shown() const { return shown_; }

private:
    bool create();
    void present(ScreenPoint centre);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
    int32_t drawn_ = -1;
    int32_t shown_ = 0;
    ScreenPoint at_{};
};

}  // namespace quil::win
