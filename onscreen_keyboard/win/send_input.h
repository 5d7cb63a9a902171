// Typing and clicking through SendInput, into whatever window has the
// keyboard focus or lies under the pointer.
#pragma once

#include "onscreen_keyboard/key_sink.h"

namespace quil::osk::win {

class SendInputSink final : public KeySink {
public:
    // Characters go as Unicode input, so that they come out the same
    // whatever keyboard layout Windows has installed.
    void typeCharacter(char32_t c) override;
    void typeSpecial(SpecialKey key) override;
    // A left click (the second of a double click) or a right click at the
    // pointer.
    void click(Latch kind) override;
};

}  // namespace quil::osk::win
