// Pins the tracker's whole behaviour: every built-in scene for two seeds, and
// a few edge cases, replayed and compared line by line with traces recorded
// from a known-good build. Only timing is left out of the comparison.
//
// After a deliberate change of behaviour, re-record with
//   QUIL_RECORD_TRACES=1 ctest --preset debug -R TraceRegression
// and review the diff of tests/sim/traces/ like any other change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sim/replay.h"

namespace quil::sim {
namespace {

namespace fs = std::filesystem;

struct TraceCase {
    std::string name;
    std::string scene;
    uint64_t seed = 1;
    bool keyboard = false;
    std::string optionsText;  // empty: the defaults
    int screenWidth = 1024;
    int screenHeight = 768;
    double drift = 3.0;
    double noise = kDefaultNoise;
    bool precise = false;
    std::string fullModel;  // the precise engine's 68-point model: empty, the system's
    int64_t maxTicks = -1;  // the lifelike scenes render slowly: their first part only
};

std::vector<TraceCase> traceCases() {
    std::vector<TraceCase> cases;
    for (const auto& scene : sceneNames()) {
        for (const uint64_t seed : {1, 2}) {
            TraceCase c;
            c.name = scene + "_" + std::to_string(seed);
            c.scene = scene;
            c.seed = seed;
            // As the replay tool plays them: these scenes nod for the keyboard.
            c.keyboard = scene == "demo" || scene == "keyboard";
            cases.push_back(c);
        }
    }
    // Edge cases: other option tables, other screens, a quiet camera.
    // name, scene, seed, keyboard, options, screen, drift, noise
    const std::vector<TraceCase> edges = {
        {"clicks_eye_clicks_mouth_drags", "clicks", 1, false, "0 1 0 0 1 0 0 0 1 1 0 0 0 1 0\n",
         1024, 768, 3.0, kDefaultNoise, false, ""},
        {"dwell_dwell_drags_short_file", "dwell", 1, false, "1 0 0 1 0 0 1 0 0 0 0 0 0 0 1", 1024,
         768, 3.0, kDefaultNoise, false, ""},
        {"pointing_keyboard_wide_screen", "pointing", 1, true, "", 1920, 1080, 3.0, kDefaultNoise,
         false, ""},
        {"keyboard_small_screen", "keyboard", 1, true, "", 640, 480, 3.0, kDefaultNoise, false, ""},
        {"calibrate_no_noise_no_drift", "calibrate", 1, false, "", 1024, 768, 0.0, 0.0, false, ""},
    };
    cases.insert(cases.end(), edges.begin(), edges.end());
    // The precise engine on its scoring scenes, with and without the outlines.
    for (const auto& [name, scene, fullModel, ticks] :
         {std::tuple{"precise_gestures", "gestures", "", 400},
          std::tuple{"precise_gestures_five_points", "gestures", "none", 200},
          std::tuple{"precise_turning", "turning", "", 300}}) {
        TraceCase c;
        c.name = name;
        c.scene = scene;
        c.precise = true;
        c.fullModel = fullModel;
        c.maxTicks = ticks;
        cases.push_back(c);
    }
    return cases;
}

fs::path traceDir() { return fs::path(QUIL_TRACE_DIR); }

// The trace as recorded, without the summary's timing fields.
std::string traceWithoutTiming(const ReplayResult& result) {
    std::ostringstream out;
    writeTrace(result, out);
    std::string text = out.str();
    const std::string timing = ",\"median_ms\":";
    const auto summary = text.rfind("{\"summary\":");
    if (summary != std::string::npos) {
        const auto cut = text.find(timing, summary);
        if (cut != std::string::npos) text = text.substr(0, cut) + "}}\n";
    }
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

void PrintTo(const TraceCase& c, std::ostream* out) { *out << c.name; }

class TraceRegression : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TraceRegression, MatchesTheRecordedTrace) {
    const TraceCase& c = GetParam();
    ReplayOptions o;
    o.scene = c.scene;
    o.seed = c.seed;
    o.keyboard = c.keyboard;
    o.screenWidth = c.screenWidth;
    o.screenHeight = c.screenHeight;
    o.driftPercent = c.drift;
    o.noiseSigma = c.noise;
    o.precise = c.precise;
    o.fullModelFile = c.fullModel;
    o.maxTicks = c.maxTicks;
    if (c.precise && (!fs::exists(defaultModelFile()) ||
                      (c.fullModel.empty() && !fs::exists(defaultFullModelFile())))) {
        GTEST_SKIP() << "no landmark model for the precise engine";
    }
    const fs::path optionsFile = fs::temp_directory_path() / ("quil_trace_" + c.name);
    if (!c.optionsText.empty()) {
        std::ofstream(optionsFile) << c.optionsText;
        o.optionsFile = optionsFile.string();
    }
    const ReplayResult result = runReplay(o, {});
    if (!c.optionsText.empty()) fs::remove(optionsFile);
    ASSERT_EQ(result.exitCode, 0) << result.error;
    const std::string actual = traceWithoutTiming(result);

    const fs::path file = traceDir() / (c.name + ".jsonl");
    if (std::getenv("QUIL_RECORD_TRACES") != nullptr) {
        std::ofstream(file, std::ios::binary) << actual;
        GTEST_SKIP() << "recorded " << file;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << "no recorded trace " << file;
    std::ostringstream expectedText;
    expectedText << in.rdbuf();
    const auto expected = lines(expectedText.str());
    const auto got = lines(actual);
    for (size_t i = 0; i < std::min(expected.size(), got.size()); ++i) {
        ASSERT_EQ(got[i], expected[i]) << "first difference at line " << i + 1 << " of " << file;
    }
    EXPECT_EQ(got.size(), expected.size()) << "trace length differs from " << file;
}

INSTANTIATE_TEST_SUITE_P(Scenes, TraceRegression, ::testing::ValuesIn(traceCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quil::sim
