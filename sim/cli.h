// The command line of quilbrand-replay, callable in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quil::sim {

// Runs the replay as the program would with these arguments (without the
// program name); returns its exit code: 0 played, 2 bad input or usage.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string helpText();

}  // namespace quil::sim
