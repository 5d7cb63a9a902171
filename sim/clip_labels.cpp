#include "sim/clip_labels.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "sim/scene.h"

namespace quil::sim {

namespace {

// Longer than any clip one would label (an hour at 60 fps): a bad number
// cannot make the tables huge.
constexpr int64_t kMaxFrames = 216000;
constexpr uint16_t kHidden = 1u << 15;  // while reading only

const std::map<std::string, uint16_t>& kinds() {
    static const std::map<std::string, uint16_t> k = {
        {"visible", kInView},    {"eyes", kEyesHeld},   {"mouth", kMouthHeld},
        {"dwell", kDwellHeld},   {"still", kHeadStill}, {"talking", kTalking},
        {"blinking", kBlinking}, {"moving", kMoving},   {"hand", 0},
        {"hidden", kHidden},
    };
    return k;
}

bool parseRate(const std::string& text, int64_t& num, int64_t& den) {
    const auto slash = text.find('/');
    try {
        size_t used = 0;
        num = std::stoll(text.substr(0, slash), &used);
        if (used != (slash == std::string::npos ? text.size() : slash)) return false;
        den = 1;
        if (slash != std::string::npos) {
            den = std::stoll(text.substr(slash + 1), &used);
            if (used != text.size() - slash - 1) return false;
        }
    } catch (...) {
        return false;
    }
    return num > 0 && den > 0 && num <= 1000 * den;
}

bool frameNumber(std::istringstream& in, int64_t& frame) {
    return static_cast<bool>(in >> frame) && frame >= 0 && frame < kMaxFrames;
}

}  // namespace

uint16_t ClipLabels::doingAt(int64_t frame) const {
    return frame >= 0 && frame < static_cast<int64_t>(doing.size())
               ? doing[static_cast<size_t>(frame)]
               : 0;
}

std::optional<std::array<double, 2>> ClipLabels::referenceAt(int64_t frame) const {
    if (frame < 0 || frame >= static_cast<int64_t>(reference.size())) return std::nullopt;
    return reference[static_cast<size_t>(frame)];
}

bool parseClipLabels(std::istream& in, ClipLabels& labels, std::string& error) {
    labels = {};
    labels.rateNum = 0;
    int lineNumber = 0;
    const auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string kind;
        if (!(words >> kind)) continue;
        if (kind == "fps") {
            std::string rate;
            if (!(words >> rate) || !parseRate(rate, labels.rateNum, labels.rateDen)) {
                return fail("fps needs a frame rate such as 25 or 30000/1001");
            }
        } else if (kind == "nose") {
            int64_t frame = 0;
            double x = 0, y = 0;
            if (!frameNumber(words, frame) || !(words >> x >> y) || !std::isfinite(x) ||
                !std::isfinite(y)) {
                return fail("nose needs a frame number and a point: nose FRAME X Y");
            }
            if (labels.reference.size() <= static_cast<size_t>(frame)) {
                labels.reference.resize(static_cast<size_t>(frame) + 1);
            }
            labels.reference[static_cast<size_t>(frame)] = std::array<double, 2>{x, y};
        } else if (const auto k = kinds().find(kind); k != kinds().end()) {
            int64_t first = 0, last = 0;
            if (!frameNumber(words, first) || !frameNumber(words, last) || last < first) {
                return fail(kind + " needs a first and a last frame: " + kind + " FIRST LAST");
            }
            if (labels.doing.size() <= static_cast<size_t>(last)) {
                labels.doing.resize(static_cast<size_t>(last) + 1, 0);
            }
            for (int64_t f = first; f <= last; ++f)
                labels.doing[static_cast<size_t>(f)] |= k->second;
        } else {
            return fail("unknown label \"" + kind + "\"");
        }
        std::string extra;
        if (words >> extra) return fail("unexpected \"" + extra + "\"");
    }
    if (labels.rateNum == 0) {
        lineNumber = 0;
        return fail("no fps line: the clip's frame rate is needed");
    }
    // A hidden face is not in view and has no reference point.
    for (size_t f = 0; f < labels.doing.size(); ++f) {
        if (!(labels.doing[f] & kHidden)) continue;
        labels.doing[f] = static_cast<uint16_t>(labels.doing[f] & ~(kHidden | kInView));
        if (f < labels.reference.size()) labels.reference[f].reset();
    }
    return true;
}

bool readClipLabels(const std::string& path, ClipLabels& labels, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the labels \"" + path + "\"";
        return false;
    }
    if (!parseClipLabels(in, labels, error)) {
        error = "\"" + path + "\", " + error;
        return false;
    }
    return true;
}

}  // namespace quil::sim
