#include "linux/desktop/xtest_display.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace quil::lnx {

_XDisplay* openXTestDisplay(const std::string& displayName) {
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
    return display;
}

}  // namespace quil::lnx
