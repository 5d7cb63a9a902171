// YUV4MPEG2 reading and writing, and the colour conversions between its
// BT.601 limited-range YUV and the bottom-up BGR frame the tracker takes.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace quil::sim {

inline constexpr int kWidth = 640;
inline constexpr int kHeight = 480;
inline constexpr int kBgrBytes = kWidth * kHeight * 3;

enum class Chroma { C420, C444 };

struct Y4mInfo {
    int width = 0;
    int height = 0;
    int64_t rateNum = 0;  // frames per second = rateNum / rateDen
    int64_t rateDen = 1;
    Chroma chroma = Chroma::C420;
};

// The command that turns any video into what the replay accepts.
std::string conversionHint();

// Reads a stream frame by frame. Every failure leaves a message that says
// what was found, what is expected and how to convert the file.
class Y4mReader {
public:
    explicit Y4mReader(std::istream& in) : in_(in) {}

    // Parses the stream header; false with error() set on anything but a
    // 640x480 4:2:0 or 4:4:4 stream with a positive frame rate.
    bool open();
    const Y4mInfo& info() const { return info_; }

    enum class Next { Frame, End, Error };
    // Reads the next whole frame's planes (Y, then U, then V) into planes.
    // End at a clean end of stream; Error on a truncated frame or a bad
    // frame marker.
    Next next(std::vector<uint8_t>& planes);
    const std::string& error() const { return error_; }
    int64_t framesRead() const { return framesRead_; }
    size_t frameBytes() const;

private:
    bool fail(const std::string& message);
    std::istream& in_;
    Y4mInfo info_;
    std::string error_;
    int64_t framesRead_ = 0;
};

// YUV planes of one 640x480 frame to the bottom-up BGR frame (921600 bytes),
// with the limited-range integer formulas; for 4:2:0 each pixel takes the
// chroma sample that covers it.
void yuvToBgr(std::span<const uint8_t> planes, Chroma chroma, std::span<uint8_t> bgr);

// Bottom-up BGR frame to 4:4:4 planes, for writing annotated video.
void bgrToYuv444(std::span<const uint8_t> bgr, std::vector<uint8_t>& planes);

// Writes a 640x480 4:2:0 stream at the tick rate (40/3 frames per second).
class Y4mWriter {
public:
    explicit Y4mWriter(std::ostream& out) : out_(out) {}
    void writeFrame(std::span<const uint8_t> bgr);

private:
    std::ostream& out_;
    bool headerWritten_ = false;
    std::vector<uint8_t> planes_;
    std::vector<uint8_t> chroma_;
};

// Video-time sampling: the frame shown at tick k (k x 75 ms) in a stream of
// num/den frames per second, in integer arithmetic.
constexpr int64_t kTickMs = 75;
constexpr int64_t frameForTick(int64_t tick, int64_t num, int64_t den) {
    return (tick * kTickMs * num) / (1000 * den);
}

}  // namespace quil::sim
