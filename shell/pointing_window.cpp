#include "shell/pointing_window.h"

#include <cstdio>
#include <utility>

#include "app_layer/texts.h"
#include "capture/capture.h"

namespace quil::win {

namespace {

// Dark ground and a bright lit target: the lit one must stand out at a
// glance for a user whose eyes are also their pointer.
constexpr COLORREF kGround = RGB(32, 32, 40);
constexpr COLORREF kLit = RGB(255, 200, 40);
constexpr COLORREF kUnlit = RGB(90, 90, 110);
constexpr COLORREF kWriting = RGB(230, 230, 230);
constexpr int kUnlitPen = 2;
// The close button: large, as every target a head must reach.
constexpr int kCloseWidth = 240;
constexpr int kCloseHeight = 90;
constexpr int kCloseId = 1;
constexpr int kTextSize = 20;
constexpr int kLineHeight = 36;

std::string format(const char* pattern, double a, double b = 0, double c = 0, double d = 0,
                   double e = 0) {
    char line[160];
    std::snprintf(line, sizeof line, pattern, a, b, c, d, e);
    return line;
}

// The date as the results file keeps it: "2026-12-08 14:05".
std::string localTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char when[32];
    std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute);
    return when;
}

void drawLine(HDC dc, const std::string& text, int top, const RECT& client) {
    RECT line{client.left, top, client.right, top + kLineHeight};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &line,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Sent by the capture after each frame; the context is the window.
void heard(const FrameReport& report, void* context) {
    static_cast<PointingWindow*>(context)->frameSeen(report);
}

// No CS_DBLCLKS: two quick clicks on near targets must both arrive as
// presses, not the second as a double click the test would not see.
bool registerClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSA c{};
    if (GetClassInfoA(instance, kPointingClassName, &c)) return true;
    c.lpfnWndProc = proc;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = kPointingClassName;
    return RegisterClassA(&c) != 0;
}

}  // namespace

PointingWindow::~PointingWindow() {
    if (listening_) listenToFrames(nullptr, nullptr);
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    if (textFont_ != nullptr) DeleteObject(textFont_);
    if (tableFont_ != nullptr) DeleteObject(tableFont_);
}

bool PointingWindow::create(HINSTANCE instance) {
    if (window_ != nullptr && IsWindow(window_)) return true;
    if (!registerClass(instance, proc)) return false;
    if (textFont_ == nullptr) {
        textFont_ = CreateFontA(-kTextSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    }
    // The table's columns line up only in a fixed-width face.
    if (tableFont_ == nullptr) {
        tableFont_ = CreateFontA(-kTextSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    }
    window_ = CreateWindowExA(WS_EX_TOPMOST, kPointingClassName, kPointingTitle, WS_POPUP, 0, 0, 1,
                              1, nullptr, nullptr, instance, this);
    if (window_ == nullptr) return false;
    close_ = CreateWindowExA(
        0, "BUTTON", kPointingClose, WS_CHILD | BS_PUSHBUTTON, 0, 0, kCloseWidth, kCloseHeight,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCloseId)), instance, nullptr);
    if (close_ != nullptr && textFont_ != nullptr) {
        SendMessageA(close_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_), FALSE);
    }
    return true;
}

