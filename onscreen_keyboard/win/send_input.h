// Typing and clicking through SendInput, into whatever window has the
// keyboard focus or lies under the pointer.
#pragma once

#include <string_view>

#include "onscreen_keyboard/plakette.h"
#include "onscreen_keyboard/typing.h"

namespace quil::osk::win {

// Characters go as Unicode input, so that they come out the same whatever
// keyboard layout Windows has installed.
void sendText(std::u16string_view text);
void sendSpecial(SpecialKey key);
// A left click (the second of a double click) or a right click at the
// pointer.
void sendClick(Latch kind);

}  // namespace quil::osk::win
