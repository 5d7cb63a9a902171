// The pointing command's arguments, runs and printed figures.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quil::sim {

// Runs quilbrand-pointing with its arguments; the exit code.
int runPointingCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quil::sim
