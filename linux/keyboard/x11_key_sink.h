// Typing on an X11 display through XTest, into whichever window has the
// keyboard focus.
//
// A character goes as the key that types it on the current keymap, in the
// group (layout) the keyboard is in, plain or with shift as the locked
// modifiers require: with Caps Lock on, a lower-case letter goes with
// shift. A character the keymap has no such key for (an accented letter or
// ñ on a US keymap, or one only reached with AltGr) is typed on a spare
// keycode, one that types nothing, lent to it and its other case with
// XChangeKeyboardMapping. The keycode keeps its character until another
// character needs it (a few are kept in turn), since a program reads the
// key press after the mapping change and would find nothing if it had been
// undone at once; every lent keycode is emptied again when the sink goes.
#pragma once

#include <memory>
#include <string>

#include "linux/keyboard/keymap.h"
#include "onscreen_keyboard/key_sink.h"

struct _XDisplay;

namespace quil::lnx {

// How many spare keycodes characters take in turn.
inline constexpr std::size_t kSpareKeycodesKept = 8;

class X11KeySink final : public osk::KeySink {
public:
    // Opens its own connection to `displayName` (empty: $DISPLAY); null
    // without a display or the XTest extension.
    static std::unique_ptr<X11KeySink> open(const std::string& displayName = {});
    X11KeySink(const X11KeySink&) = delete;
    X11KeySink& operator=(const X11KeySink&) = delete;
    ~X11KeySink() override;

    void typeCharacter(char32_t c) override;
    void typeSpecial(osk::SpecialKey key) override;
    void click(osk::Latch kind) override;

private:
    explicit X11KeySink(_XDisplay* display);
    [[nodiscard]] KeyTable readKeymap();
    void stroke(const KeyStroke& s, const KeyTable& table);

    _XDisplay* display_;
    std::unique_ptr<SpareKeys> spares_;
};

}  // namespace quil::lnx
