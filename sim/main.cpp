#include <iostream>
#include <string>
#include <vector>

#include "sim/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quil::sim::runCli(args, std::cout, std::cerr);
}
