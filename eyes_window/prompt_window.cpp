#include "eyes_window/prompt_window.h"

#include "win32_common/handles.h"

namespace quil::win {

namespace {

// Topmost above the user's windows, out of the taskbar, never activated,
// and (layered and transparent) invisible to the mouse.
constexpr DWORD kPromptExStyle =
    WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT;
constexpr BYTE kOpaque = 255;

PromptWindow* promptOf(HWND window) {
    return reinterpret_cast<PromptWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HBITMAP pictureFor(const PromptPictures& pictures, PromptPicture picture) {
    switch (picture) {
        case PromptPicture::EyesClosed:
            return pictures.eyesClosed;
        case PromptPicture::MouthOpen:
            return pictures.mouthOpen;
        case PromptPicture::None:
            break;
    }
    return nullptr;
}

RECT toRect(const PromptRect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

}  // namespace

PromptWindow::~PromptWindow() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

bool PromptWindow::create() {
    WNDCLASSA type{};
    type.lpfnWndProc = proc;
    type.hInstance = instance_;
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    type.lpszClassName = kPromptClassName;
    // Already registered by an earlier prompt of this process: fine.
    RegisterClassA(&type);
    window_ = CreateWindowExA(kPromptExStyle, kPromptClassName, "", WS_POPUP | WS_BORDER, 0, 0,
                              kPromptWidth, kPromptHeight, nullptr, nullptr, instance_, this);
    if (window_ == nullptr) return false;
    SetLayeredWindowAttributes(window_, 0, kOpaque, LWA_ALPHA);
    font_ = CreateFontA(kPromptFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, "Tahoma");
    return true;
}

void PromptWindow::show(GesturePrompt prompt, const PromptRect& place) {
    if (prompt == GesturePrompt::None) {
        if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
        return;
    }
    if (window_ == nullptr && !create()) return;
    look_ = promptLook(prompt);
    // The caption is the window's text too, for the tests and screen readers.
    SetWindowTextA(window_, look_.caption);
    SetWindowPos(window_, HWND_TOPMOST, place.x, place.y, place.width, place.height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(window_, nullptr, TRUE);
}

void PromptWindow::paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window_, &ps);
    RECT all{};
    GetClientRect(window_, &all);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HBITMAP picture = pictureFor(pictures, look_.picture);
    BITMAP size{};
    if (picture != nullptr && GetObjectA(picture, sizeof size, &size) != 0) {
        MemoryDc memory(dc, picture);
        if (memory) {
            const PromptRect to = promptPictureRect();
            SetStretchBltMode(dc, HALFTONE);
            StretchBlt(dc, to.x, to.y, to.width, to.height, memory.get(), 0, 0, size.bmWidth,
                       size.bmHeight, SRCCOPY);
        }
    }
    RECT caption = toRect(promptCaptionRect(look_.picture));
    const HGDIOBJ oldFont = font_ != nullptr ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, look_.caption, -1, &caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (oldFont != nullptr) SelectObject(dc, oldFont);
    EndPaint(window_, &ps);
}

LRESULT CALLBACK PromptWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_PAINT: {
            PromptWindow* prompt = promptOf(window);
            if (prompt == nullptr || prompt->window_ != window) break;
            prompt->paint();
            return 0;
        }
        // Should a click reach it anyway, it neither activates it nor stays.
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace quil::win
