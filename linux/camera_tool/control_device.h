// The camera the settings tool works on, opened for its controls only: the
// tracker may be capturing from it at the same time, so the tool never sets
// the format, never streams and never reads a picture.
#pragma once

#include <string>

#include "linux/camera/v4l2_calls.h"

namespace quil::lnx {

class ControlDevice {
public:
    explicit ControlDevice(V4l2Calls& calls) : calls_(calls) {}
    ~ControlDevice() { close(); }
    ControlDevice(const ControlDevice&) = delete;
    ControlDevice& operator=(const ControlDevice&) = delete;

    // The first capture device in the tracker's probe order (/dev/video0 ..
    // /dev/video9); false when there is none.
    [[nodiscard]] bool open();
    void close();

    // The open descriptor, -1 when closed.
    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    V4l2Calls& calls_;
    int fd_ = -1;
    std::string path_;
};

}  // namespace quil::lnx
