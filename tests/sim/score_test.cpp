// The scorer's arithmetic on hand-made ticks: the tracking error and its
// offsets, calibration time, and the matching of actions to gestures.
#include "sim/score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "sim/scene.h"

namespace quil::sim {
namespace {

constexpr double kTick = 0.075;
constexpr int kEyes = 0, kMouth = 1, kDwell = 2;

ScoreSetup allExamined() {
    ScoreSetup s;
    s.examined = {true, true, true};
    return s;
}

// A followed face in view, with the truth given and the face off it by d.
ScoreTick followed(double tx, double ty, double dx, double dy, uint16_t doing = kInView) {
    ScoreTick k;
    k.doing = doing;
    k.processed = true;
    k.truth = std::array<double, 2>{tx, ty};
    k.face = std::array<double, 2>{tx + dx, ty + dy};
    return k;
}

TEST(ScoreTracking, EachCalibratedStretchLosesItsOwnOffsetBeforeTheError) {
    std::vector<ScoreTick> t;
    // Stretch one: 4 samples 5 px right and 3 px up of the truth, x off the
    // mean by +-1; stretch two: 6 samples 10 px left, y off by +-2.
    for (int i = 0; i < 4; ++i) t.push_back(followed(100 + i, 50, 5 + (i % 2 ? 1 : -1), -3));
    t.front().calibrated = true;
    t.back().lost = true;
    // After the loss and before the next calibration a face does not count.
    t.push_back(followed(0, 0, 500, 500));
    for (int i = 0; i < 6; ++i) t.push_back(followed(200 + 3 * i, 60 + i, -10, i % 2 ? 2 : -2));
    t[5].calibrated = true;
    const Score s = scoreTicks(t, allExamined());
    EXPECT_EQ(s.tracking.samples, 10);
    EXPECT_NEAR(s.tracking.rmsX, std::sqrt(4.0 / 10), 1e-9);
    EXPECT_NEAR(s.tracking.rmsY, std::sqrt(6 * 4.0 / 10), 1e-9);
    EXPECT_NEAR(s.tracking.rms, std::sqrt((4 + 24.0) / 10), 1e-9);
    EXPECT_GT(s.tracking.corrX, 0.99);
    EXPECT_EQ(s.calibration.calibrations, 2);
    EXPECT_EQ(s.calibration.losses, 1);
}

TEST(ScoreTracking, CorrelationFollowsTheTruthsShapeAndIsNoneWithoutVariation) {
    std::vector<ScoreTick> t;
    for (int i = 0; i < 20; ++i) {
        // x mirrored against the truth; y constant in the truth.
        ScoreTick k = followed(100 + i, 80, 0, 0);
        (*k.face)[0] = 300 - 2.0 * i;
        t.push_back(k);
    }
    t.front().calibrated = true;
    const Score s = scoreTicks(t, allExamined());
    EXPECT_NEAR(s.tracking.corrX, -1.0, 1e-9);
    EXPECT_TRUE(std::isnan(s.tracking.corrY));
    EXPECT_NEAR(s.tracking.rmsY, 0.0, 1e-12);
}

TEST(ScoreTracking, ShareCountsOnlyFramesWithTheFaceInViewAndNoSamplesGiveNoError) {
    std::vector<ScoreTick> t(10);
    for (auto& k : t) k.doing = kInView;
    for (int i = 0; i < 7; ++i) t[static_cast<size_t>(i)].face = std::array<double, 2>{1, 1};
    ScoreTick away;  // a face followed while nobody is in view: not counted
    away.face = std::array<double, 2>{1, 1};
    t.push_back(away);
    const Score s = scoreTicks(t, allExamined());
    EXPECT_EQ(s.tracking.visibleTicks, 10);
    EXPECT_EQ(s.tracking.trackedTicks, 7);
    EXPECT_DOUBLE_EQ(s.tracking.trackedShare, 0.7);
    EXPECT_EQ(s.tracking.samples, 0);  // no calibration, no truth
    EXPECT_TRUE(std::isnan(s.tracking.rms));
    EXPECT_TRUE(std::isnan(scoreTicks({}, allExamined()).tracking.trackedShare));
}

TEST(ScoreCalibration, TimeRunsFromTheFirstFrameTakenInWithTheFaceInView) {
    std::vector<ScoreTick> t(30);
    for (size_t i = 5; i < t.size(); ++i) t[i].doing = kInView;
    for (size_t i = 8; i < t.size(); ++i) t[i].processed = true;
    t[2].calibrated = true;  // before the face was in view: counted, not timed
    t[12].eyesWindowOpened = true;
    t[15].eyesWindowOpened = true;  // the attempt that succeeded
    t[20].calibrated = true;
    t[25].calibrated = true;
    t[22].lost = true;
    const Score s = scoreTicks(t, allExamined());
    ASSERT_TRUE(s.calibration.seconds);
    EXPECT_NEAR(*s.calibration.seconds, 12 * kTick, 1e-9);
    ASSERT_TRUE(s.calibration.fromEyesWindow);
    EXPECT_NEAR(*s.calibration.fromEyesWindow, 5 * kTick, 1e-9);
    EXPECT_EQ(s.calibration.calibrations, 3);
    EXPECT_EQ(s.calibration.losses, 1);

    std::vector<ScoreTick> never(10);
    for (auto& k : never) k.doing = kInView, k.processed = true;
    const Score n = scoreTicks(never, allExamined());
    EXPECT_FALSE(n.calibration.seconds);
    EXPECT_FALSE(n.calibration.fromEyesWindow);
}

// Ticks 0..n-1 in view, taken in from tick 8 (the tracker's warm-up before),
// followed from tick 10.
std::vector<ScoreTick> session(size_t n) {
    std::vector<ScoreTick> t(n);
    for (size_t i = 0; i < n; ++i) {
        t[i].doing = kInView | kHeadStill;
        t[i].processed = i >= 8;
        if (i >= 10) t[i].face = std::array<double, 2>{0, 0};
    }
    t[10].calibrated = true;
    return t;
}

void mark(std::vector<ScoreTick>& t, size_t first, size_t last, uint16_t flags) {
    for (size_t i = first; i <= last; ++i) t[i].doing = static_cast<uint16_t>(kInView | flags);
}

TEST(ScoreGestures, AnActionWhileHeldOrWithinASecondAfterRecallsItLaterOnesRepeat) {
    auto t = session(300);
    mark(t, 3, 6, kEyesHeld | kHeadStill);    // before the tracker saw it: not deliberate
    t[5].gesture = kEyes;                     // but it explains its action
    mark(t, 30, 35, kEyesHeld | kHeadStill);  // missed
    mark(t, 100, 110, kEyesHeld | kHeadStill);
    t[105].gesture = kEyes;
    t[108].gesture = kEyes;
    t[123].gesture = kEyes;  // 13 ticks (1 s) after the hold: still explained
    t[124].gesture = kEyes;  // one tick later: wrong
    mark(t, 200, 205, kEyesHeld | kHeadStill);
    t[200].gesture = kMouth;  // the mouth acting on an eye closing is wrong
    const Score s = scoreTicks(t, allExamined());
    const GestureScore& eyes = s.gestures[kEyes];
    EXPECT_EQ(eyes.deliberate, 3);
    EXPECT_EQ(eyes.recalled, 1);
    EXPECT_EQ(eyes.repeats, 2);
    EXPECT_EQ(eyes.wrong, 1);
    EXPECT_EQ(s.gestures[kMouth].wrong, 1);
    EXPECT_EQ(s.gestures[kMouth].deliberate, 0);
}

TEST(ScoreGestures, OneActionRecallsOneGestureEvenWhereTheirWindowsOverlap) {
    auto t = session(200);
    mark(t, 50, 55, kMouthHeld);
    mark(t, 60, 65, kMouthHeld);  // starts within the first one's second
    t[62].gesture = kMouth;
    t[66].gesture = kMouth;
    const Score s = scoreTicks(t, allExamined());
    EXPECT_EQ(s.gestures[kMouth].deliberate, 2);
    EXPECT_EQ(s.gestures[kMouth].recalled, 2);
    EXPECT_EQ(s.gestures[kMouth].repeats, 0);
    EXPECT_EQ(s.gestures[kMouth].wrong, 0);
}

TEST(ScoreGestures, RatesCountUnaskedActionsPerMinuteOfFollowedTimeInEachStretch) {
    auto t = session(1000);
    mark(t, 100, 499, kTalking | kHeadStill);              // 400 ticks: 0.5 min
    for (size_t i = 300; i < 500; ++i) t[i].face.reset();  // followed for 0.25 min only
    mark(t, 290, 299, kMouthHeld | kTalking | kHeadStill);
    t[295].gesture = kMouth;  // asked for: recalled, not a talking action
    t[150].gesture = kMouth;
    t[200].gesture = kMouth;
    t[250].gesture = kDwell;     // the head is still while talking: explained
    mark(t, 600, 799, kMoving);  // 0.25 min
    t[700].gesture = kDwell;     // dwell while moving: wrong
    t[650].gesture = kUnattributed;
    const Score s = scoreTicks(t, allExamined());
    const GestureScore& mouth = s.gestures[kMouth];
    EXPECT_EQ(mouth.recalled, 1);
    EXPECT_EQ(mouth.wrong, 2);
    EXPECT_EQ(mouth.talking.actions, 2);
    EXPECT_NEAR(mouth.talking.minutes, 0.25, 1e-9);
    EXPECT_NEAR(mouth.talking.perMinute(), 8.0, 1e-9);
    EXPECT_EQ(mouth.moving.actions, 0);
    EXPECT_NEAR(mouth.moving.minutes, 0.25, 1e-9);
    const GestureScore& dwell = s.gestures[kDwell];
    EXPECT_EQ(dwell.wrong, 1);
    EXPECT_EQ(dwell.talking.actions, 1);
    EXPECT_EQ(dwell.moving.actions, 1);
    EXPECT_NEAR(dwell.moving.perMinute(), 4.0, 1e-9);
    EXPECT_TRUE(std::isnan(dwell.blinking.perMinute()));  // no blinking at all
    EXPECT_EQ(s.unattributed, 1);
}

TEST(ScoreGestures, DwellIsRecalledOnlyByHoldsOnATarget) {
    auto t = session(400);
    mark(t, 100, 140, kDwellHeld | kHeadStill);
    mark(t, 200, 240, kBlinking | kHeadStill);
    t[125].gesture = kDwell;
    t[220].gesture = kDwell;
    ScoreSetup setup = allExamined();
    setup.examined = {true, true, false};
    const Score s = scoreTicks(t, setup);
    EXPECT_EQ(s.gestures[kDwell].deliberate, 1);
    EXPECT_EQ(s.gestures[kDwell].recalled, 1);
    EXPECT_EQ(s.gestures[kDwell].wrong, 0);
    EXPECT_EQ(s.gestures[kDwell].blinking.actions, 1);
    EXPECT_FALSE(s.gestures[kDwell].examined);
    EXPECT_TRUE(s.gestures[kEyes].examined);
}

TEST(ScoreGestures, AnActionIsTheGestureTheOptionsGiveItAloneOrNone) {
    // The defaults: the mouth clicks, the eyes drag.
    const std::array<int, 3> click = {0, 1, 0}, drag = {1, 0, 0};
    EXPECT_EQ(gestureOfAction(true, click, drag), kMouth);
    EXPECT_EQ(gestureOfAction(false, click, drag), kEyes);
    // Two gestures click: a click cannot be told apart.
    EXPECT_EQ(gestureOfAction(true, {1, 1, 0}, {0, 0, 0}), kUnattributed);
    // A gesture in both sets clicks and never drags.
    EXPECT_EQ(gestureOfAction(false, {0, 0, 1}, {0, 0, 1}), kUnattributed);
    EXPECT_EQ(gestureOfAction(true, {0, 0, 1}, {0, 0, 1}), kDwell);
    EXPECT_EQ(gestureOfAction(true, {0, 0, 0}, {0, 0, 0}), kUnattributed);
}

TEST(ScoreReport, TextAndJsonSayWhatIsMissingRatherThanPrintingNonsense) {
    std::vector<ScoreTick> t(5);
    ScoreSetup setup;
    setup.examined = {true, false, true};
    const Score s = scoreTicks(t, setup);
    std::ostringstream text, json;
    writeScoreText(s, text);
    writeScoreJson(s, "say \"hi\"", "precise", json);
    EXPECT_NE(text.str().find("never"), std::string::npos);
    EXPECT_NE(text.str().find("mouth    not examined"), std::string::npos);
    EXPECT_EQ(text.str().find("nan"), std::string::npos);
    const std::string j = json.str();
    EXPECT_NE(j.find("\"label\":\"say \\\"hi\\\"\",\"engine\":\"precise\""), std::string::npos);
    EXPECT_NE(j.find("\"rms\":null"), std::string::npos);
    EXPECT_NE(j.find("\"seconds\":null"), std::string::npos);
    EXPECT_NE(j.find("\"mouth\":{\"examined\":false"), std::string::npos);
    EXPECT_EQ(j.find("nan"), std::string::npos);
    EXPECT_EQ(j.back(), '\n');
}

}  // namespace
}  // namespace quil::sim
