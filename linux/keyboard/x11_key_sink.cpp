#include "linux/keyboard/x11_key_sink.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace quil::lnx {

namespace {
constexpr unsigned kLeftButton = 1;
constexpr unsigned kRightButton = 3;
}  // namespace

std::unique_ptr<X11KeySink> X11KeySink::open(const std::string& displayName) {
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
    return std::unique_ptr<X11KeySink>(new X11KeySink(display));
}

X11KeySink::X11KeySink(_XDisplay* display) : display_(display) {
    spares_ = std::make_unique<SpareKeys>(spareKeycodes(readKeymap(), kSpareKeycodesKept));
}

X11KeySink::~X11KeySink() {
    for (int keycode : spares_->lent()) {
        KeySym empty[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display_, keycode, 2, empty, 1);
    }
    XSync(display_, False);
    XCloseDisplay(display_);
}

// Read afresh for every key: the user may switch layouts at any time.
KeyTable X11KeySink::readKeymap() {
    int first = 0;
    int last = 0;
    XDisplayKeycodes(display_, &first, &last);
    int per = 0;
    KeySym* syms =
        XGetKeyboardMapping(display_, static_cast<KeyCode>(first), last - first + 1, &per);
    KeyTable table;
    table.firstKeycode = first;
    table.perKeycode = per;
    if (syms != nullptr) {
        const auto count =
            static_cast<std::size_t>(last - first + 1) * static_cast<std::size_t>(per);
        table.syms.assign(syms, syms + count);
        XFree(syms);
    } else {
        table.perKeycode = 0;
    }
    return table;
}

void X11KeySink::stroke(const KeyStroke& s, const KeyTable& table) {
    const auto shift = findStroke(table, XK_Shift_L);
    const bool withShift = s.shift && shift.has_value();
    if (withShift) XTestFakeKeyEvent(display_, static_cast<unsigned>(shift->keycode), True, 0);
    XTestFakeKeyEvent(display_, static_cast<unsigned>(s.keycode), True, 0);
    XTestFakeKeyEvent(display_, static_cast<unsigned>(s.keycode), False, 0);
    if (withShift) XTestFakeKeyEvent(display_, static_cast<unsigned>(shift->keycode), False, 0);
    XSync(display_, False);
}

void X11KeySink::typeCharacter(char32_t c) {
    const KeySym32 sym = keysymForCharacter(c);
    const KeyTable table = readKeymap();
    if (const auto s = findStroke(table, sym)) {
        stroke(*s, table);
        return;
    }
    const auto lend = spares_->lend(sym);
    if (!lend) return;
    if (lend->remap) {
        // Both levels, so that a shift held on the real keyboard types the
        // same character.
        KeySym both[2] = {static_cast<KeySym>(sym), static_cast<KeySym>(sym)};
        XChangeKeyboardMapping(display_, lend->keycode, 2, both, 1);
        XSync(display_, False);
    }
    stroke(KeyStroke{lend->keycode, false}, table);
}

void X11KeySink::typeSpecial(osk::SpecialKey key) {
    KeySym32 sym = kNoSymbol;
    if (key == osk::SpecialKey::Backspace) sym = XK_BackSpace;
    if (key == osk::SpecialKey::Enter) sym = XK_Return;
    if (sym == kNoSymbol) return;
    const KeyTable table = readKeymap();
    if (const auto s = findStroke(table, sym)) stroke(KeyStroke{s->keycode, false}, table);
}

void X11KeySink::click(osk::Latch kind) {
    unsigned button = 0;
    if (kind == osk::Latch::DoubleClick) button = kLeftButton;
    if (kind == osk::Latch::RightClick) button = kRightButton;
    if (button == 0) return;
    XTestFakeButtonEvent(display_, button, True, 0);
    XTestFakeButtonEvent(display_, button, False, 0);
    XSync(display_, False);
}

}  // namespace quil::lnx
