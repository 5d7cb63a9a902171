#include "options/options_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>

#include "pointer/pointer_mapping.h"

namespace quil {

namespace {

// Sixteen small numbers take a few dozen bytes; anything past this prefix is
// not an options file and is never read, so a huge file costs nothing.
constexpr std::size_t kMaxOptionsBytes = 4096;

constexpr int kMirrorRow = 0;
constexpr int kRangeRow = 1;
constexpr int kClickRow = 3;
constexpr int kDragRow = 4;
constexpr int kButtonRow = 5;
constexpr int kColumns = 3;

// After the table's fifteen values, the file may hold a sixteenth: the
// engine choice. Files written before there was a choice have fifteen, and
// the classic engine is saved that way still, so that they keep meaning what
// they meant.
constexpr int kEngineValue = kStoredOptionCount;
// Then the precise engine's gesture sensitivity and the gesture check's
// levels for this user; a file without them has the medium level and none.
constexpr int kSensitivityValue = kEngineValue + 1;
constexpr int kEyesLevelValue = kEngineValue + 2;
constexpr int kMouthLevelValue = kEngineValue + 3;
constexpr int kFileValueCount = kEngineValue + 4;
// A gesture check's level beyond this (thousandths) is not one it measured.
constexpr int32_t kMaxCheckLevel = 5000;
using FileValues = std::array<int32_t, kFileValueCount>;

constexpr double kRangeShort = 0.7;
constexpr double kRangeMedium = 0.6;
constexpr double kRangeLong = 0.5;

int at(int row, int column) { return row * kColumns + column; }

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the values in index order the way a "%d " scan does: white space
// before and after each number is skipped, and the first token that is not a
// number ends the reading. A number outside the int range, or one cut off by
// the end of a truncated prefix, counts as unreadable. Returns how many
// values were read; the others keep their previous content.
int parseValues(const std::string& text, bool truncated, FileValues& out) {
    std::size_t pos = 0;
    const std::size_t end = text.size();
    int count = 0;
    while (count < kFileValueCount) {
        while (pos < end && isSpace(text[pos])) ++pos;
        bool negative = false;
        if (pos < end && (text[pos] == '+' || text[pos] == '-')) {
            negative = text[pos] == '-';
            ++pos;
        }
        if (pos >= end || !isDigit(text[pos])) break;
        int64_t magnitude = 0;
        bool overflow = false;
        while (pos < end && isDigit(text[pos])) {
            if (!overflow) {
                magnitude = magnitude * 10 + (text[pos] - '0');
                overflow = magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1;
            }
            ++pos;
        }
        const int64_t value = negative ? -magnitude : magnitude;
        if (overflow || value > std::numeric_limits<int32_t>::max() ||
            value < std::numeric_limits<int32_t>::min() || (truncated && pos >= end)) {
            break;
        }
        out[static_cast<std::size_t>(count)] = static_cast<int32_t>(value);
        ++count;
        while (pos < end && isSpace(text[pos])) ++pos;
    }
    return count;
}

// Reads at most kMaxOptionsBytes + 1 bytes; false if the file cannot be
// opened for reading.
bool readPrefix(const std::filesystem::path& file, std::string& text, bool& truncated) {
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) return false;
    text.assign(kMaxOptionsBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return false;
    text.resize(static_cast<std::size_t>(in.gcount()));
    truncated = text.size() > kMaxOptionsBytes;
    if (truncated) text.resize(kMaxOptionsBytes);
    return true;
}

// Writes the text beside the file and renames it over the file, so that a
// failure part way (full disk, power loss) leaves the old file whole.
void replaceFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    std::error_code ec;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) return;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out.good()) {
            out.close();
            std::filesystem::remove(temporary, ec);
            return;
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec) std::filesystem::remove(temporary, ec);
}

// The file exists and may be changed by us: it opens for appending (which
// changes nothing) or it does not exist yet.
bool mayReplace(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found) return true;
    if (ec || status.type() != std::filesystem::file_type::regular) return false;
    std::ofstream probe(file, std::ios::binary | std::ios::app);
    return probe.is_open();
}

void setDefaults(FileValues& values) {
    for (int i = 0; i < kStoredOptionCount; ++i) {
        values[static_cast<std::size_t>(i)] = kDefaultOptionsText[2 * i] - '0';
    }
    values[kEngineValue] = ClassicEngine;
    values[kSensitivityValue] = SensitivityMedium;
    values[kEyesLevelValue] = 0;
    values[kMouthLevelValue] = 0;
}

void copyGestureRows(TrackerState& s) {
    for (int k = 0; k < kColumns; ++k) {
        s.shared.clickGestures[static_cast<std::size_t>(k)] =
            s.shared.optionFlags[at(kClickRow, k)].load();
        s.shared.dragGestures[static_cast<std::size_t>(k)] =
            s.shared.optionFlags[at(kDragRow, k)].load();
    }
}

