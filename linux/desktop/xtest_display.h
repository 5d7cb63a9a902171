// A connection to an X display on which the XTest extension can make input
// for every program: what the pointer and the on-screen keyboard type with.
#pragma once

#include <string>

struct _XDisplay;

namespace quil::lnx {

// Null when there is no such display (empty name: $DISPLAY) or it lacks XTest.
[[nodiscard]] _XDisplay* openXTestDisplay(const std::string& displayName);

}  // namespace quil::lnx
