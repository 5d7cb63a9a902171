// The pointer and the left button on an X11 display: moved and pressed
// through the XTest extension, so that every program sees real input, and
// read back from the server, so that a hand on the mouse is noticed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "linux/desktop/pointer_device.h"
#include "linux/desktop/wheel_notches.h"

// Xlib's display, kept out of the header: its macros (None, Bool, ...) would
// reach every file that names the pointer.
struct _XDisplay;

namespace quil::lnx {

class X11Pointer final : public PointerDevice {
public:
    // Opens its own connection to `displayName` (empty: $DISPLAY).
    static std::unique_ptr<X11Pointer> open(const std::string& displayName = {});
    X11Pointer(const X11Pointer&) = delete;
    X11Pointer& operator=(const X11Pointer&) = delete;
    ~X11Pointer() override;

    [[nodiscard]] int32_t screenWidth() const override { return width_; }
    [[nodiscard]] int32_t screenHeight() const override { return height_; }

    [[nodiscard]] ScreenPoint position() override;
    void moveTo(int32_t x, int32_t y) override;
    void leftButton(bool down) override;
    // X's wheel is buttons 4 to 7, one click per notch.
    void wheel(int32_t vertical, int32_t horizontal) override;
    // Whether the left button is down on the server, by anyone's hand.
    [[nodiscard]] bool leftButtonDown();

private:
    explicit X11Pointer(_XDisplay* display);

    _XDisplay* display_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    // Pressed by us and not yet released.
    bool held_ = false;
    WheelNotches vertical_;
    WheelNotches horizontal_;
};

}  // namespace quil::lnx
