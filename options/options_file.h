// The option table's file, "options.cfg", and the values derived from it.
#pragma once

#include <filesystem>

#include "tracker/tracker_state.h"

namespace quil {

inline constexpr const char* kOptionsFileName = "options.cfg";
inline constexpr const char* kDefaultOptionsText = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0\n";

// Reads the file into the table (writing the default file when there is
// none), clears row 5, copies the gesture rows and applies.
void loadOptions(TrackerState& s, const std::filesystem::path& file = kOptionsFileName);
// Derives mirrorX, rangeScale, speedDivisor and the gesture rows from the
// table, then recomputes the gains and the head range.
void applyOptions(TrackerState& s);
// Writes values 0..14 in the saved form, replacing the file whole.
void saveOptions(const TrackerState& s, const std::filesystem::path& file = kOptionsFileName);

}  // namespace quil
