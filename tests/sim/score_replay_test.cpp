// The scoring scenes' truth, and a scored replay of the short one with both
// engines: the scorer runs on a whole replay and its numbers are sane.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/cli.h"
#include "sim/scene.h"
#include "sim/score_run.h"
#include "sim/y4m.h"

namespace quil::sim {
namespace {

constexpr double kTick = 0.075;

// Plays a scene's script alone, as a user calibrated at once would.
struct Played {
    std::vector<uint16_t> doing;
    std::vector<Pose> poses;
};

Played playScript(const std::string& name, uint64_t seed) {
    auto scene = makeScene(name, seed, 0);
    Played p;
    UserView view;
    for (int64_t t = 0; t < 4000; ++t) {
        view.eyesWindowOpen = t >= 30;
        view.calibrations = t >= 40 ? 1 : 0;
        if (!scene->advance(t, view)) break;
        p.doing.push_back(scene->doing());
        p.poses.push_back(scene->pose());
    }
    return p;
}

struct FlagRun {
    size_t first, last;
};
std::vector<FlagRun> runs(const Played& p, uint16_t flag) {
    std::vector<FlagRun> out;
    for (size_t i = 0; i < p.doing.size(); ++i) {
        if (!(p.doing[i] & flag)) continue;
        if (!out.empty() && out.back().last + 1 == i) {
            out.back().last = i;
        } else {
            out.push_back({i, i});
        }
    }
    return out;
}

TEST(ScoringScenes, StayOutOfThePinnedListAndAreFoundByName) {
    const auto pinned = sceneNames();
    for (const auto& name : scoringSceneNames()) {
        EXPECT_EQ(std::find(pinned.begin(), pinned.end(), name), pinned.end()) << name;
        EXPECT_FALSE(sceneScript(name).empty()) << name;
        EXPECT_FALSE(sceneDescription(name).empty()) << name;
        EXPECT_NE(makeScene(name, 1, 0), nullptr) << name;
    }
    EXPECT_GE(scoringSceneNames().size(), 4u);
}

TEST(ScoringScenes, HeldGesturesHoldAndEverydayOnesDoNot) {
    for (const uint64_t seed : {1, 2}) {
        const Played p = playScript("gestures", seed);
        // Eyes shut and mouth wide open for 0.6 s or more, four times each.
        for (const auto& [flag, closedness] :
             {std::pair<uint16_t, double Pose::*>{kEyesHeld, &Pose::eyeClose},
              {kMouthHeld, &Pose::mouthOpen}}) {
            const auto held = runs(p, flag);
            EXPECT_EQ(held.size(), 4u);
            for (const auto& r : held) {
                int full = 0;
                for (size_t i = r.first; i <= r.last; ++i) full += p.poses[i].*closedness > 0.99;
                EXPECT_GE(full * kTick, 0.6 - kTick) << r.first;
                EXPECT_LE(full * kTick, 1.0 + kTick) << r.first;
            }
        }
        // Talking: 10 s or more of partial openings, several a second.
        const auto talk = runs(p, kTalking);
        ASSERT_EQ(talk.size(), 1u);
        EXPECT_GE((talk[0].last - talk[0].first + 1) * kTick, 10.0);
        int openings = 0;
        double widest = 0;
        for (size_t i = talk[0].first + 1; i <= talk[0].last; ++i) {
            widest = std::max(widest, p.poses[i].mouthOpen);
            openings += p.poses[i].mouthOpen > 0.1 && p.poses[i - 1].mouthOpen <= 0.1;
            EXPECT_TRUE(p.doing[i] & kHeadStill);
        }
        EXPECT_LT(widest, 0.55);
        // Sampled every 75 ms, some syllables fall between frames.
        EXPECT_GE(openings / ((talk[0].last - talk[0].first) * kTick), 1.5);
        // Natural blinks: each over within 0.3 s.
        const auto blinking = runs(p, kBlinking);
        ASSERT_GE(blinking.size(), 2u);  // the calibration's, and the stretch of blinks
        const FlagRun& b = blinking.back();
        int blinks = 0, closed = 0;
        for (size_t i = b.first; i <= b.last; ++i) {
            if (p.poses[i].eyeClose > 0.5) {
                ++closed;
                EXPECT_LE(closed * kTick, 0.3) << i;
            } else {
                blinks += closed > 0;
                closed = 0;
            }
        }
        EXPECT_GE(blinks, 3);
        EXPECT_EQ(runs(p, kDwellHeld).size(), 2u);
        EXPECT_GE(runs(p, kMoving).size(), 8u);
        EXPECT_EQ(p.doing.front(), 0);  // sitting down: not yet in view
    }
}

TEST(ScoringScenes, TheDimRoomIsDarkerAndNoisierThanTheSameSeedInDaylight) {
    std::vector<uint8_t> day(kBgrBytes), dim(kBgrBytes);
    auto a = makeScene("gestures", 3, 0);
    auto b = makeScene("gestures_dim", 3, 0);
    UserView view;
    for (int64_t t = 0; t < 20; ++t) a->advance(t, view), b->advance(t, view);
    a->render(day);
    b->render(dim);
    double sumDay = 0, sumDim = 0;
    for (size_t i = 0; i < day.size(); ++i) sumDay += day[i], sumDim += dim[i];
    EXPECT_NEAR(sumDim / sumDay, 0.55, 0.05);
}

bool haveModel() { return std::filesystem::exists(defaultModelFile()); }

// One short scene per engine, with the default options (dwell unexamined).
class ScoredReplay : public ::testing::TestWithParam<bool> {};

TEST_P(ScoredReplay, TheSamplerScoresSanely) {
    const bool precise = GetParam();
    if (precise && !haveModel()) GTEST_SKIP() << "no landmark model at " << defaultModelFile();
    ReplayOptions o;
    o.scene = "gesture_sampler";
    o.precise = precise;
    const ReplayResult r = runReplay(o, {});
    ASSERT_EQ(r.exitCode, 0) << r.error;
    const Score s = scoreReplay(r, nullptr);
    std::ostringstream text;
    writeScoreText(s, text);
    std::printf("%s engine:%s", precise ? "precise" : "classic", text.str().c_str());

    ASSERT_TRUE(s.calibration.seconds);
    EXPECT_GE(*s.calibration.seconds, 0.0);
    EXPECT_LT(*s.calibration.seconds, 20.0);
    EXPECT_GE(s.calibration.calibrations, 1);
    EXPECT_GT(s.tracking.trackedShare, 0.5);
    EXPECT_LE(s.tracking.trackedShare, 1.0);
    EXPECT_GT(s.tracking.samples, 100);
    // The scene's truth and the engine's face move together.
    EXPECT_LT(s.tracking.rms, 10.0);
    EXPECT_GT(s.tracking.corrX, 0.8);
    const auto& eyes = s.gestures[0];
    const auto& mouth = s.gestures[1];
    EXPECT_TRUE(eyes.examined && mouth.examined);
    EXPECT_FALSE(s.gestures[2].examined);
    EXPECT_EQ(eyes.deliberate, 1);
    EXPECT_EQ(mouth.deliberate, 1);
    EXPECT_LE(eyes.recalled, eyes.deliberate);
    EXPECT_LE(mouth.recalled, mouth.deliberate);
    for (const auto* g : {&eyes, &mouth}) {
        for (const auto* c : {&g->talking, &g->blinking, &g->moving}) {
            EXPECT_GT(c->minutes, 0.03);
            EXPECT_LT(c->minutes, 0.1);
        }
    }
    EXPECT_EQ(s.unattributed, 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, ScoredReplay, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "precise" : "classic"; });

TEST(ScoreCommandLine, ChecksItsArgumentsBeforePlaying) {
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"--scene", "gestures", "--labels", "x.labels", "--score"}, out, err), 2);
    EXPECT_NE(err.str().find("--labels is for a video file"), std::string::npos);
    err.str("");
    EXPECT_EQ(runCli({"clip.y4m", "--score"}, out, err), 2);
    EXPECT_NE(err.str().find("needs its --labels"), std::string::npos);
    err.str("");
    EXPECT_EQ(
        runCli({"clip.y4m", "--score", "--labels", "/no/such.labels", "--no-files"}, out, err), 2);
    EXPECT_NE(err.str().find("cannot read the labels"), std::string::npos);
}

TEST(ScoreCommandLine, WritesTheScoreAndItsJsonWithTheDwellPass) {
    const auto json = std::filesystem::temp_directory_path() / "quil_score_cli.json";
    std::filesystem::remove(json);
    std::ostringstream out, err;
    ASSERT_EQ(runCli({"--scene", "gesture_sampler", "--ticks", "40", "--no-files", "--score-json",
                      json.string()},
                     out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("Scoring dwell"), std::string::npos);
    EXPECT_NE(out.str().find("Score ("), std::string::npos);
    EXPECT_EQ(out.str().find("not examined"), std::string::npos);
    std::ifstream in(json);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind("{\"label\":\"gesture_sampler seed 1\",\"engine\":\"classic\"", 0),
              0u);
    std::filesystem::remove(json);
}

}  // namespace
}  // namespace quil::sim
