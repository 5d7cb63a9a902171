#include "linux/keyboard/x11_key_sink.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <vector>

#include "linux/desktop/xtest_display.h"

namespace quil::lnx {

namespace {

constexpr unsigned kLeftButton = 1;
constexpr unsigned kRightButton = 3;
// XChangeKeyboardMapping's keysyms per keycode: a character and its other case.
constexpr int kSpareWidth = 2;

// The group a key types in while the keyboard is in `group`; -1 for a key
// without symbols. A key with fewer groups brings the group into range as
// its own setting says.
int effectiveGroup(XkbDescPtr xkb, KeyCode kc, int group) {
    const int count = XkbKeyNumGroups(xkb, kc);
    if (count <= 0) return -1;
    if (group < count) return group;
    const unsigned info = XkbKeyGroupInfo(xkb, kc);
    switch (XkbOutOfRangeGroupAction(info)) {
        case XkbClampIntoRange:
            return count - 1;
        case XkbRedirectIntoRange: {
            const int to = XkbOutOfRangeGroupNumber(info);
            return to < count ? to : 0;
        }
        default:
            return group % count;
    }
}

// The level a key type gives for a modifier state.
int levelFor(const XkbKeyTypeRec& type, unsigned mods) {
    const unsigned relevant = mods & type.mods.mask;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& e = type.map[i];
        if (e.active && e.mods.mask == relevant) return e.level;
    }
    return 0;
}

// The core keyboard mapping, every group and level of every keycode.
KeyTable coreKeymap(Display* display) {
    int first = 0;
    int last = 0;
    XDisplayKeycodes(display, &first, &last);
    int per = 0;
    KeySym* syms =
        XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &per);
    KeyTable core;
    if (syms == nullptr) return core;
    core.firstKeycode = first;
    core.perKeycode = per;
    core.syms.assign(
        syms, syms + static_cast<std::size_t>(last - first + 1) * static_cast<std::size_t>(per));
    XFree(syms);
    return core;
}

}  // namespace

std::unique_ptr<X11KeySink> X11KeySink::open(const std::string& displayName) {
    Display* display = openXTestDisplay(displayName);
    if (display == nullptr) return nullptr;
    return std::unique_ptr<X11KeySink>(new X11KeySink(display));
}

X11KeySink::X11KeySink(_XDisplay* display) : display_(display) {
    spares_ = std::make_unique<SpareKeys>(kSpareKeycodesKept);
}

X11KeySink::~X11KeySink() {
    for (int keycode : spares_->lent(coreKeymap(display_))) {
        KeySym empty[kSpareWidth] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display_, keycode, kSpareWidth, empty, 1);
    }
    XSync(display_, False);
    XCloseDisplay(display_);
}

// The keysyms each key types now, plain and with shift: in the group the
// keyboard is in, with the locked modifiers (Caps Lock above all) taken into
// account as XKB does, so that pressing shift or not always gives the case
// asked for. Read afresh for every key: the user may switch layouts at any
// time.
KeyTable X11KeySink::readKeymap() {
    KeyTable table;
    XkbDescPtr xkb = XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    XkbStateRec state{};
    // A server without XKB: the core keymap's first two columns are the
    // first group's plain and shifted keysyms.
    if (xkb == nullptr || XkbGetState(display_, XkbUseCoreKbd, &state) != Success) {
        if (xkb != nullptr) XkbFreeKeyboard(xkb, 0, True);
        return coreKeymap(display_);
    }
    const unsigned locked = state.locked_mods | state.latched_mods;
    table.firstKeycode = xkb->min_key_code;
    table.perKeycode = 2;
    for (int k = xkb->min_key_code; k <= xkb->max_key_code; ++k) {
        const auto kc = static_cast<KeyCode>(k);
        const int group = effectiveGroup(xkb, kc, state.group);
        KeySym32 plain = kNoSymbol;
        KeySym32 shifted = kNoSymbol;
        if (group >= 0) {
            const XkbKeyTypeRec& type = *XkbKeyKeyType(xkb, kc, group);
            const int width = XkbKeyGroupWidth(xkb, kc, group);
            const auto symAt = [&](int level) -> KeySym32 {
                if (level < 0 || level >= width) return kNoSymbol;
                return static_cast<KeySym32>(XkbKeySymEntry(xkb, kc, level, group));
            };
            plain = symAt(levelFor(type, locked & ~ShiftMask));
            shifted = symAt(levelFor(type, locked | ShiftMask));
        }
        table.syms.push_back(plain);
        table.syms.push_back(shifted);
    }
    XkbFreeKeyboard(xkb, 0, True);
    return table;
}

void X11KeySink::stroke(const KeyStroke& s, const KeyTable& table) {
    auto shift = findStroke(table, XK_Shift_L);
    if (!shift) shift = findStroke(table, XK_Shift_R);
    const bool withShift = s.shift && shift.has_value();
    if (withShift) XTestFakeKeyEvent(display_, static_cast<unsigned>(shift->keycode), True, 0);
    XTestFakeKeyEvent(display_, static_cast<unsigned>(s.keycode), True, 0);
    XTestFakeKeyEvent(display_, static_cast<unsigned>(s.keycode), False, 0);
    if (withShift) XTestFakeKeyEvent(display_, static_cast<unsigned>(shift->keycode), False, 0);
    XSync(display_, False);
}

void X11KeySink::typeCharacter(char32_t c) {
    const KeySym32 sym = keysymForCharacter(c);
    KeyTable table = readKeymap();
    if (const auto s = findStroke(table, sym)) {
        spares_->touch(s->keycode);
        stroke(*s, table);
        return;
    }
    // The character and its other case share a keycode, which XKB then
    // treats as a letter: Caps Lock and shift act on it as on any letter.
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(static_cast<KeySym>(sym), &lower, &upper);
    const auto keycode = spares_->lend(coreKeymap(display_), static_cast<KeySym32>(lower),
                                       static_cast<KeySym32>(upper));
    if (!keycode) return;
    KeySym pair[kSpareWidth] = {lower, upper};
    XChangeKeyboardMapping(display_, *keycode, kSpareWidth, pair, 1);
    XSync(display_, False);
    table = readKeymap();
    const auto s = findStroke(table, sym);
    stroke(s ? *s : KeyStroke{*keycode, false}, table);
}

void X11KeySink::typeSpecial(osk::SpecialKey key) {
    KeySym32 sym = kNoSymbol;
    if (key == osk::SpecialKey::Backspace) sym = XK_BackSpace;
    if (key == osk::SpecialKey::Enter) sym = XK_Return;
    if (sym == kNoSymbol) return;
    const KeyTable table = readKeymap();
    if (const auto s = findStroke(table, sym)) stroke(*s, table);
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
