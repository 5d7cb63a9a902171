// The device calls the settings tool runs on: libv4l2's in the shipped
// program, a scripted camera in the test build. Each build links one
// definition.
#pragma once

#include <memory>

#include "linux/camera/v4l2_calls.h"

namespace quil::lnx {

class SettingsWindow;

[[nodiscard]] std::unique_ptr<V4l2Calls> makeToolCalls();
// Called once the window is showing.
void watchWindow(SettingsWindow& window);

}  // namespace quil::lnx
