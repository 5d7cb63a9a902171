#include "x11_watch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace quil::lnxtest {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// The tray's place and the size it gives each icon.
constexpr int kTrayX = 0;
constexpr int kTrayY = 0;
constexpr int kIconSide = 24;
constexpr long kRequestDock = 0;
constexpr long kEmbeddedNotify = 0;
constexpr long kXembedVersion = 0;
constexpr uint32_t kRgbMask = 0xFFFFFF;
// A window names a few types, most preferred first.
constexpr long kMostWindowTypes = 16;

Display* openDisplay() {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) throw std::runtime_error("no X display: run under xvfb-run");
    return d;
}

std::optional<Window> search(Display* d, Window w, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(d, w, &name) != 0 && name != nullptr) {
        const bool match = title == name;
        XFree(name);
        XWindowAttributes a{};
        if (match && XGetWindowAttributes(d, w, &a) != 0 && a.map_state == IsViewable) return w;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count) == 0) return std::nullopt;
    std::optional<Window> found;
    for (unsigned i = 0; i < count && !found; ++i) found = search(d, children[i], title);
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds patience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(kPoll);
    }
    return ready();
}

Screen::Screen() : display_(openDisplay()) {}
Screen::~Screen() { XCloseDisplay(display_); }

std::optional<unsigned long> Screen::findWindow(const std::string& title) {
    // Errors from windows that vanish while we look are expected.
    auto* old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    auto found = search(display_, DefaultRootWindow(display_), title);
    XSync(display_, False);
    XSetErrorHandler(old);
    return found;
}

Geometry Screen::geometry(unsigned long window) {
    XWindowAttributes a{};
    XGetWindowAttributes(display_, window, &a);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y, a.width, a.height};
}

bool Screen::popupShowing() {
    return anyPopup([](Window) { return true; });
}

bool Screen::menuShowing() {
    const Atom type = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
    const Atom tooltip = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
    return anyPopup([&](Window w) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        bool tip = false;
        if (XGetWindowProperty(display_, w, type, 0, kMostWindowTypes, False, XA_ATOM, &actual,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
            // 32-bit properties come back as longs, whatever their size.
            const auto* types = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; format == 32 && i < count && !tip; ++i)
                tip = types[i] == tooltip;
        }
        if (data != nullptr) XFree(data);
        return !tip;
    });
}

bool Screen::anyPopup(const std::function<bool(unsigned long)>& matches) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    auto* old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    bool showing = false;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !showing; ++i) {
            XWindowAttributes a{};
            showing = XGetWindowAttributes(display_, children[i], &a) != 0 &&
                      a.map_state == IsViewable && a.override_redirect && matches(children[i]);
        }
        if (children != nullptr) XFree(children);
    }
    XSync(display_, False);
    XSetErrorHandler(old);
    return showing;
}

std::pair<int, int> Screen::pointer() {
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int wx = 0;
    int wy = 0;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

std::vector<uint32_t> Screen::capture(const Geometry& area) {
    auto* old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                              static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
                              AllPlanes, ZPixmap);
    XSync(display_, False);
    XSetErrorHandler(old);
    if (image == nullptr) return {};
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(area.width) * static_cast<size_t>(area.height));
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            // The test display is 24-bit true colour: red, green, blue bytes.
            pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & kRgbMask);
        }
    }
    XDestroyImage(image);
    return pixels;
}

void Screen::screenshot(const char* name) {
    const char* folder = std::getenv("QUIL_SCREENSHOTS");
    if (folder == nullptr) return;
    const Geometry all{0, 0, DisplayWidth(display_, DefaultScreen(display_)),
                       DisplayHeight(display_, DefaultScreen(display_))};
    const std::vector<uint32_t> pixels = capture(all);
    std::ofstream out(std::string(folder) + "/" + name + ".ppm", std::ios::binary);
    out << "P6\n" << all.width << ' ' << all.height << "\n255\n";
    for (const uint32_t p : pixels) {
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8),
                             static_cast<char>(p)};
        out.write(rgb, sizeof rgb);
    }
}

void Screen::movePointer(int x, int y) {
    XTestFakeMotionEvent(display_, 0, x, y, CurrentTime);
    XSync(display_, False);
}

// One request batch: the program moving the pointer itself (the tracker)
// cannot come between the move and the press.
unsigned long Screen::focus() {
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(display_, &focused, &revert);
    return focused == PointerRoot ? 0 : focused;
}