bool PointingWindow::start(HINSTANCE instance, ScreenRect area, std::filesystem::path resultsFile,
                           std::string engine, std::vector<pointing::Condition> conditions,
                           int rounds) {
    if (area.width <= 0 || area.height <= 0 || !create(instance)) return false;
    resultsFile_ = std::move(resultsFile);
    engine_ = std::move(engine);
    conditions_ = conditions.empty() ? pointing::standardConditions(area.width, area.height)
                                     : std::move(conditions);
    session_.emplace(area.width, area.height, conditions_, rounds);
    result_.reset();
    saved_ = false;
    if (close_ != nullptr) ShowWindow(close_, SW_HIDE);
    QueryPerformanceCounter(&startTicks_);
    if (!listening_) {
        listenToFrames(heard, this);
        listening_ = true;
    }
    SetWindowPos(window_, HWND_TOPMOST, area.x, area.y, area.width, area.height, SWP_SHOWWINDOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
    InvalidateRect(window_, nullptr, FALSE);
    return true;
}

void PointingWindow::leave() {
    session_.reset();
    result_.reset();
    if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

// The shake that starts the tracker over also leaves the test, unsaved: the
// user's way out without a click.
void PointingWindow::frameSeen(const FrameReport& report) {
    if (report.loss == LossReason::HeadShake && shown()) leave();
}

bool PointingWindow::shown() const { return window_ != nullptr && IsWindowVisible(window_); }

double PointingWindow::secondsNow() const {
    if (clock) return clock();
    LARGE_INTEGER now{};
    LARGE_INTEGER rate{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&rate);
    if (rate.QuadPart == 0) return 0.0;
    return static_cast<double>(now.QuadPart - startTicks_.QuadPart) /
           static_cast<double>(rate.QuadPart);
}

// Every press counts, on the target or not: a miss is part of the measure.
void PointingWindow::select(int x, int y) {
    if (!session_ || result_) return;
    session_->select({static_cast<double>(x), static_cast<double>(y)}, secondsNow());
    if (session_->finished()) finish();
    InvalidateRect(window_, nullptr, FALSE);
}

// The figures are kept even when the file cannot be written: the user still
// sees them.
void PointingWindow::finish() {
    result_ = session_->result();
    saved_ =
        pointing::appendResult(resultsFile_, pointing::csvLine(*result_, localTime(), engine_));
    if (close_ == nullptr) return;
    RECT client{};
    GetClientRect(window_, &client);
    SetWindowPos(close_, HWND_TOP, (client.right - kCloseWidth) / 2,
                 client.bottom - 2 * kCloseHeight, kCloseWidth, kCloseHeight, SWP_SHOWWINDOW);
}

LRESULT CALLBACK PointingWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PointingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT PointingWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            // Signed: a pointer left of or above the window gives negatives.
            select(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                leave();
                return 0;
            }
            break;
        case WM_COMMAND:
            // The close button: the figures were saved at the end.
            if (LOWORD(wParam) == kCloseId && HIWORD(wParam) == BN_CLICKED) {
                ShowWindow(window_, SW_HIDE);
                return 0;
            }
            break;
        case WM_CLOSE:
            leave();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            const HDC dc = BeginPaint(window_, &ps);
            RECT client{};
            GetClientRect(window_, &client);
            paint(dc, client);
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_DESTROY:
            window_ = nullptr;
            close_ = nullptr;
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

// Drawn off screen and copied at once: a full-screen repaint on each click
// would otherwise flicker under the user's eyes.
void PointingWindow::paint(HDC dc, const RECT& client) const {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP picture = CreateCompatibleBitmap(dc, width, height);
    if (memory == nullptr || picture == nullptr) {
        if (picture != nullptr) DeleteObject(picture);
        if (memory != nullptr) DeleteDC(memory);
        return;
    }
    const HGDIOBJ oldPicture = SelectObject(memory, picture);
    const HBRUSH ground = CreateSolidBrush(kGround);
    FillRect(memory, &client, ground);
    DeleteObject(ground);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, kWriting);
    if (result_) {
        paintResults(memory, client);
    } else if (session_) {
        paintTargets(memory, client);
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldPicture);
    DeleteObject(picture);
    DeleteDC(memory);
}

void PointingWindow::paintTargets(HDC dc, const RECT& client) const {
    const HGDIOBJ oldFont = SelectObject(dc, textFont_);
    drawLine(dc, kPointingHint, kLineHeight / 2, client);
    SelectObject(dc, oldFont);

    const HBRUSH lit = CreateSolidBrush(kLit);
    const HPEN unlit = CreatePen(PS_SOLID, kUnlitPen, kUnlit);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const double radius = session_->condition().width / 2.0;
    for (int i = 0; i < pointing::kTargetCount; ++i) {
        const pointing::Point c = session_->targetCentre(i);
        const bool isLit = i == session_->litTarget();
        SelectObject(dc, isLit ? GetStockObject(NULL_PEN) : static_cast<HGDIOBJ>(unlit));
        SelectObject(dc, isLit ? static_cast<HGDIOBJ>(lit) : GetStockObject(NULL_BRUSH));
        Ellipse(dc, static_cast<int>(c.x - radius), static_cast<int>(c.y - radius),
                static_cast<int>(c.x + radius) + 1, static_cast<int>(c.y + radius) + 1);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(lit);
    DeleteObject(unlit);
}

void PointingWindow::paintResults(HDC dc, const RECT& client) const {
    const pointing::TestResult& r = *result_;
    std::vector<std::string> lines{
        kPointingResultsHeading,
        "",
        format(kPointingThroughput, r.throughput),
        format(kPointingMovementTime, r.meanSeconds * 1000.0),
        format(kPointingErrorRate, r.errorRate() * 100.0),
        "",
        kPointingTableHeading,
    };
    for (const pointing::ConditionResult& c : r.conditions) {
        if (c.condition < 0 || c.condition >= static_cast<int>(conditions_.size())) continue;
        const pointing::Condition& k = conditions_[static_cast<size_t>(c.condition)];
        lines.push_back(format(kPointingTableRow, k.distance, k.width, c.effectiveWidth,
                               c.effectiveIndex, c.throughput));
    }
    const HGDIOBJ oldFont = SelectObject(dc, tableFont_);
    int top = kLineHeight * 2;
    for (const std::string& line : lines) {
        drawLine(dc, line, top, client);
        top += kLineHeight;
    }
    SelectObject(dc, oldFont);
}

}  // namespace quil::win
