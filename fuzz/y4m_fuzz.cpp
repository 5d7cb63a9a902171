// The replay tool's YUV4MPEG2 reader on any bytes: it opens a 640x480 stream
// and hands out whole frames, or stops with a message that says what was
// wrong and how to convert the file; it never reads past the input.
//
// Input: a 6-byte prefix (a zero run's length and where it goes), then the
// stream's bytes. The zero run is spliced into the stream at that place, so
// that a few bytes can hold a whole 460800-byte frame; a run of 0 leaves the
// stream as given. The stream is read straight from the fuzzer's buffer, so
// a read past its end is an AddressSanitizer report.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <span>
#include <streambuf>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "sim/y4m.h"

namespace {

using quil::fuzz::broken;
using quil::sim::Y4mReader;

constexpr const char* kHarness = "y4m";
// Up to two 4:4:4 frames of zeros: enough for a whole frame and a second
// one cut short.
constexpr uint32_t kMaxZeroRun = 2u * 921600u + 64u;
// Frames read from one input; each costs a conversion.
constexpr int kMaxFrames = 3;
constexpr std::size_t kZeroChunk = 65536;
std::array<bool, 2> gConverted{};

// The stream: head bytes, then a run of zeros, then tail bytes, served in
// pieces straight from the fuzzer's buffer (no copy of it is made).
class SplicedBuffer : public std::streambuf {
public:
    SplicedBuffer(std::span<const uint8_t> head, std::size_t zeros, std::span<const uint8_t> tail)
        : head_(head), zeros_(zeros), tail_(tail) {}
    [[nodiscard]] std::size_t served() const {
        return served_ - static_cast<std::size_t>(egptr() - gptr());
    }
    [[nodiscard]] std::size_t total() const { return head_.size() + zeros_ + tail_.size(); }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        for (;;) {
            if (part_ == 0) {
                part_ = 1;
                if (!head_.empty()) return serve(head_.data(), head_.size());
            } else if (part_ == 1) {
                if (zerosLeft_ == 0) {
                    part_ = 2;
                    continue;
                }
                const std::size_t n = std::min(zerosLeft_, kZeroChunk);
                zerosLeft_ -= n;
                return serve(zeroChunk().data(), n);
            } else if (part_ == 2) {
                part_ = 3;
                if (!tail_.empty()) return serve(tail_.data(), tail_.size());
            } else {
                return traits_type::eof();
            }
        }
    }

private:
    static const std::array<uint8_t, kZeroChunk>& zeroChunk() {
        static const std::array<uint8_t, kZeroChunk> zeros{};
        return zeros;
    }
    int_type serve(const uint8_t* data, std::size_t n) {
        // The get area is read-only in practice: nothing here writes back.
        char* p = const_cast<char*>(reinterpret_cast<const char*>(data));
        setg(p, p, p + n);
        served_ += n;
        return traits_type::to_int_type(*p);
    }
    std::span<const uint8_t> head_;
    std::size_t zeros_;
    std::span<const uint8_t> tail_;
    int part_ = 0;
    std::size_t zerosLeft_ = zeros_;
    std::size_t served_ = 0;
};

void checkMessage(const Y4mReader& reader, const char* when) {
    const std::string& e = reader.error();
    if (e.empty()) broken(kHarness, std::string("no message after ") + when);
    if (e.find(quil::sim::conversionHint()) == std::string::npos) {
        broken(kHarness, std::string("the message after ") + when + " says not how to convert");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    quil::fuzz::ByteReader in({data, size});
    const uint32_t zeros = in.u32() % (kMaxZeroRun + 1);
    const std::size_t rest = in.remaining();
    const std::size_t split = rest == 0 ? 0 : in.u16() % (rest + 1);
    const std::span<const uint8_t> stream = in.take(in.remaining());
    const std::size_t at = std::min(split, stream.size());
    SplicedBuffer buffer(stream.first(at), zeros, stream.subspan(at));
    std::istream file(&buffer);

    Y4mReader reader(file);
    if (!reader.open()) {
        checkMessage(reader, "a refused header");
        return 0;
    }
    const auto& info = reader.info();
    if (info.width != quil::sim::kWidth || info.height != quil::sim::kHeight) {
        broken(kHarness, "a header not 640x480 was accepted");
    }
    if (info.rateNum <= 0 || info.rateDen <= 0) broken(kHarness, "a frame rate not above 0");
    const std::size_t frameBytes = reader.frameBytes();
    const std::size_t luma = static_cast<std::size_t>(quil::sim::kWidth) * quil::sim::kHeight;
    if (frameBytes != luma * 3 / 2 && frameBytes != luma * 3) broken(kHarness, "odd frame size");
    // The replay's tick rule: never negative, never going back.
    int64_t last = 0;
    for (int64_t tick = 0; tick < 64; ++tick) {
        const int64_t f = quil::sim::frameForTick(tick, info.rateNum, info.rateDen);
        if (f < last) broken(kHarness, "the tick rule went back a frame");
        last = f;
    }

    // The picture is kept from one input to the next (always its one
    // size, so its end stays guarded); the planes are allocated afresh, at
    // exactly the size the stream's header asks for.
    static std::vector<uint8_t> bgr(static_cast<std::size_t>(quil::sim::kBgrBytes));
    std::vector<uint8_t> planes;
    for (int k = 0; k < kMaxFrames; ++k) {
        const auto got = reader.next(planes);
        if (got == Y4mReader::Next::End) {
            if (buffer.served() != buffer.total())
                broken(kHarness, "an end before the input's end");
            break;
        }
        if (got == Y4mReader::Next::Error) {
            checkMessage(reader, "a bad frame");
            break;
        }
        if (planes.size() != frameBytes) broken(kHarness, "a frame of the wrong size");
        if (reader.framesRead() != k + 1) broken(kHarness, "frames miscounted");
        if (buffer.served() > buffer.total()) broken(kHarness, "read past the input");
        // Exactly the sizes the replay passes: a conversion reading or
        // writing outside them is an AddressSanitizer report. What it reads
        // depends only on the chroma layout, so each layout's first frame
        // is converted once per process; the pixels' values cannot lead it
        // astray.
        auto& converted = gConverted[info.chroma == quil::sim::Chroma::C444 ? 1 : 0];
        if (!converted) {
            quil::sim::yuvToBgr(planes, info.chroma, bgr);
            converted = true;
        }
    }
    return 0;
}