void Screen::click(int x, int y) {
    XTestFakeMotionEvent(display_, 0, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

void Screen::key(unsigned long window, const char* keysym) {
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    key(keysym);
}

void Screen::key(const char* keysym) {
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym));
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
}

ClickCatcher::ClickCatcher() : display_(openDisplay()) {
    Display* d = display_;
    const int screen = DefaultScreen(d);
    window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0,
                                  static_cast<unsigned>(DisplayWidth(d, screen)),
                                  static_cast<unsigned>(DisplayHeight(d, screen)), 0, 0, 0);
    XSelectInput(d, window_, ButtonPressMask);
    XMapWindow(d, window_);
    XSync(d, False);
}

ClickCatcher::~ClickCatcher() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

int ClickCatcher::presses() {
    while (XPending(display_) != 0) {
        XEvent e{};
        XNextEvent(display_, &e);
        if (e.type == ButtonPress && e.xbutton.button == Button1) ++presses_;
    }
    return presses_;
}

TrayHost::TrayHost() : display_(openDisplay()) {
    Display* d = display_;
    const Window root = DefaultRootWindow(d);
    host_ = XCreateSimpleWindow(d, root, kTrayX, kTrayY, 8 * kIconSide, kIconSide, 0, 0, 0);
    XSelectInput(d, host_, SubstructureNotifyMask);
    XMapWindow(d, host_);
    const Atom selection = XInternAtom(d, "_NET_SYSTEM_TRAY_S0", False);
    XSetSelectionOwner(d, selection, host_, CurrentTime);
    // Icons made before us wait for this announcement.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = root;
    e.xclient.message_type = XInternAtom(d, "MANAGER", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = CurrentTime;
    e.xclient.data.l[1] = static_cast<long>(selection);
    e.xclient.data.l[2] = static_cast<long>(host_);
    XSendEvent(d, root, False, StructureNotifyMask, &e);
    XSync(d, False);
    thread_ = std::thread([this] { serve(); });
}

TrayHost::~TrayHost() {
    stop_ = true;
    thread_.join();
    XCloseDisplay(display_);
}

std::vector<unsigned long> TrayHost::icons() {
    std::lock_guard lock(mutex_);
    return icons_;
}

Geometry TrayHost::firstIconPlace() { return {kTrayX, kTrayY, kIconSide, kIconSide}; }

// Docks icons (reparented into the host, mapped, told they are embedded) and
// forgets those that go away.
void TrayHost::serve() {
    Display* d = display_;
    const Atom opcode = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom xembed = XInternAtom(d, "_XEMBED", False);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    while (!stop_) {
        if (XPending(d) == 0) {
            poll(&fd, 1, static_cast<int>(kPoll.count()));
            continue;
        }
        XEvent e{};
        XNextEvent(d, &e);
        if (e.type == ClientMessage && e.xclient.message_type == opcode &&
            e.xclient.data.l[1] == kRequestDock) {
            const auto icon = static_cast<Window>(e.xclient.data.l[2]);
            std::lock_guard lock(mutex_);
            const int slot = static_cast<int>(icons_.size());
            XSelectInput(d, icon, StructureNotifyMask);
            XReparentWindow(d, icon, host_, slot * kIconSide, 0);
            XResizeWindow(d, icon, kIconSide, kIconSide);
            XMapRaised(d, icon);
            XEvent notify{};
            notify.xclient.type = ClientMessage;
            notify.xclient.window = icon;
            notify.xclient.message_type = xembed;
            notify.xclient.format = 32;
            notify.xclient.data.l[0] = CurrentTime;
            notify.xclient.data.l[1] = kEmbeddedNotify;
            notify.xclient.data.l[3] = static_cast<long>(host_);
            notify.xclient.data.l[4] = kXembedVersion;
            XSendEvent(d, icon, False, NoEventMask, &notify);
            XSync(d, False);
            icons_.push_back(icon);
        } else if (e.type == DestroyNotify || e.type == UnmapNotify ||
                   (e.type == ReparentNotify && e.xreparent.parent != host_)) {
            const Window gone = e.type == DestroyNotify ? e.xdestroywindow.window
                                : e.type == UnmapNotify ? e.xunmap.window
                                                        : e.xreparent.window;
            std::lock_guard lock(mutex_);
            icons_.erase(std::remove(icons_.begin(), icons_.end(), gone), icons_.end());
        }
    }
}

}  // namespace quil::lnxtest
