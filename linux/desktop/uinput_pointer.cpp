#include "linux/desktop/uinput_pointer.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quil::lnx {

namespace {
// A made-up vendor and product: the compositor only needs them to differ
// from real devices'.
constexpr uint16_t kVendor = 0x1209;
constexpr uint16_t kProduct = 0x5142;
}  // namespace

int SystemUinputCalls::open(const char* path, int flags) { return ::open(path, flags); }
int SystemUinputCalls::close(int fd) { return ::close(fd); }
int SystemUinputCalls::ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg);
}
ssize_t SystemUinputCalls::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

// Declares the events (two absolute axes spanning the screen, the left
// button, the wheels, sync), names the device, and creates it. A kernel
// older than the high-resolution wheel axes refuses them: the device goes
// on with whole notches.
std::unique_ptr<UinputPointer> UinputPointer::create(UinputCalls& calls, int32_t screenWidth,
                                                     int32_t screenHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) return nullptr;
    const int fd = calls.open(kUinputPath, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto bit = [&](unsigned long request, int value) {
        return calls.ioctl(fd, request, reinterpret_cast<void*>(static_cast<intptr_t>(value))) == 0;
    };
    bool ok = bit(UI_SET_EVBIT, EV_KEY) && bit(UI_SET_KEYBIT, BTN_LEFT) &&
              bit(UI_SET_EVBIT, EV_ABS) && bit(UI_SET_ABSBIT, ABS_X) && bit(UI_SET_ABSBIT, ABS_Y) &&
              bit(UI_SET_EVBIT, EV_REL) && bit(UI_SET_RELBIT, REL_WHEEL) &&
              bit(UI_SET_RELBIT, REL_HWHEEL) && bit(UI_SET_EVBIT, EV_SYN);
    const bool fineWheel =
        ok && bit(UI_SET_RELBIT, REL_WHEEL_HI_RES) && bit(UI_SET_RELBIT, REL_HWHEEL_HI_RES);
    const int32_t extent[2] = {screenWidth, screenHeight};
    const int axes[2] = {ABS_X, ABS_Y};
    for (int i = 0; ok && i < 2; ++i) {
        uinput_abs_setup axis{};
        axis.code = static_cast<uint16_t>(axes[i]);
        axis.absinfo.minimum = 0;
        axis.absinfo.maximum = extent[i] - 1;
        ok = calls.ioctl(fd, UI_ABS_SETUP, &axis) == 0;
    }
    if (ok) {
        uinput_setup setup{};
        setup.id.bustype = BUS_VIRTUAL;
        setup.id.vendor = kVendor;
        setup.id.product = kProduct;
        std::strncpy(setup.name, kUinputDeviceName, UINPUT_MAX_NAME_SIZE - 1);
        ok = calls.ioctl(fd, UI_DEV_SETUP, &setup) == 0 &&
             calls.ioctl(fd, UI_DEV_CREATE, nullptr) == 0;
    }
    if (!ok) {
        calls.close(fd);
        return nullptr;
    }
    return std::unique_ptr<UinputPointer>(
        new UinputPointer(calls, fd, screenWidth, screenHeight, fineWheel));
}

UinputPointer::UinputPointer(UinputCalls& calls, int fd, int32_t width, int32_t height,
                             bool fineWheel)
    : calls_(calls),
      fd_(fd),
      width_(width),
      height_(height),
      last_{width / 2, height / 2},
      fineWheel_(fineWheel) {}

UinputPointer::~UinputPointer() {
    // A button left down would stay down for every program after us.
    if (held_) leftButton(false);
    calls_.ioctl(fd_, UI_DEV_DESTROY, nullptr);
    calls_.close(fd_);
}

void UinputPointer::moveTo(int32_t x, int32_t y) {
    last_ = {std::clamp(x, 0, width_ - 1), std::clamp(y, 0, height_ - 1)};
    sendEvent(EV_ABS, ABS_X, last_.x);
    sendEvent(EV_ABS, ABS_Y, last_.y);
    sendEvent(EV_SYN, SYN_REPORT, 0);
}

void UinputPointer::leftButton(bool down) {
    sendEvent(EV_KEY, BTN_LEFT, down ? 1 : 0);
    sendEvent(EV_SYN, SYN_REPORT, 0);
    held_ = down;
}

void UinputPointer::wheel(int32_t vertical, int32_t horizontal) {
    const int32_t up = vertical_.take(vertical);
    const int32_t right = horizontal_.take(horizontal);
    const bool fine = fineWheel_ && (vertical != 0 || horizontal != 0);
    if (!fine && up == 0 && right == 0) return;
    constexpr int32_t kMaxFine = kMaxNotchesPerCall * kWheelNotch;
    if (fineWheel_ && vertical != 0) {
        sendEvent(EV_REL, REL_WHEEL_HI_RES, std::clamp(vertical, -kMaxFine, kMaxFine));
    }
    if (fineWheel_ && horizontal != 0) {
        sendEvent(EV_REL, REL_HWHEEL_HI_RES, std::clamp(horizontal, -kMaxFine, kMaxFine));
    }
    if (up != 0) sendEvent(EV_REL, REL_WHEEL, up);
    if (right != 0) sendEvent(EV_REL, REL_HWHEEL, right);
    sendEvent(EV_SYN, SYN_REPORT, 0);
}

void UinputPointer::sendEvent(int type, int code, int value) {
    input_event event{};
    event.type = static_cast<uint16_t>(type);
    event.code = static_cast<uint16_t>(code);
    event.value = value;
    // A full kernel queue drops the event; the next frame moves again.
    calls_.write(fd_, &event, sizeof event);
}

}  // namespace quil::lnx
