#include "options/options_file.h"

#include <array>
#include <atomic>
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

// A gesture check's level beyond this (thousandths) is not one it measured.
constexpr int32_t kMaxCheckLevel = 5000;

// The values the file holds after the table's fifteen, in their order: where
// each lives, what a file without it means, and the values it may take (any
// other reads as its absence). Files written before a value existed end
// before it, and a value equal to its absence is not written when nothing
// after it differs, so that those files keep meaning what they meant. A new
// saved option is one more row here.
// A choice that is on or off lives in a flag instead, saved as 1 or 0.
struct SavedValue {
    std::atomic<int32_t> SharedState::*field;
    int32_t absent;
    int32_t lowest;
    int32_t highest;
    std::atomic<bool> SharedState::*flag = nullptr;
};
constexpr SavedValue savedFlag(std::atomic<bool> SharedState::*flag) {
    return {nullptr, 0, 1, 1, flag};
}
constexpr std::array<SavedValue, 9> kSavedValues{{
    // The engine: only 1 chooses the precise one.
    {&SharedState::engineChoice, ClassicEngine, PreciseEngine, PreciseEngine},
    {&SharedState::gestureSensitivity, SensitivityMedium, SensitivityLow, SensitivityHigh},
    // The gesture check's levels for this user; none measured is 0.
    {&SharedState::eyesShutLevel, 0, 1, kMaxCheckLevel},
    {&SharedState::mouthOpenLevel, 0, 1, kMaxCheckLevel},
    savedFlag(&SharedState::allScreens),
    savedFlag(&SharedState::clickSounds),
    savedFlag(&SharedState::keepPause),
    // The pause, kept only when the user chose to keep it (see loadedValue).
    savedFlag(&SharedState::paused),
    // The keyboard's row of suggested words.
    savedFlag(&SharedState::wordSuggestions),
}};

// What a row holds now, as the file writes it. The pause counts only when
// it is to be kept.
int32_t heldValue(const SharedState& shared, const SavedValue& v) {
    if (v.flag == nullptr) return (shared.*v.field).load();
    if (v.flag == &SharedState::paused && !shared.keepPause.load()) return 0;
    return (shared.*v.flag).load() ? 1 : 0;
}

// Takes a row's value read from a file; rows are taken in order, so the
// keep-pause choice is known before the pause.
void takeSaved(SharedState& shared, const SavedValue& v, int32_t value) {
    if (v.flag == nullptr) {
        shared.*v.field = value;
    } else if (v.flag == &SharedState::paused) {
        shared.paused = value == 1 && shared.keepPause.load();
    } else {
        shared.*v.flag = value == 1;
    }
}
constexpr int kFileValueCount = kStoredOptionCount + static_cast<int>(kSavedValues.size());
using FileValues = std::array<int32_t, kFileValueCount>;

int32_t validSaved(const SavedValue& v, int32_t value) {
    return value >= v.lowest && value <= v.highest ? value : v.absent;
}
void setSavedAbsent(FileValues& values) {
    for (std::size_t i = 0; i < kSavedValues.size(); ++i) {
        values[kStoredOptionCount + i] = kSavedValues[i].absent;
    }
}

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
    setSavedAbsent(values);
}

void copyGestureRows(TrackerState& s) {
    for (int k = 0; k < kOptionColumns; ++k) {
        s.shared.clickGestures[static_cast<std::size_t>(k)] =
            s.shared.optionFlags.at(ClickRow, k).load();
        s.shared.dragGestures[static_cast<std::size_t>(k)] =
            s.shared.optionFlags.at(DragRow, k).load();
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
    for (std::size_t i = 0; i < kSavedValues.size(); ++i) {
        const SavedValue& v = kSavedValues[i];
        takeSaved(s.shared, v, validSaved(v, values[kStoredOptionCount + i]));
    }
    for (int k = 0; k < kOptionColumns; ++k) s.shared.optionFlags.at(ButtonRow, k) = 0;
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
    setSavedAbsent(values);
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

// Apply: the first ticked choice of a single-choice row wins; only the value
// 1 counts as ticked.
void applyOptions(TrackerState& s) {
    const OptionsSnapshot o = s.shared.optionFlags.snapshot();
    s.shared.mirrorX = o.mirrorX;
    s.shared.rangeScale = o.rangeScale;
    s.shared.speedDivisor = o.speedDivisor;
    copyGestureRows(s);
    computeGains(s);
    resizeHeadRange(s.shared);
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
    std::array<int32_t, kSavedValues.size()> saved{};
    for (std::size_t i = 0; i < saved.size(); ++i) {
        saved[i] = validSaved(kSavedValues[i], heldValue(s.shared, kSavedValues[i]));
    }
    std::size_t written = saved.size();
    while (written > 0 && saved[written - 1] == kSavedValues[written - 1].absent) --written;
    for (std::size_t i = 0; i < written; ++i) {
        text += ' ';
        text += std::to_string(saved[i]);
    }
    // A file the user made read-only keeps its content.
    if (!mayReplace(file)) return;
    replaceFile(file, text);
}

}  // namespace quil
