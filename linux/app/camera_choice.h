// The camera the program runs on: V4L2 in the shipped program, a played
// scene or file in the test build. Each build links one definition.
#pragma once

#include <memory>

#include "linux/camera/frame_source.h"

namespace quil::lnx {

class App;

[[nodiscard]] std::unique_ptr<FrameSource> makeCamera();
// Called once the program exists, before it starts.
void watchProgram(App& app);

}  // namespace quil::lnx
