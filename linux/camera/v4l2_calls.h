// The system calls through which the camera layer reaches a V4L2 device. The
// program uses libv4l2's, which turn whatever the camera sends (YUYV, MJPEG
// and the rest) into the RGB24 the layer asks for; the tests put scripted
// devices behind the same calls.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace quil::lnx {

// Each call answers as the system call it stands for: -1 with errno set on
// failure.
class V4l2Calls {
public:
    V4l2Calls() = default;
    V4l2Calls(const V4l2Calls&) = delete;
    V4l2Calls& operator=(const V4l2Calls&) = delete;
    virtual ~V4l2Calls() = default;

    virtual int open(const char* path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t size) = 0;
};

// libv4l2: v4l2_open, v4l2_close, v4l2_ioctl and v4l2_read.
class LibV4l2Calls final : public V4l2Calls {
public:
    int open(const char* path, int flags) override;
    int close(int fd) override;
    // Retried while a signal interrupts it.
    int ioctl(int fd, unsigned long request, void* arg) override;
    ssize_t read(int fd, void* buffer, std::size_t size) override;
};

}  // namespace quil::lnx
