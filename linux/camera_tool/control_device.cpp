#include "linux/camera_tool/control_device.h"

#include <fcntl.h>
#include <linux/videodev2.h>

#include "linux/camera/v4l2_camera.h"

namespace quil::lnx {

namespace {

// Read-write for the controls, non-blocking as the tracker opens it; V4L2
// lets both programs have the node open at once.
constexpr int kOpenFlags = O_RDWR | O_NONBLOCK;

// The same test as the tracker's probe: a camera's metadata node is skipped,
// judged by the node's own capabilities where the driver reports them.
bool capturesVideo(const v4l2_capability& cap) {
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

}  // namespace

// The tracker's probe order, so that the tool finds the camera the tracker
// uses; a node that answers but does not capture is closed again.
bool ControlDevice::open() {
    close();
    for (int i = 0; i < kDeviceProbeCount; ++i) {
        const std::string path = devicePath(i);
        const int fd = calls_.open(path.c_str(), kOpenFlags);
        if (fd < 0) continue;
        v4l2_capability cap{};
        if (calls_.ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0 && capturesVideo(cap)) {
            fd_ = fd;
            path_ = path;
            return true;
        }
        calls_.close(fd);
    }
    return false;
}

void ControlDevice::close() {
    if (fd_ >= 0) calls_.close(fd_);
    fd_ = -1;
    path_.clear();
}

}  // namespace quil::lnx
