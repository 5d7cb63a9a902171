#include "options/window/options_window.h"

#include <atomic>
#include <cstddef>

#include "app_layer/texts.h"
#include "options/options_window_logic.h"

namespace quil::win {

namespace {

constexpr int kCheckMarkWidth = 25;
constexpr int kCheckMarkHeight = 23;
constexpr COLORREF kFallbackTick = RGB(20, 90, 215);

// What the one options thread works with. Only one options window exists at
// a time (running guards it), so a single context is enough; it is written
// before the thread starts and afterwards touched only by that thread.
struct OptionsContext {
    TrackerState* state = nullptr;
    Desktop* desktop = nullptr;
    HINSTANCE instance = nullptr;
    std::filesystem::path file;
    SavedOptions saved{};
    HBITMAP picture = nullptr;
    HBITMAP checkMark = nullptr;
    int clickedRow = 0;
    int clickedCol = 0;
};

OptionsContext context;
std::atomic<bool> running{false};

// Should a resource be missing the window stays usable: the cells are drawn
// as plain frames and the buttons get their words, so the user can still
// find OK, CANCEL and EXIT with the pointer confined to the window.
void paintFallback(HDC dc, int width, int height) {
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const auto frame = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int row = 0; row < kOptionRows; ++row) {
        const OptionLayoutRow& cells = kOptionLayout[static_cast<std::size_t>(row)];
        for (int col = 0; col < cells.count; ++col) {
            const OptionRect& c = cells.cells[static_cast<std::size_t>(col)];
            RECT r{c.left, c.top, c.right + 1, c.bottom + 1};
            FrameRect(dc, &r, frame);
            if (row == kButtonRow) {
                DrawTextA(dc, kOptionButtonWords[col], -1, &r,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            }
        }
    }
}

void blitTick(HDC dc, HDC memory, bool haveCheckMark, OptionPoint at) {
    if (haveCheckMark) {
        BitBlt(dc, at.x, at.y, kCheckMarkWidth, kCheckMarkHeight, memory, 0, 0, SRCCOPY);
        return;
    }
    RECT r{at.x, at.y, at.x + kCheckMarkWidth, at.y + kCheckMarkHeight};
    const HBRUSH brush = CreateSolidBrush(kFallbackTick);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// Keeps the system cursor on the window and tells the tracker where it is.
void confineCursor(HWND window, TrackerState& s) {
    RECT r;
    if (GetWindowRect(window, &r)) ClipCursor(&r);
    POINT p;
    if (GetCursorPos(&p)) s.shared.lastCursor.store({p.x, p.y});
}

void onClick(HWND window, LPARAM lParam) {
    OptionsContext& c = context;
    TrackerState& s = *c.state;
    // Signed words: a captured click left or above the window is negative.
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const std::optional<OptionCell> cell = hitTest(x, y);
    if (!cell) return;
    c.clickedRow = cell->row;
    c.clickedCol = cell->col;
    switch (applyOptionClick(s, *cell)) {
        case OptionButton::None:
            InvalidateRect(window, nullptr, FALSE);
            break;
        case OptionButton::Ok:
            ReleaseCapture();
            DestroyWindow(window);
            finishWithOk(s, *c.desktop, c.file);
            break;
        case OptionButton::Cancel:
            ReleaseCapture();
            DestroyWindow(window);
            finishWithCancel(s, *c.desktop, c.saved);
            break;
        case OptionButton::Exit:
            ReleaseCapture();
            DestroyWindow(window);
            // The main thread runs the teardown; the send returns after it.
            SendMessageA(reinterpret_cast<HWND>(s.session.mainWindow), WM_DESTROY, 0, 0);
            break;
    }
}

DWORD WINAPI optionsThread(LPVOID) {
    OptionsContext& c = context;
    TrackerState& s = *c.state;
    const HWND window =
        CreateWindowExA(0, kOptionsClassName, kOptionsTitle, WS_POPUP | WS_BORDER,
                        (s.session.screenWidth - kOptionsWindowWidth) / 2,
                        (s.session.screenHeight - kOptionsWindowHeight) / 2, kOptionsWindowWidth,
                        kOptionsWindowHeight, reinterpret_cast<HWND>(s.session.mainWindow), nullptr,
                        c.instance, nullptr);
    if (window == nullptr) {
        // No window: give the tracker the whole screen back and leave the
        // options closed, so that they can be opened again.
        restorePointerBounds(s);
        running = false;
        return 0;
    }
    c.saved = snapshotOptions(s);
    ShowWindow(window, SW_SHOWDEFAULT);
    SetCapture(window);
    s.shared.optionsOpen = true;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    running = false;
    return 0;
}

}  // namespace

bool startOptionsWindow(TrackerState& s, Desktop& desktop, HINSTANCE instance,
                        const std::filesystem::path& optionsFile) {
    bool idle = false;
    if (!running.compare_exchange_strong(idle, true)) return false;
    context.state = &s;
    context.desktop = &desktop;
    context.instance = instance;
    context.file = optionsFile;
    const HANDLE thread = CreateThread(nullptr, 0, optionsThread, nullptr, 0, nullptr);
    if (thread == nullptr) {
        running = false;
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool optionsThreadRunning() { return running; }

void paintOptions(HDC dc, const TrackerState& s, HBITMAP picture, HBITMAP checkMark, int width,
                  int height) {
    const HDC memory = CreateCompatibleDC(dc);
    if (picture != nullptr) {
        const HGDIOBJ old = SelectObject(memory, picture);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    } else {
        paintFallback(dc, width, height);
    }
    const HGDIOBJ old = checkMark != nullptr ? SelectObject(memory, checkMark) : nullptr;
    // Only cells of the layout: a stray 1 in row 0's unused third column
    // (a hand-edited file) has nowhere to go.
    for (int row = 0; row < kOptionRows; ++row) {
        const int count = kOptionLayout[static_cast<std::size_t>(row)].count;
        for (int col = 0; col < count; ++col) {
            if (s.shared.optionFlags[row * kOptionCols + col] == 1) {
                blitTick(dc, memory, checkMark != nullptr, tickPosition(row, col));
            }
        }
    }
    if (old != nullptr) SelectObject(memory, old);
    DeleteDC(memory);
}

LRESULT CALLBACK optionsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    OptionsContext& c = context;
    if (c.state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    TrackerState& s = *c.state;
    switch (message) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            c.picture = LoadBitmapA(create->hInstance, kOptionsPictureName);
            c.checkMark = LoadBitmapA(create->hInstance, kCheckMarkName);
            narrowPointerBounds(s);
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            const HDC dc = BeginPaint(window, &ps);
            RECT client;
            GetClientRect(window, &client);
            paintOptions(dc, s, c.picture, c.checkMark, client.right, client.bottom);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_MOVE:
        case WM_SIZE:
        case WM_SETFOCUS:
            confineCursor(window, s);
            return 0;
        case WM_LBUTTONUP:
            onClick(window, lParam);
            return 0;
        case WM_DESTROY:
            if (c.picture != nullptr) DeleteObject(c.picture);
            if (c.checkMark != nullptr) DeleteObject(c.checkMark);
            c.picture = nullptr;
            c.checkMark = nullptr;
            ClipCursor(nullptr);
            restorePointerBounds(s);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace quil::win
