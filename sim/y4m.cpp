#include "sim/y4m.h"

#include <algorithm>
#include <limits>
#include <sstream>

namespace quil::sim {

namespace {

constexpr const char* kMagic = "YUV4MPEG2";
constexpr const char* kFrameMarker = "FRAME";
// Longest header or frame line we accept; real ones are well under 100 bytes.
constexpr size_t kMaxLine = 1024;
// Frame-rate terms beyond this are nonsense and could overflow the tick rule.
constexpr int64_t kMaxRateTerm = 1000000;

uint8_t clampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Reads up to a line feed; false at end of stream or on an overlong line.
bool readLine(std::istream& in, std::string& line, bool& sawAny) {
    line.clear();
    sawAny = false;
    char c = 0;
    while (in.get(c)) {
        sawAny = true;
        if (c == '\n') return true;
        if (line.size() >= kMaxLine) return false;
        line.push_back(c);
    }
    return false;
}

bool parseInt(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 12) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

std::string conversionHint() {
    return "convert it with: ffmpeg -i INPUT -vf scale=640:480 -pix_fmt yuv420p OUTPUT.y4m";
}

bool Y4mReader::fail(const std::string& message) {
    error_ = message + "; " + conversionHint();
    return false;
}

size_t Y4mReader::frameBytes() const {
    const size_t luma = static_cast<size_t>(info_.width) * static_cast<size_t>(info_.height);
    if (info_.chroma == Chroma::C444) return luma * 3;
    const size_t cw = (static_cast<size_t>(info_.width) + 1) / 2;
    const size_t ch = (static_cast<size_t>(info_.height) + 1) / 2;
    return luma + 2 * cw * ch;
}

bool Y4mReader::open() {
    std::string line;
    bool sawAny = false;
    if (!readLine(in_, line, sawAny)) {
        if (!sawAny) return fail("the input is empty, expected a YUV4MPEG2 (.y4m) stream");
        return fail("the input has no complete YUV4MPEG2 header line");
    }
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word != kMagic) {
        return fail("the input does not start with \"YUV4MPEG2\" (found \"" + word.substr(0, 20) +
                    "\"), expected a YUV4MPEG2 (.y4m) stream");
    }
    std::string colour = "420jpeg";
    bool haveW = false, haveH = false, haveF = false;
    while (words >> word) {
        const char tag = word[0];
        const std::string value = word.substr(1);
        int64_t n = 0;
        if (tag == 'W' || tag == 'H') {
            // A size beyond int would wrap to a plausible one when narrowed.
            if (!parseInt(value, n) || n <= 0 || n > std::numeric_limits<int>::max()) {
                return fail("bad size field \"" + word + "\" in the header");
            }
            (tag == 'W' ? info_.width : info_.height) = static_cast<int>(n);
            (tag == 'W' ? haveW : haveH) = true;
        } else if (tag == 'F') {
            const auto colon = value.find(':');
            int64_t num = 0, den = 0;
            if (colon == std::string::npos || !parseInt(value.substr(0, colon), num) ||
                !parseInt(value.substr(colon + 1), den) || num <= 0 || den <= 0 ||
                num > kMaxRateTerm || den > kMaxRateTerm) {
                return fail("bad frame rate \"" + word + "\", expected F<num>:<den> with both > 0");
            }
            info_.rateNum = num;
            info_.rateDen = den;
            haveF = true;
        } else if (tag == 'C') {
            colour = value;
        }
        // I (interlacing), A (aspect) and X (comments) do not matter here.
    }
    if (!haveW || !haveH) return fail("the header has no W or H field");
    if (!haveF) return fail("the header has no frame rate (F) field");
    if (info_.width != kWidth || info_.height != kHeight) {
        return fail("the video is " + std::to_string(info_.width) + "x" +
                    std::to_string(info_.height) + ", expected 640x480");
    }
    if (colour == "420jpeg" || colour == "420paldv" || colour == "420mpeg2" || colour == "420") {
        info_.chroma = Chroma::C420;
    } else if (colour == "444") {
        info_.chroma = Chroma::C444;
    } else {
        return fail("the colour space is C" + colour +
                    ", expected 4:2:0 (C420jpeg) or 4:4:4 (C444)");
    }
    return true;
}

Y4mReader::Next Y4mReader::next(std::vector<uint8_t>& planes) {
    std::string line;
    bool sawAny = false;
    const bool whole = readLine(in_, line, sawAny);
    if (!sawAny) return Next::End;
    const std::string where = "frame " + std::to_string(framesRead_);
    if (!whole || line.compare(0, 5, kFrameMarker) != 0) {
        fail(where + " has no \"FRAME\" marker (found \"" + line.substr(0, 20) +
             "\"): the file is corrupt or truncated");
        return Next::Error;
    }
    planes.resize(frameBytes());
    in_.read(reinterpret_cast<char*>(planes.data()), static_cast<std::streamsize>(planes.size()));
    const auto got = static_cast<size_t>(in_.gcount());
    if (got != planes.size()) {
        fail(where + " is truncated: " + std::to_string(got) + " of " +
             std::to_string(planes.size()) + " bytes");
        return Next::Error;
    }
    ++framesRead_;
    return Next::Frame;
}

void yuvToBgr(std::span<const uint8_t> planes, Chroma chroma, std::span<uint8_t> bgr) {
    const uint8_t* yp = planes.data();
    const uint8_t* up = yp + kWidth * kHeight;
    const int cw = chroma == Chroma::C444 ? kWidth : kWidth / 2;
    const int chromaRows = chroma == Chroma::C444 ? kHeight : kHeight / 2;
    const uint8_t* vp = up + cw * chromaRows;
    const int shift = chroma == Chroma::C444 ? 0 : 1;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = bgr.data() + static_cast<size_t>(kHeight - 1 - y) * kWidth * 3;
        const int crow = (y >> shift) * cw;
        for (int x = 0; x < kWidth; ++x) {
            const int c = 298 * (yp[y * kWidth + x] - 16);
            const int d = up[crow + (x >> shift)] - 128;
            const int e = vp[crow + (x >> shift)] - 128;
            row[3 * x + 0] = clampByte((c + 516 * d + 128) >> 8);
            row[3 * x + 1] = clampByte((c - 100 * d - 208 * e + 128) >> 8);
            row[3 * x + 2] = clampByte((c + 409 * e + 128) >> 8);
        }
    }
}

