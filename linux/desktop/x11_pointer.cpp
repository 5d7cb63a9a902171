#include "linux/desktop/x11_pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace quil::lnx {

namespace {
constexpr unsigned kLeftButton = 1;
}  // namespace

std::unique_ptr<X11Pointer> X11Pointer::open(const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) return nullptr;
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    // Without XTest no input can be made for the other programs.
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
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

ScreenPoint X11Pointer::position() {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask);
    return {rootX, rootY};
}

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

bool X11Pointer::leftButtonDown() {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask);
    return (mask & Button1Mask) != 0;
}

}  // namespace quil::lnx
