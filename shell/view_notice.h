// The band across the top of the camera view that says what the head is
// doing when it is not pointing ("Desplazando", "En pausa"), and, for a few
// seconds, a notice such as a window that refuses our clicks. A child of the
// view, so it moves and hides with it; clicks pass through it to the view.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "tracker/desktop.h"

namespace quil::win {

inline constexpr char kViewNoticeClassName[] = "QuilbrandViewNotice";
// How long a notice stays before the band shows the mode again.
inline constexpr UINT kNoticeShowMs = 4000;

class ViewNotice {
public:
    explicit ViewNotice(HINSTANCE instance) : instance_(instance) {}
    ViewNotice(const ViewNotice&) = delete;
    ViewNotice& operator=(const ViewNotice&) = delete;
    ~ViewNotice();

    // Over `view` (the camera view's window), from now on.
    void showMode(HWND view, HeadMode mode);
    void showNotice(HWND view, const char* text);
    // Fits the band to the view's width again after the view changed size.
    void fit();

    [[nodiscard]] HWND window() const { return band_; }
    // What the band says now; empty while it is hidden.
    [[nodiscard]] const char* text() const;

    // The band's window procedure: the notice's time is up (the mode's
    // words come back), and the band's picture.
    void noticeEnded();
    void paint();

private:
    bool attach(HWND view);
    void update();

    HINSTANCE instance_;
    HWND view_ = nullptr;
    HWND band_ = nullptr;
    HFONT font_ = nullptr;
    HeadMode mode_ = HeadMode::Pointing;
    const char* notice_ = nullptr;
};

}  // namespace quil::win
