// Drawing the keyboard: dark keys with large light labels, the highlighted
// key in yellow, a typed key flashing white, latched keys in blue.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "onscreen_keyboard/panel_rules.h"

namespace quil::osk::win {

// Paints the whole window into `dc` through an off-screen bitmap, so that
// frequent highlight changes never flicker.
void paintKeyboard(HDC dc, const PanelRules& keyboard, int width, int height);

}  // namespace quil::osk::win
