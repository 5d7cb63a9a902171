// A virtual absolute pointer with a left button and a wheel, made through uinput: on a
// Wayland session the compositor moves its pointer only for input devices.
// The device's axes span the screen, so a position maps to a pixel. The
// compositor never tells where its pointer is, so position() gives the
// place last set: a hand on the mouse does not pause tracking there.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>

#include "linux/desktop/pointer_device.h"
#include "linux/desktop/wheel_notches.h"

namespace quil::lnx {

inline constexpr char kUinputPath[] = "/dev/uinput";
inline constexpr char kUinputDeviceName[] = "Quilbrand head pointer";

// The system calls uinput takes, replaced in the tests.
class UinputCalls {
public:
    UinputCalls() = default;
    UinputCalls(const UinputCalls&) = delete;
    UinputCalls& operator=(const UinputCalls&) = delete;
    virtual ~UinputCalls() = default;
    virtual int open(const char* path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual ssize_t write(int fd, const void* data, std::size_t size) = 0;
};

class SystemUinputCalls final : public UinputCalls {
public:
    int open(const char* path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
};

class UinputPointer final : public PointerDevice {
public:
    // Null when the device cannot be made (no uinput, or no permission: the
    // package's udev rule gives the logged-in user access).
    static std::unique_ptr<UinputPointer> create(UinputCalls& calls, int32_t screenWidth,
                                                 int32_t screenHeight);
    ~UinputPointer() override;

    [[nodiscard]] int32_t screenWidth() const override { return width_; }
    [[nodiscard]] int32_t screenHeight() const override { return height_; }
    [[nodiscard]] ScreenPoint position() override { return last_; }
    void moveTo(int32_t x, int32_t y) override;
    void leftButton(bool down) override;
    // The high-resolution axes in 120ths, when the kernel took them, with
    // the whole notches on the classic axes for programs that read only those.
    void wheel(int32_t vertical, int32_t horizontal) override;
    [[nodiscard]] bool fineWheel() const { return fineWheel_; }

private:
    UinputPointer(UinputCalls& calls, int fd, int32_t width, int32_t height, bool fineWheel);
    void sendEvent(int type, int code, int value);

    UinputCalls& calls_;
    int fd_;
    int32_t width_;
    int32_t height_;
    ScreenPoint last_;
    bool held_ = false;
    bool fineWheel_;
    WheelNotches vertical_;
    WheelNotches horizontal_;
};

}  // namespace quil::lnx
