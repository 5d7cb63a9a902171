#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "linux/camera/v4l2_calls.h"

namespace quil::lnx {
namespace {

// libv4l2 itself, with no camera: a path that is none must fail to open
// (the probe then moves on), and the calls on a descriptor it does not know
// pass through to the system with their errno, as the camera expects.
TEST(LibV4l2Calls, RefusesWhatIsNoCameraAndPassesOtherDescriptorsThrough) {
    LibV4l2Calls calls;
    EXPECT_EQ(calls.open("/nonexistent/video0", O_RDWR | O_NONBLOCK), -1);
    EXPECT_EQ(errno, ENOENT);

    char path[] = "/tmp/quil_v4l2_calls_XXXXXX";
    const int tmp = mkstemp(path);
    ASSERT_GE(tmp, 0);
    ASSERT_EQ(::write(tmp, "RGB", 3), 3);
    ::close(tmp);

    EXPECT_EQ(calls.open(path, O_RDWR | O_NONBLOCK), -1);
    const int fd = ::open(path, O_RDONLY);
    ::unlink(path);
    ASSERT_GE(fd, 0);
    v4l2_capability cap{};
    EXPECT_EQ(calls.ioctl(fd, VIDIOC_QUERYCAP, &cap), -1);
    EXPECT_EQ(errno, ENOTTY);
    char buffer[8] = {};
    EXPECT_EQ(calls.read(fd, buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "RGB");
    EXPECT_EQ(calls.close(fd), 0);
}

}  // namespace
}  // namespace quil::lnx