// Takes the values into the table and the engine choice, clears the
// buttons' row, copies the gesture rows and applies. Only the value 1 chooses
// the precise engine: anything else, like a file without the value, is the
// classic one.
void takeValues(TrackerState& s, const FileValues& values) {
    for (int i = 0; i < kStoredOptionCount; ++i) {
        s.shared.optionFlags[i] = values[static_cast<std::size_t>(i)];
    }
    s.shared.engineChoice = values[kEngineValue] == PreciseEngine ? PreciseEngine : ClassicEngine;
    const int32_t level = values[kSensitivityValue];
    s.shared.gestureSensitivity =
        level >= SensitivityLow && level <= SensitivityHigh ? level : SensitivityMedium;
    const auto checkLevel = [](int32_t v) { return v > 0 && v <= kMaxCheckLevel ? v : 0; };
    s.shared.eyesShutLevel = checkLevel(values[kEyesLevelValue]);
    s.shared.mouthOpenLevel = checkLevel(values[kMouthLevelValue]);
    for (int k = 0; k < kColumns; ++k) s.shared.optionFlags[at(kButtonRow, k)] = 0;
    copyGestureRows(s);
    applyOptions(s);
}

// The table's values as they stand, and no engine choice: a file that ends
// before the sixteenth value chooses the classic engine, whatever ran before.
FileValues currentValues(const TrackerState& s) {
    FileValues values{};
    for (int i = 0; i < kStoredOptionCount; ++i) {
        values[static_cast<std::size_t>(i)] = s.shared.optionFlags[i].load();
    }
    values[kEngineValue] = ClassicEngine;
    values[kSensitivityValue] = SensitivityMedium;
    values[kEyesLevelValue] = 0;
    values[kMouthLevelValue] = 0;
    return values;
}

}  // namespace

// Load. Unlike a plain "open for update, else rewrite the default", an
// existing file is only read, never rewritten here: a file we cannot write
// (read-only, locked, on a read-only share) still holds the user's settings
// and must neither be lost nor replaced by the defaults. The default file is
// created only when there is no file at all. A file that exists but yields no
// number at all (empty, binary, unreadable) gives the defaults, as a missing
// one does: a table of zeros would leave a hands-free user without any click
// gesture to reach the options with.
void loadOptions(TrackerState& s, const std::filesystem::path& file) {
    FileValues values = currentValues(s);
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        replaceFile(file, kDefaultOptionsText);
        setDefaults(values);
    } else {
        std::string text;
        bool truncated = false;
        const bool opened = status.type() == std::filesystem::file_type::regular &&
                            readPrefix(file, text, truncated);
        FileValues read = values;
        const int count = opened ? parseValues(text, truncated, read) : 0;
        if (count == 0) {
            setDefaults(values);
        } else {
            values = read;
        }
    }

    takeValues(s, values);
}

void applyOptionsText(TrackerState& s, std::string_view text) {
    FileValues values = currentValues(s);
    const bool truncated = text.size() > kMaxOptionsBytes;
    const std::string prefix(text.substr(0, kMaxOptionsBytes));
    FileValues read = values;
    if (parseValues(prefix, truncated, read) == 0) {
        setDefaults(values);
    } else {
        values = read;
    }
    takeValues(s, values);
}

double rangeValue(const OptionFlags& options) {
    if (options[at(kRangeRow, 0)] == 1) return kRangeShort;
    if (options[at(kRangeRow, 1)] == 1) return kRangeMedium;
    return kRangeLong;
}

// Apply: the first ticked choice of a single-choice row wins; only the value
// 1 counts as ticked.
void applyOptions(TrackerState& s) {
    const OptionFlags& o = s.shared.optionFlags;
    s.shared.mirrorX = o[at(kMirrorRow, 0)] != 1;
    s.shared.rangeScale = rangeValue(o);
    s.shared.speedDivisor = speedValue(o);  // the speed row, 30, 45 or 60
    copyGestureRows(s);
    computeGains(s);
    resizeHeadRange(s);
}

void saveOptions(const TrackerState& s, const std::filesystem::path& file) {
    std::string text;
    for (int i = 0; i < kStoredOptionCount; ++i) {
        if (i > 0) text += ' ';
        text += std::to_string(s.shared.optionFlags[i].load());
    }
    // The values after the table are written only as far as one differs
    // from what a shorter file means, so that the classic engine's file with
    // the defaults keeps its fifteen values.
    const std::array<int32_t, 4> extra{
        s.shared.engineChoice.load() == PreciseEngine ? PreciseEngine : ClassicEngine,
        s.shared.gestureSensitivity.load(), s.shared.eyesShutLevel.load(),
        s.shared.mouthOpenLevel.load()};
    const std::array<int32_t, 4> meaningOfNothing{ClassicEngine, SensitivityMedium, 0, 0};
    size_t written = extra.size();
    while (written > 0 && extra[written - 1] == meaningOfNothing[written - 1]) --written;
    for (size_t i = 0; i < written; ++i) {
        text += ' ';
        text += std::to_string(extra[i]);
    }
    // A file the user made read-only keeps its content.
    if (!mayReplace(file)) return;
    replaceFile(file, text);
}

}  // namespace quil
