// The camera on Linux: the first V4L2 capture device that takes 640 x 480
// RGB24, read without blocking, the newest picture each tick, turned into
// the core's bottom-up BGR frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "linux/camera/frame_source.h"
#include "linux/camera/v4l2_calls.h"

namespace quil::lnx {

// Devices probed, in order: /dev/video0 .. /dev/video9.
inline constexpr int kDeviceProbeCount = 10;
inline constexpr char kDevicePathPrefix[] = "/dev/video";

inline constexpr uint32_t kCaptureWidth = 640;
inline constexpr uint32_t kCaptureHeight = 480;
inline constexpr std::size_t kCaptureRowBytes = kCaptureWidth * 3;
// A driver may pad its rows; beyond this it is not a 640-pixel RGB row.
inline constexpr std::size_t kMaxCaptureRowBytes = 2 * kCaptureRowBytes;
// Reads a grab makes at most while looking for the newest picture: more than
// the few pictures a driver queues.
inline constexpr int kMaxReadsPerGrab = 8;

// The path of device `index` in the probe order.
[[nodiscard]] std::string devicePath(int index);

// A top-down RGB picture of 640 x 480 whose rows are `rowBytes` apart (the
// padding ignored) into the core's frame: bottom-up rows, B,G,R. False, with
// `frame` untouched, when either buffer is not the size those make.
[[nodiscard]] bool rgbToCoreFrame(std::span<const uint8_t> rgb, std::size_t rowBytes,
                                  std::span<uint8_t> frame);

class V4l2Camera final : public FrameSource {
public:
    explicit V4l2Camera(V4l2Calls& calls) : calls_(calls) {}
    ~V4l2Camera() override;

    [[nodiscard]] OpenStatus open() override;
    [[nodiscard]] bool grab(std::span<uint8_t> frame) override;
    void close() override;
    [[nodiscard]] bool lost() const override { return lost_; }

    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    // The open device's descriptor (-1 when closed), for its controls.
    [[nodiscard]] int fd() const { return fd_; }
    // The open device's path; empty when closed.
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    enum class Probe : uint8_t { Absent, NotCapture, Busy, WrongFormat, Taken };
    [[nodiscard]] Probe probe(const std::string& path);
    // Asks for 640 x 480 RGB24 and keeps the row length the driver gives:
    // Taken, Busy or WrongFormat.
    [[nodiscard]] Probe setFormat(int fd);

    V4l2Calls& calls_;
    int fd_ = -1;
    bool lost_ = false;
    std::string path_;
    std::size_t rowBytes_ = kCaptureRowBytes;
    std::vector<uint8_t> raw_;    // the newest whole picture read, top-down RGB
    std::vector<uint8_t> spare_;  // where the next read goes
};

}  // namespace quil::lnx
