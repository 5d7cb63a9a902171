// The monitors as Qt knows them from the X server's RandR monitors.
#pragma once

#include <cstdint>

#include "tracker/desktop.h"

namespace quil::lnx {

// The rectangle that holds every monitor; empty when Qt knows none.
[[nodiscard]] ScreenRect allScreensUnion();

}  // namespace quil::lnx
