// Bad input and usage end with exit code 2 and a message that says what was
// found, what is expected and how to convert; whole frames are still played.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "sim/cli.h"

namespace quil::sim {
namespace {

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream f(path, std::ios::binary);
    f << bytes;
    return path;
}

std::string frames(int count, size_t bytesPerFrame) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "FRAME\n" + std::string(bytesPerFrame, '\x80');
    return s;
}

struct Run {
    int code;
    std::string out, err;
};

Run cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    std::vector<std::string> all = args;
    all.push_back("--no-files");
    const int code = runCli(all, out, err);
    return {code, out.str(), err.str()};
}

constexpr size_t k420 = 640 * 480 * 3 / 2;

TEST(BadInput, FilesThatAreNotPlayableEndWithCode2AndSayWhy) {
    struct Case {
        std::string name, bytes, found;
    };
    const Case cases[] = {
        {"small.y4m", "YUV4MPEG2 W320 H240 F25:1 C420jpeg\n" + frames(2, 320 * 240 * 3 / 2),
         "320x240"},
        {"c422.y4m", "YUV4MPEG2 W640 H480 F25:1 C422\n" + frames(1, 640 * 480 * 2), "C422"},
        {"notvideo.y4m", "RIFF....WAVEfmt \n", "does not start with"},
        {"empty.y4m", "", "empty"},
        {"norate.y4m", "YUV4MPEG2 W640 H480 C420\n" + frames(1, k420), "frame rate"},
        {"badrate.y4m", "YUV4MPEG2 W640 H480 F25:0 C420\n" + frames(1, k420), "frame rate"},
        {"noline.y4m", std::string("YUV4MPEG2 W640 H480 F25:1") + std::string(4000, 'x'), "header"},
    };
    for (const auto& c : cases) {
        const auto r = cli({writeFile(c.name, c.bytes)});
        EXPECT_EQ(r.code, 2) << c.name;
        EXPECT_NE(r.err.find(c.found), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find("ffmpeg"), std::string::npos) << c.name << ": " << r.err;
    }
    const auto missing = cli({::testing::TempDir() + "no-such-file.y4m"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
}

TEST(BadInput, TruncatedFilePlaysItsWholeFramesThenEndsWithCode2) {
    // 40 whole frames at 25 fps are 1.6 s: ticks 0..21 take frames 0..39.
    const std::string bytes = "YUV4MPEG2 W640 H480 F25:1 C420jpeg\n" + frames(40, k420) +
                              "FRAME\n" + std::string(1000, '\x80');
    const auto r = cli({writeFile("cut.y4m", bytes)});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("truncated"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("video played    22 ticks"), std::string::npos) << r.out;

    const std::string garbage = "YUV4MPEG2 W640 H480 F25:1\n" + frames(3, k420) + "GARBAGE\n";
    const auto g = cli({writeFile("garbage.y4m", garbage)});
    EXPECT_EQ(g.code, 2);
    EXPECT_NE(g.err.find("FRAME"), std::string::npos) << g.err;
}

TEST(BadInput, AWholeFileEndsWithCode0) {
    const auto r = cli({writeFile(
        "ok.y4m", "YUV4MPEG2 W640 H480 F30000:1001 C444\n" + frames(30, 640 * 480 * 3))});
    EXPECT_EQ(r.code, 0) << r.err;
    // 30 frames at 29.97 fps last 1.001 s: ticks 0..13 have a frame.
    EXPECT_NE(r.out.find("video played    14 ticks"), std::string::npos) << r.out;
}

TEST(BadUsage, UnknownOptionsAndValuesEndWithCode2) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--scene", "nosuchscene"},
             {"--seed", "-3"},
             {"--screen", "100x100"},
             {"--screen", "1024"},
             {"--frobnicate"},
             {"a.y4m", "b.y4m"},
             {"a.y4m", "--scene", "demo"},
             {"--options", ::testing::TempDir() + "no-such-options.cfg", "--scene", "empty"},
             {"--trace"},
         }) {
        const auto r = cli(args);
        EXPECT_EQ(r.code, 2) << args[0];
        EXPECT_FALSE(r.err.empty()) << args[0];
    }
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"--help"}, out, err), 0);
    for (const char* word : {"--scene", "--seed", "--screen", "--keyboard", "--options", "--trace",
                             "--annotate", "--plot", "--realtime", "ffmpeg", "75 ms", "out/"}) {
        EXPECT_NE(out.str().find(word), std::string::npos) << word;
    }
}

}  // namespace
}  // namespace quil::sim
