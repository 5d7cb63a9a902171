// The option table's file, "options.cfg", and the values derived from it.
#pragma once

#include <filesystem>
#include <string_view>

#include "tracker/tracker_state.h"

namespace quil {

inline constexpr const char* kOptionsFileName = "options.cfg";
inline constexpr const char* kDefaultOptionsText = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0\n";

// Reads the file into the table and the engine choice, clears row 5, copies
// the gesture rows and applies. Values are read like "%d " scans: any white
// space between them, and the first unreadable token ends the reading (the
// rest of the table keeps its previous content). A sixteenth value of 1
// chooses the precise engine; anything else there, or nothing, the classic
// one. Then three more: the gesture sensitivity (0, 1 or 2; else medium)
// and the gesture check's eye and mouth levels (thousandths, 0 for none);
// then the choices every screen, click sounds and keep the pause, and the
// pause itself (each 1 for on; anything else, or nothing, is off; the pause
// only counts when it is to be kept). Only the first few KB are read. A missing file is created
// with the default text; an existing one is never rewritten here. A file with no readable number at
// all (empty, binary, a directory, no read permission) gives the defaults. Never fails visibly.
void loadOptions(TrackerState& s, const std::filesystem::path& file = kOptionsFileName);
// The same reading of an options file's content, without the file.
void applyOptionsText(TrackerState& s, std::string_view text);

// Derives mirrorX, rangeScale, speedDivisor and the gesture rows from the
// table, then recomputes the gains and the head range.
void applyOptions(TrackerState& s);
// Writes values 0..14 in the saved form, then the engine choice, the
// sensitivity and the check's levels as far as one of them differs from what
// its absence means (so the classic engine's form with the defaults is the
// fifteen values alone, as before there was a choice), through a temporary file beside it
// that replaces the old one whole, so a failed save leaves the old file as
// it was. A file the user made read-only is left alone.
void saveOptions(const TrackerState& s, const std::filesystem::path& file = kOptionsFileName);

}  // namespace quil
