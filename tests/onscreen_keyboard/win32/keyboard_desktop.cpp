#include "keyboard_desktop.h"

#include <algorithm>

namespace quil::osk::wintest {

namespace {

constexpr wchar_t kTrackerClass[] = L"Quilbrand2";
constexpr char kKeyboardClass[] = "Plakette2";

}  // namespace

FakeTracker::FakeTracker() {
    WNDCLASSW c{};
    c.lpfnWndProc = proc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = kTrackerClass;
    RegisterClassW(&c);
    window_ = CreateWindowExW(0, kTrackerClass, kTrackerClass, WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, c.hInstance, this);
}

FakeTracker::~FakeTracker() {
    if (IsWindow(window_)) DestroyWindow(window_);
}

LRESULT CALLBACK FakeTracker::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeTracker*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr &&
        (message == keyboard::kMsgKeyboardHello || message == keyboard::kMsgKeyboardGone ||
         message == keyboard::kMsgKeyboardDock || message == keyboard::kMsgKeyboardScroll ||
         message == keyboard::kMsgKeyboardPause)) {
        self->received_.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int FakeTracker::count(UINT message) const {
    return static_cast<int>(std::count_if(received_.begin(), received_.end(),
                                          [&](const Received& r) { return r.message == message; }));
}

bool FakeTracker::waitFor(UINT message, int atLeast) const {
    return pumpUntil([&] { return count(message) >= atLeast; });
}

WPARAM FakeTracker::last(UINT message) const {
    for (auto it = received_.rbegin(); it != received_.rend(); ++it) {
        if (it->message == message) return it->wParam;
    }
    return 0;
}

TextBox::TextBox() {
    WNDCLASSW c{};
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"QuilTextBoxTest";
    RegisterClassW(&c);
    frame_ = CreateWindowExW(0, c.lpszClassName, L"Text", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                             420, 220, nullptr, nullptr, c.hInstance, nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_WANTRETURN, 10,
                            10, 380, 150, frame_, nullptr, c.hInstance, nullptr);
    SetForegroundWindow(frame_);
    SetFocus(edit_);
    pumpUntil([&] { return hasFocus(); }, 5000);
}

TextBox::~TextBox() { DestroyWindow(frame_); }

std::u16string TextBox::text() const {
    constexpr int kMaxText = 256;
    wchar_t buffer[kMaxText] = {};
    GetWindowTextW(edit_, buffer, kMaxText);
    return reinterpret_cast<const char16_t*>(buffer);
}

bool TextBox::hasFocus() const { return GetForegroundWindow() == frame_ && GetFocus() == edit_; }

bool TextBox::waitText(const std::u16string& wanted, DWORD patienceMs) const {
    return pumpUntil([&] { return text() == wanted; }, patienceMs);
}

std::vector<HWND> keyboardWindows() { return quil::wintest::windowsOf(0, kKeyboardClass, nullptr); }

RunningKeyboard startKeyboard(const std::string& name) {
    RunningKeyboard k;
    k.program = std::make_unique<Program>(QUIL_KEYBOARD_PATH, quil::wintest::freshWorkDir(name));
    pumpUntil([&] {
        const auto all = quil::wintest::windowsOf(k.program->id(), kKeyboardClass, nullptr, true);
        k.window = all.empty() ? nullptr : all.front();
        return k.window != nullptr;
    });
    return k;
}

void movePointer(int x, int y) {
    constexpr DWORD kSteadyMs = 300;
    DWORD steadySince = GetTickCount();
    SetCursorPos(x, y);
    pumpUntil([&] {
        POINT p{};
        GetCursorPos(&p);
        if (p.x != x || p.y != y) {
            SetCursorPos(x, y);
            steadySince = GetTickCount();
            return false;
        }
        return GetTickCount() - steadySince >= kSteadyMs;
    });
}

void pointAt(HWND keyboard, const Key& key) {
    RECT r{};
    GetWindowRect(keyboard, &r);
    const auto [x, y] = testing::centreOf(key);
    movePointer(r.left + x, r.top + y);
}

bool tell(HWND keyboard, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(keyboard, message, wParam, lParam, SMTO_NORMAL, kPatienceMs,
                               &result) != 0;
}

void pressKey(HWND keyboard, const Key& key) {
    pointAt(keyboard, key);
    tell(keyboard, keyboard::kMsgKeyPress, keyboard::kKeyPressWParam, keyboard::kKeyPressLParam);
}

}  // namespace quil::osk::wintest
