#include "linux/desktop/x11_pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

#include "linux/desktop/xtest_display.h"

namespace quil::lnx {

namespace {
constexpr unsigned kLeftButton = 1;
// X's wheel buttons: up, down, left, right.
constexpr unsigned kWheelUp = 4;
constexpr unsigned kWheelDown = 5;
constexpr unsigned kWheelLeft = 6;
constexpr unsigned kWheelRight = 7;

// A notch is a press and a release of its button.
void clickButton(Display* display, unsigned button, int32_t times) {
    for (int32_t i = 0; i < times; ++i) {
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
    }
}

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

void X11Pointer::wheel(int32_t vertical, int32_t horizontal) {
    const int32_t up = vertical_.take(vertical);
    const int32_t right = horizontal_.take(horizontal);
    if (up == 0 && right == 0) return;
    clickButton(display_, up > 0 ? kWheelUp : kWheelDown, up > 0 ? up : -up);
    clickButton(display_, right > 0 ? kWheelRight : kWheelLeft, right > 0 ? right : -right);
    XSync(display_, False);
}

bool X11Pointer::leftButtonDown() { return (queryPointer(display_).buttons & Button1Mask) != 0; }

}  // namespace quil::lnx
