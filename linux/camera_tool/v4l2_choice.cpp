// The shipped tool: the real devices through libv4l2.
#include "linux/camera_tool/tool_choice.h"

namespace quil::lnx {

std::unique_ptr<V4l2Calls> makeToolCalls() { return std::make_unique<LibV4l2Calls>(); }

void watchWindow(SettingsWindow&) {}

}  // namespace quil::lnx
