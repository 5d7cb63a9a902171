#include "shell/view_notice.h"

#include <algorithm>

#include "app_layer/texts.h"

namespace quil::win {

namespace {

constexpr UINT_PTR kNoticeTimerId = 1;
// Small enough for the corner view (an eighth of the screen wide), where a
// long notice wraps over a few lines.
constexpr int kFontHeight = 13;
constexpr int kPadding = 2;
// Colours that stand out against a camera picture: blue while scrolling,
// amber while paused, red for a notice.
constexpr COLORREF kScrollingColour = RGB(20, 90, 200);
constexpr COLORREF kPausedColour = RGB(200, 120, 0);
constexpr COLORREF kNoticeColour = RGB(190, 30, 30);
constexpr COLORREF kTextColour = RGB(255, 255, 255);

ViewNotice* noticeOf(HWND band) {
    return reinterpret_cast<ViewNotice*>(GetWindowLongPtrA(band, GWLP_USERDATA));
}

COLORREF colourOf(HeadMode mode, bool notice) {
    if (notice) return kNoticeColour;
    return mode == HeadMode::Paused ? kPausedColour : kScrollingColour;
}

LRESULT CALLBACK bandProc(HWND band, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            // The view beneath takes the clicks (a click on it opens the options).
            return HTTRANSPARENT;
        case WM_TIMER:
            if (wParam == kNoticeTimerId) {
                KillTimer(band, kNoticeTimerId);
                if (ViewNotice* notice = noticeOf(band)) notice->noticeEnded();
            }
            return 0;
        case WM_PAINT:
            if (ViewNotice* notice = noticeOf(band)) {
                notice->paint();
                return 0;
            }
            return DefWindowProcA(band, message, wParam, lParam);
        default:
            return DefWindowProcA(band, message, wParam, lParam);
    }
}

}  // namespace

ViewNotice::~ViewNotice() {
    if (band_ != nullptr && IsWindow(band_)) DestroyWindow(band_);
    if (font_ != nullptr) DeleteObject(font_);
}

bool ViewNotice::attach(HWND view) {
    if (view == nullptr) return false;
    if (band_ != nullptr && view_ == view && IsWindow(band_)) return true;
    if (band_ != nullptr && IsWindow(band_)) DestroyWindow(band_);
    band_ = nullptr;
    view_ = view;
    WNDCLASSA c{};
    c.lpfnWndProc = bandProc;
    c.hInstance = instance_;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = kViewNoticeClassName;
    if (RegisterClassA(&c) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    if (font_ == nullptr) {
        font_ = CreateFontA(-kFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, "Arial");
    }
    // Clipped by its siblings, the camera's picture does not paint over it.
    band_ = CreateWindowExA(0, kViewNoticeClassName, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1, 1,
                            view, nullptr, instance_, nullptr);
    if (band_ == nullptr) return false;
    SetWindowLongPtrA(band_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void ViewNotice::showMode(HWND view, HeadMode mode) {
    mode_ = mode;
    if (!attach(view)) return;
    update();
}

void ViewNotice::showNotice(HWND view, const char* text) {
    if (!attach(view)) return;
    notice_ = text;
    SetTimer(band_, kNoticeTimerId, kNoticeShowMs, nullptr);
    update();
}

void ViewNotice::noticeEnded() {
    notice_ = nullptr;
    update();
}

const char* ViewNotice::text() const {
    if (notice_ != nullptr) return notice_;
    switch (mode_) {
        case HeadMode::Scrolling:
            return kScrollingNotice;
        case HeadMode::Paused:
            return kPausedNotice;
        case HeadMode::Pointing:
        default:
            return "";
    }
}

void ViewNotice::update() {
    if (band_ == nullptr) return;
    const char* words = text();
    if (words[0] == '\0') {
        ShowWindow(band_, SW_HIDE);
        return;
    }
    SetWindowTextA(band_, words);
    fit();
    SetWindowPos(band_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    InvalidateRect(band_, nullptr, TRUE);
}

void ViewNotice::paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(band_, &ps);
    RECT client{};
    GetClientRect(band_, &client);
    const HBRUSH brush = CreateSolidBrush(colourOf(mode_, notice_ != nullptr));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    const HGDIOBJ oldFont = font_ != nullptr ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColour);
    InflateRect(&client, -kPadding, -kPadding);
    DrawTextA(dc, text(), -1, &client, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    if (oldFont != nullptr) SelectObject(dc, oldFont);
    EndPaint(band_, &ps);
}

// As wide as the view, as tall as the words need at that width.
void ViewNotice::fit() {
    if (band_ == nullptr || view_ == nullptr) return;
    RECT view{};
    GetClientRect(view_, &view);
    const char* words = text();
    RECT need{0, 0, view.right - 2 * kPadding, 0};
    const HDC dc = GetDC(band_);
    const HGDIOBJ oldFont = font_ != nullptr ? SelectObject(dc, font_) : nullptr;
    DrawTextA(dc, words, -1, &need, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    if (oldFont != nullptr) SelectObject(dc, oldFont);
    ReleaseDC(band_, dc);
    const int height = std::min<int>(need.bottom + 2 * kPadding, view.bottom);
    MoveWindow(band_, 0, 0, view.right, height, TRUE);
}

}  // namespace quil::win
