// Starting at log-on: a desktop entry in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart), which every freedesktop session starts. A
// person who cannot use the hands cannot start the tracker by hand.
#pragma once

#include <filesystem>
#include <string>

namespace quil::lnx {

// The entry that starts `program` (an absolute path) at log-on.
[[nodiscard]] std::string autostartEntry(const std::string& program);
// `argument` as one argument of a desktop entry's Exec key: quoted when it
// holds a character the key reserves, with the quoted ones escaped.
[[nodiscard]] std::string execArgument(const std::string& argument);

[[nodiscard]] bool autostartOn(const std::filesystem::path& entryFile);
// Writes (making the folder) or removes the entry; false when that failed,
// the file then being as it was.
bool setAutostart(const std::filesystem::path& entryFile, const std::string& program, bool on);

}  // namespace quil::lnx
