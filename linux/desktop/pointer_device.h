// The pointer, the left button and the wheel as the Linux desktop offers them: through
// the X server on an X11 session, through a virtual input device (uinput)
// on a Wayland session, where no program may move the pointer directly.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"

namespace quil::lnx {

class PointerDevice {
public:
    PointerDevice() = default;
    PointerDevice(const PointerDevice&) = delete;
    PointerDevice& operator=(const PointerDevice&) = delete;
    virtual ~PointerDevice() = default;

    [[nodiscard]] virtual int32_t screenWidth() const = 0;
    [[nodiscard]] virtual int32_t screenHeight() const = 0;
    // Where the pointer is; a device that cannot read it back gives the
    // place it last moved it to.
    [[nodiscard]] virtual ScreenPoint position() = 0;
    virtual void moveTo(int32_t x, int32_t y) = 0;
    virtual void leftButton(bool down) = 0;
    // Turns the wheel over the window under the pointer, in 120ths of a
    // notch (Desktop::scrollWheel's signs: positive scrolls up and right).
    virtual void wheel(int32_t vertical, int32_t horizontal) = 0;
};

}  // namespace quil::lnx
