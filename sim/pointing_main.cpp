#include <iostream>
#include <string>
#include <vector>

#include "sim/pointing_cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quil::sim::runPointingCli(args, std::cout, std::cerr);
}
