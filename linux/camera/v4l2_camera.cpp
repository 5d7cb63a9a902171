#include "linux/camera/v4l2_camera.h"

#include <fcntl.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include "imaging/feature_set.h"

namespace quil::lnx {

namespace {

static_assert(kCaptureWidth == static_cast<uint32_t>(kFrameCols));
static_assert(kCaptureHeight == static_cast<uint32_t>(kFrameRows));
static_assert(kCaptureRowBytes == static_cast<std::size_t>(kFrameRowBytes));

// Non-blocking, so that a read with no frame ready returns at once.
constexpr int kOpenFlags = O_RDWR | O_NONBLOCK;

// Errors after which the descriptor is dead and only a new open can help.
bool deviceGone(int error) { return error == ENODEV || error == EIO || error == ENXIO; }

// A node of a camera may be its metadata rather than its pictures: the
// node's own capabilities tell, where the driver reports them.
bool capturesVideo(const v4l2_capability& cap) {
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

}  // namespace

std::string devicePath(int index) { return kDevicePathPrefix + std::to_string(index); }

// Row r from the top of the camera's picture is row 479 - r of the core's
// bottom-up frame; each pixel's red and blue change places.
bool rgbToCoreFrame(std::span<const uint8_t> rgb, std::size_t rowBytes, std::span<uint8_t> frame) {
    if (rowBytes < kCaptureRowBytes || rgb.size() != rowBytes * kCaptureHeight ||
        frame.size() != static_cast<std::size_t>(kFrameBytes)) {
        return false;
    }
    for (std::size_t r = 0; r < kCaptureHeight; ++r) {
        const uint8_t* in = rgb.data() + r * rowBytes;
        uint8_t* out = frame.data() + (kCaptureHeight - 1 - r) * kCaptureRowBytes;
        for (std::size_t x = 0; x < kCaptureRowBytes; x += 3) {
            out[x] = in[x + 2];
            out[x + 1] = in[x + 1];
            out[x + 2] = in[x];
        }
    }
    return true;
}

V4l2Camera::~V4l2Camera() { close(); }

// The devices in probe order: the first capture device that takes the
// format is kept. One that refuses it does not hide a later one that takes
// it; NoFormat only when a camera was found and none took the format. A
// camera busy with another program counts as none, to be probed again.
OpenStatus V4l2Camera::open() {
    close();
    bool sawCamera = false;
    for (int i = 0; i < kDeviceProbeCount; ++i) {
        const Probe p = probe(devicePath(i));
        if (p == Probe::Taken) return OpenStatus::Ready;
        sawCamera = sawCamera || p == Probe::WrongFormat;
    }
    return sawCamera ? OpenStatus::NoFormat : OpenStatus::NoCamera;
}

V4l2Camera::Probe V4l2Camera::probe(const std::string& path) {
    const int fd = calls_.open(path.c_str(), kOpenFlags);
    if (fd < 0) return Probe::Absent;
    v4l2_capability cap{};
    if (calls_.ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0 || !capturesVideo(cap)) {
        calls_.close(fd);
        return Probe::NotCapture;
    }
    if (const Probe p = setFormat(fd); p != Probe::Taken) {
        calls_.close(fd);
        return p;
    }
    fd_ = fd;
    path_ = path;
    raw_.assign(rowBytes_ * kCaptureHeight, 0);
    spare_.assign(raw_.size(), 0);
    return Probe::Taken;
}

V4l2Camera::Probe V4l2Camera::setFormat(int fd) {
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = kCaptureWidth;
    fmt.fmt.pix.height = kCaptureHeight;
    fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    // Another program capturing holds the format: the camera is not ours
    // yet rather than unfit, and the next probe may find it free.
    if (calls_.ioctl(fd, VIDIOC_S_FMT, &fmt) != 0) {
        return errno == EBUSY ? Probe::Busy : Probe::WrongFormat;
    }
    // The driver answers with what it will really send, which may differ.
    const v4l2_pix_format& got = fmt.fmt.pix;
    if (fmt.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || got.width != kCaptureWidth ||
        got.height != kCaptureHeight || got.pixelformat != V4L2_PIX_FMT_RGB24) {
        return Probe::WrongFormat;
    }
    // Zero means rows without padding.
    const std::size_t rowBytes = got.bytesperline == 0 ? kCaptureRowBytes : got.bytesperline;
    if (rowBytes < kCaptureRowBytes || rowBytes > kMaxCaptureRowBytes) return Probe::WrongFormat;
    rowBytes_ = rowBytes;
    return Probe::Taken;
}

// The driver keeps the pictures taken since the last tick and the tracker
// wants the newest, so the queue is read until it is empty; a bounded number
// of reads, so that a camera quicker than the reads cannot hold the tick. A
// read shorter than a picture is dropped: the caller's frame never holds half
// of one.
bool V4l2Camera::grab(std::span<uint8_t> frame) {
    if (fd_ < 0 || lost_ || frame.size() != static_cast<std::size_t>(kFrameBytes)) return false;
    bool newest = false;
    for (int i = 0; i < kMaxReadsPerGrab; ++i) {
        const ssize_t n = calls_.read(fd_, spare_.data(), spare_.size());
        if (n < 0) {
            lost_ = deviceGone(errno);
            break;
        }
        if (static_cast<std::size_t>(n) == spare_.size()) {
            raw_.swap(spare_);
            newest = true;
        }
    }
    return newest && rgbToCoreFrame(raw_, rowBytes_, frame);
}

void V4l2Camera::close() {
    if (fd_ >= 0) calls_.close(fd_);
    fd_ = -1;
    lost_ = false;
    path_.clear();
    rowBytes_ = kCaptureRowBytes;
}

}  // namespace quil::lnx
