// "plakette2.exe": the on-screen keyboard of Quilbrand. One copy at a time:
// a second copy only asks the first to greet the tracker again, and ends.
#include "keyboard_window.h"

namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\QuilbrandPlakette2";

class Mutex {
public:
    Mutex() : handle_(CreateMutexW(nullptr, FALSE, kInstanceMutex)) {
        alreadyThere_ = GetLastError() == ERROR_ALREADY_EXISTS;
    }
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    ~Mutex() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    [[nodiscard]] bool alreadyThere() const { return alreadyThere_; }

private:
    HANDLE handle_;
    bool alreadyThere_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    using namespace quil::osk::win;
    const Mutex single;
    if (single.alreadyThere()) {
        const HWND first = FindWindowW(kWindowClass, nullptr);
        if (first != nullptr) PostMessageW(first, kMsgGreetAgain, 0, 0);
        return 0;
    }
    if (createKeyboardWindow(instance) == nullptr) return 0;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
