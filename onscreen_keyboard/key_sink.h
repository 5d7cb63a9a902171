// Where the keyboard's typing goes: characters, the keys that are not
// characters, and the extra click armed by the double and right click
// keys. Each platform makes real input (SendInput on Windows, XTest on
// Linux); the tests record.
#pragma once

#include <string>
#include <string_view>

#include "onscreen_keyboard/plakette.h"
#include "onscreen_keyboard/typing.h"

namespace quil::osk {

class KeySink {
public:
    KeySink() = default;
    KeySink(const KeySink&) = delete;
    KeySink& operator=(const KeySink&) = delete;
    virtual ~KeySink() = default;

    // One Unicode character, typed into the window that has the focus.
    virtual void typeCharacter(char32_t c) = 0;
    virtual void typeSpecial(SpecialKey key) = 0;
    // The second left click of a double click, or a right click, at the
    // pointer.
    virtual void click(Latch kind) = 0;
};

// Types the keyboard's UTF-16 text one character at a time; a surrogate
// without its partner is dropped rather than typed as garbage.
void typeText(KeySink& sink, std::u16string_view text);
// One character as UTF-16: itself, or the two halves of a surrogate pair.
std::u16string toUtf16(char32_t c);

}  // namespace quil::osk
