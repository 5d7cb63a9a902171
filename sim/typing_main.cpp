#include <iostream>
#include <string>
#include <vector>

#include "sim/typing_cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quil::sim::runTypingCli(args, std::cout, std::cerr);
}
