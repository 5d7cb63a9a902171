// Small owners for Win32 handles, so that every handle the program opens is
// closed on every path. Shared by the Windows layers (shell, capture, eyes
// window), so that none of them reaches into the shell for it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <utility>

namespace quil::win {

// A kernel handle (thread, event) closed with CloseHandle.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : handle_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    [[nodiscard]] HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// A popup menu destroyed with DestroyMenu.
class UniqueMenu {
public:
    explicit UniqueMenu(HMENU m) : menu_(m) {}
    UniqueMenu(const UniqueMenu&) = delete;
    UniqueMenu& operator=(const UniqueMenu&) = delete;
    ~UniqueMenu() {
        if (menu_ != nullptr) DestroyMenu(menu_);
    }
    [[nodiscard]] HMENU get() const { return menu_; }
    explicit operator bool() const { return menu_ != nullptr; }

private:
    HMENU menu_ = nullptr;
};

// A memory device context and the bitmap selected into it, restored and
// deleted on scope exit.
class MemoryDc {
public:
    MemoryDc(HDC compatibleWith, HBITMAP bitmap)
        : dc_(CreateCompatibleDC(compatibleWith)),
          old_(dc_ != nullptr ? SelectObject(dc_, bitmap) : nullptr) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_ == nullptr) return;
        if (old_ != nullptr) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    [[nodiscard]] HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Starts a thread that ends itself; its handle is not needed afterwards.
// Returns whether the thread started.
inline bool startDetachedThread(LPTHREAD_START_ROUTINE routine, void* argument) {
    UniqueHandle thread(CreateThread(nullptr, 0, routine, argument, 0, nullptr));
    return static_cast<bool>(thread);
}

inline HWND toHwnd(std::uintptr_t handle) { return reinterpret_cast<HWND>(handle); }
inline std::uintptr_t fromHwnd(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

}  // namespace quil::win
