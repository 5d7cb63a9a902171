// The monitors as Qt knows them from the X server's RandR monitors.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"

namespace quil::lnx {

// The rectangle that holds every monitor; empty when Qt knows none.
[[nodiscard]] ScreenRect allScreensUnion();
// The screen the head range covers unless the user chose every screen: the
// primary monitor, as on Windows, when it sits at the desktop's corner (the
// range starts there); else the whole X screen, `rootWidth` x `rootHeight`.
[[nodiscard]] ScreenRect primaryScreenRect(int32_t rootWidth, int32_t rootHeight);

}  // namespace quil::lnx
