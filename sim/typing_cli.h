// The typing command's arguments, runs and printed figures.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quil::sim {

// Runs quilbrand-typing with its arguments; the exit code.
int runTypingCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quil::sim
