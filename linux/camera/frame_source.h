// Where the tracker's frames come from on Linux. The program's timer (75 ms,
// or the camera's rate for the precise engine) asks for one frame at a time
// on the GUI thread, so a grab answers at once:
// a frame, or none yet. A camera that is unplugged says so through lost(),
// and the camera watch (tracker/camera_watch.h) then probes again with
// close() and open().
#pragma once

#include <cstdint>
#include <span>

namespace quil::lnx {

enum class OpenStatus : uint8_t {
    Ready,     // a camera is open and sends 640 x 480 frames
    NoCamera,  // no capture device free to answer ("La camara no esta conectada")
    NoFormat,  // a camera answered but not at 640 x 480 RGB ("La camara no soporta 640x480")
};

class FrameSource {
public:
    FrameSource() = default;
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;
    virtual ~FrameSource() = default;

    // Finds a camera and sets it up; an open source is closed first.
    [[nodiscard]] virtual OpenStatus open() = 0;
    // Writes the newest frame into `frame` (exactly kFrameBytes: bottom-up
    // rows, B,G,R) and says true. False, with `frame` untouched, when no
    // frame is ready yet, when `frame` is not kFrameBytes long, or when the
    // device failed. Never blocks.
    [[nodiscard]] virtual bool grab(std::span<uint8_t> frame) = 0;
    virtual void close() = 0;
    // The device went away (unplugged, or dead after a sleep): only close()
    // and open() can bring it back.
    [[nodiscard]] virtual bool lost() const = 0;
    // A camera sends frames at its own rate, and the precise engine takes
    // them at 30 a second; a source that makes one picture per grab (a
    // scripted scene) is grabbed once per tick.
    [[nodiscard]] virtual bool hasOwnRate() const { return true; }
};

}  // namespace quil::lnx