void bgrToYuv444(std::span<const uint8_t> bgr, std::vector<uint8_t>& planes) {
    constexpr int n = kWidth * kHeight;
    planes.resize(static_cast<size_t>(n) * 3);
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* row = bgr.data() + static_cast<size_t>(kHeight - 1 - y) * kWidth * 3;
        for (int x = 0; x < kWidth; ++x) {
            const int b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
            const int i = y * kWidth + x;
            planes[i] = clampByte(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
            planes[n + i] = clampByte(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
            planes[2 * n + i] = clampByte(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
        }
    }
}

void Y4mWriter::writeFrame(std::span<const uint8_t> bgr) {
    if (!headerWritten_) {
        out_ << "YUV4MPEG2 W640 H480 F40:3 Ip A1:1 C420jpeg\n";
        headerWritten_ = true;
    }
    bgrToYuv444(bgr, planes_);
    // 4:2:0 keeps the files at half the size; chroma is the mean of each 2x2.
    constexpr int n = kWidth * kHeight, cw = kWidth / 2, ch = kHeight / 2;
    chroma_.resize(static_cast<size_t>(cw) * ch * 2);
    for (int plane = 0; plane < 2; ++plane) {
        const uint8_t* src = planes_.data() + static_cast<size_t>(n) * (plane + 1);
        uint8_t* dst = chroma_.data() + static_cast<size_t>(cw) * ch * plane;
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                const int i = 2 * y * kWidth + 2 * x;
                dst[y * cw + x] = static_cast<uint8_t>(
                    (src[i] + src[i + 1] + src[i + kWidth] + src[i + kWidth + 1] + 2) / 4);
            }
        }
    }
    out_ << "FRAME\n";
    out_.write(reinterpret_cast<const char*>(planes_.data()), n);
    out_.write(reinterpret_cast<const char*>(chroma_.data()),
               static_cast<std::streamsize>(chroma_.size()));
}

}  // namespace quil::sim
