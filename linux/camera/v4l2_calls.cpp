#include "linux/camera/v4l2_calls.h"

#include <libv4l2.h>

#include <cerrno>

namespace quil::lnx {

int LibV4l2Calls::open(const char* path, int flags) { return v4l2_open(path, flags); }

int LibV4l2Calls::close(int fd) { return v4l2_close(fd); }

int LibV4l2Calls::ioctl(int fd, unsigned long request, void* arg) {
    int r = 0;
    do {
        r = v4l2_ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

ssize_t LibV4l2Calls::read(int fd, void* buffer, std::size_t size) {
    return v4l2_read(fd, buffer, size);
}

}  // namespace quil::lnx
