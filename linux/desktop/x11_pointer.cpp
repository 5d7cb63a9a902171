#include "linux/desktop/x11_pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

#include "linux/desktop/xtest_display.h"

namespace quil::lnx {

namespace {
constexpr unsigned kLeftButton = 1;

struct PointerState {
    ScreenPoint at;
    unsigned buttons = 0;
};

PointerState queryPointer(Display* display) {
    Window root = 0;
    Window child = 0;
    PointerState p;
    int winX = 0;
    int winY = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &p.at.x, &p.at.y, &winX,
                  &winY, &p.buttons);
    return p;
}
}  // namespace

std::unique_ptr<X11Pointer> X11Pointer::open(const std::string& displayName) {
    Display* display = openXTestDisplay(displayName);
    if (display == nullptr) return nullptr;
    return std::unique_ptr<X11Pointer>(new X11Pointer(display));
}

X11Pointer::X11Pointer(_XDisplay* display) : display_(display) {
    const int screen = DefaultScreen(display_);
    width_ = DisplayWidth(display_, screen);
    height_ = DisplayHeight(display_, screen);
}

X11Pointer::~X11Pointer() {
    // A button we left down would stay down for every program after us.
    if (held_) leftButton(false);
    XCloseDisplay(display_);
}

ScreenPoint X11Pointer::position() { return queryPointer(display_).at; }

void X11Pointer::moveTo(int32_t x, int32_t y) {
    x = std::clamp(x, 0, std::max(0, width_ - 1));
    y = std::clamp(y, 0, std::max(0, height_ - 1));
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    // Synchronous: the next position() must see this move.
    XSync(display_, False);
}

void X11Pointer::leftButton(bool down) {
    XTestFakeButtonEvent(display_, kLeftButton, down ? True : False, CurrentTime);
    XSync(display_, False);
    held_ = down;
}

bool X11Pointer::leftButtonDown() { return (queryPointer(display_).buttons & Button1Mask) != 0; }

}  // namespace quil::lnx
