// A new user's first options: the engine a first start chooses when there is
// no options file yet. Each platform names its own choice (the Windows
// installer writes the file; the Linux program writes it at its first start).
#pragma once

#include <filesystem>

#include "tracker/tracker_state.h"

namespace quil {

// Loads the options as loadOptions does; when the file does not exist yet,
// writes the defaults with `engine` chosen (making the file's folder) and
// takes them. An existing file, however it reads, is only read.
void loadOptionsOrStartNewUser(TrackerState& s, const std::filesystem::path& file, EngineId engine);

}  // namespace quil
