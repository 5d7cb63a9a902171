// quilbrand-soak: replays the soak's looping scene for many ticks and checks
// memory, frame time and counts (see sim/soak.h).
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "sim/soak.h"

namespace {

constexpr const char* kUsage =
    "Usage: quilbrand-soak [--ticks N] [--seed N] [--engine classic|precise] [--model FILE]\n"
    "                      [--max-growth-mb MB] [--max-time-drift PERCENT] [--cache-frames N]\n"
    "\n"
    "Replays a looping scene (sit down, calibrate, point, click and drag with each gesture,\n"
    "nod the keyboard away and back, leave, come back) for N ticks of 75 ms (default\n"
    "100000; a day is 1150000). Prints a line per simulated hour and the figures, and\n"
    "exits with 1 when resident memory grows by more than MB after the first minute\n"
    "(default 1), the last hour's median frame time is more than PERCENT above the\n"
    "first's (default 10), a press is not released, or a loss is not followed by a new\n"
    "detection. A limit of 0 is not checked. --cache-frames keeps that many rendered\n"
    "pictures for reuse (default 640, about 560 MB; 0 renders every tick).\n";

std::optional<double> number(const std::string& s) {
    try {
        size_t used = 0;
        const double v = std::stod(s, &used);
        if (used != s.size() || v < 0) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    quil::sim::SoakOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (i + 1 >= args.size()) {
            std::cerr << "quilbrand-soak: " << a << " needs a value\n" << kUsage;
            return 2;
        }
        const std::string& value = args[++i];
        if (a == "--engine" && (value == "classic" || value == "precise")) {
            o.precise = value == "precise";
            continue;
        }
        if (a == "--model") {
            o.modelFile = value;
            continue;
        }
        const auto v = number(value);
        if (!v) {
            std::cerr << "quilbrand-soak: bad value for " << a << ": " << value << "\n";
            return 2;
        }
        if (a == "--ticks" && *v >= 1) {
            o.ticks = static_cast<int64_t>(*v);
        } else if (a == "--seed") {
            o.seed = static_cast<uint64_t>(*v);
        } else if (a == "--max-growth-mb") {
            o.maxGrowthMb = *v;
        } else if (a == "--max-time-drift") {
            o.maxTimeDriftPct = *v;
        } else if (a == "--cache-frames" && *v <= 4096) {
            o.cacheFrames = static_cast<int>(*v);
        } else {
            std::cerr << "quilbrand-soak: unknown option or bad value: " << a << " " << value
                      << "\n"
                      << kUsage;
            return 2;
        }
    }
    return quil::sim::runSoak(o, std::cout);
}
