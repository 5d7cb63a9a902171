// The shipped program's camera: the first V4L2 capture device.
#include "linux/app/camera_choice.h"
#include "linux/camera/v4l2_calls.h"
#include "linux/camera/v4l2_camera.h"

namespace quil::lnx {

namespace {
// The system calls live as long as the program.
LibV4l2Calls systemCalls;
}  // namespace

std::unique_ptr<FrameSource> makeCamera() { return std::make_unique<V4l2Camera>(systemCalls); }

void watchProgram(App& /*app*/) {}

}  // namespace quil::lnx
