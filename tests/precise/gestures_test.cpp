// The precise engine's deliberate gestures, stage by stage: the 5-point
// engine's measures on pictures drawn here, and what its holds decide (a
// hold shorter than the hold time does nothing, a hold acts once, the rest
// after an action and a moving head veto); and the 68-point engine's hold
// times by sensitivity, its rest after an action and its dwell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "options/options_file.h"
#include "pointer/clicks.h"
#include "recording_desktop.h"
#include "sim/replay.h"
#include "tracker/precise/precise_engine.h"
#include "tracker/precise/precise_internal.h"

namespace quil::precise {
namespace {

using landmarks::Point;

constexpr uint8_t kSkin = 150;

// A face drawn in grey: the eyes' centres at (290, 200) and (350, 200),
// 20 pixels wide, the nose's bottom at (320, 250), 60 pixels between the
// eyes. An open eye is white with a dark iris across its slit; a shut one
// and a closed mouth are skin; an open mouth a dark box 40 x 24.
struct Drawing {
    bool leftOpen = true, rightOpen = true, mouthOpen = false;
};

void fill(GreyPlane& g, int left, int top, int right, int bottom, uint8_t level) {
    for (int y = std::max(top, 0); y < std::min(bottom, g.height); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, g.width); ++x) {
            g.pixels[static_cast<size_t>(y) * static_cast<size_t>(g.width) +
                     static_cast<size_t>(x)] = level;
        }
    }
}

void drawEye(GreyPlane& g, int cx, int cy) {
    fill(g, cx - 10, cy - 4, cx + 10, cy + 5, 230);
    fill(g, cx - 3, cy - 4, cx + 3, cy + 5, 40);
}

void draw(GreyPlane& g, const Drawing& d) {
    g.resize(640, 480);
    std::fill(g.pixels.begin(), g.pixels.end(), kSkin);
    if (d.leftOpen) drawEye(g, 290, 200);
    if (d.rightOpen) drawEye(g, 350, 200);
    if (d.mouthOpen) fill(g, 300, 276, 340, 300, 20);
}

FaceParts partsAt(Point left, Point right, double eyeWidth, Point nose) {
    FaceParts p;
    p.eyeCentre[0] = left;
    p.eyeCentre[1] = right;
    p.eyeWidth[0] = p.eyeWidth[1] = eyeWidth;
    p.nose = nose;
    p.eyeGap = std::hypot(right.x - left.x, right.y - left.y);
    return p;
}

const FaceParts kParts = partsAt({290, 200}, {350, 200}, 20, {320, 250});

// Across the slit, columns 283 to 297: nine white, six of the iris.
constexpr double kOpenEye = (230.0 - 40.0) / ((9 * 230.0 + 6 * 40.0) / 15);

TEST(DeliberateMeasures, TheEyesContrastAcrossTheSlitAndTheMouthsDarkShare) {
    GreyPlane g;
    draw(g, {});
    EXPECT_NEAR(eyeOpenness(g, kParts), kOpenEye, 1e-9);
    EXPECT_EQ(mouthDarkness(g, kParts), 0.0);
    // The more open eye decides: both must shut.
    draw(g, {true, false, false});
    EXPECT_NEAR(eyeOpenness(g, kParts), kOpenEye, 1e-9);
    draw(g, {false, true, false});
    EXPECT_NEAR(eyeOpenness(g, kParts), kOpenEye, 1e-9);
    draw(g, {false, false, true});
    EXPECT_EQ(eyeOpenness(g, kParts), 0.0);
    // The mouth's region: 60 x 48 pixels below the nose, 960 of them dark.
    EXPECT_DOUBLE_EQ(mouthDarkness(g, kParts), 960.0 / 2880.0);
}

TEST(DeliberateMeasures, EyesAndMouthsAtThePicturesEdgesAreReadInsideIt) {
    GreyPlane g;
    draw(g, {false, false, false});
    // An eye whose band reaches the last row and column, or the first, is
    // read; one a pixel farther out counts as not open.
    drawEye(g, 632, 477);
    drawEye(g, 7, 2);
    const auto oneEye = [&](Point c) { return eyeOpenness(g, partsAt(c, c, 20, {320, 250})); };
    EXPECT_NEAR(oneEye({632, 477}), kOpenEye, 1e-9);
    EXPECT_NEAR(oneEye({7, 2}), kOpenEye, 1e-9);
    for (const Point out : {Point{633, 477}, Point{632, 478}, Point{6, 2}, Point{7, 1}}) {
        EXPECT_EQ(oneEye(out), 0.0) << out.x << ", " << out.y;
    }
    // An eye 140 pixels wide is read; one wider than that, over more than
    // 100 columns, is not.
    fill(g, 250, 236, 390, 245, 230);
    fill(g, 314, 236, 326, 245, 40);
    EXPECT_GT(eyeOpenness(g, partsAt({320, 240}, {320, 240}, 140, {320, 300})), 0.1);
    EXPECT_EQ(eyeOpenness(g, partsAt({320, 240}, {320, 240}, 150, {320, 300})), 0.0);
    // A mouth cut by the bottom edge is measured on what shows; one wholly
    // off the picture is not measured.
    fill(g, 305, 465, 335, 480, 20);
    EXPECT_DOUBLE_EQ(mouthDarkness(g, partsAt({290, 200}, {350, 200}, 20, {320, 440})),
                     450.0 / (60.0 * 25.0));
    EXPECT_EQ(mouthDarkness(g, partsAt({290, 200}, {350, 200}, 20, {320, 470})), 0.0);
    EXPECT_EQ(mouthDarkness(g, partsAt({-200, 10}, {-140, 10}, 20, {-170, 60})), 0.0);
}

// detectDeliberateEvents on the drawn face, one tracking frame at a time,
// with the default options: the mouth clicks, the eyes drag, no dwell.
struct Deliberate : ::testing::Test {
    std::unique_ptr<TrackerState> state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    bool eyeEvent = false, mouthEvent = false, dwellEvent = false;

    void SetUp() override {
        applyOptionsText(s, kDefaultOptionsText);
        PreciseFace& f = s.precise.face;
        f.calibratedMarks[landmarks::kLeftEyeOuter] = {280, 200};
        f.calibratedMarks[landmarks::kLeftEyeInner] = {300, 200};
        f.calibratedMarks[landmarks::kRightEyeInner] = {340, 200};
        f.calibratedMarks[landmarks::kRightEyeOuter] = {360, 200};
        f.calibratedMarks[landmarks::kNoseBottom] = {320, 250};
        f.calibratedBox = boxAround(kParts);
        f.eyeBaseline = kOpenEye;
        f.mouthBaseline = 0.0;
    }
    // The eyes' closing is confirmed by the landmark model.
    bool loadModel() {
        if (!std::filesystem::exists(sim::defaultModelFile())) return false;
        s.precise.tools.model = landmarks::LandmarkModel::load(sim::defaultModelFile());
        return s.precise.tools.model != nullptr;
    }
    // One frame with the face as drawn and the head moved this far since
    // the last; the events it raised.
    void tick(const Drawing& d, double moved = 0.0) {
        draw(s.precise.pictures.current.levels[0], d);
        s.pointer.moveDistance = moved;
        s.pointer.eyeEvent = s.pointer.mouthEvent = s.pointer.dwellEvent = false;
        detectDeliberateEvents(s, 320, 225);
        eyeEvent = s.pointer.eyeEvent;
        mouthEvent = s.pointer.mouthEvent;
        dwellEvent = s.pointer.dwellEvent;
    }
    // Frames of one drawing; on which of them (from 1) the mouth acted.
    std::vector<int> mouthActs(const Drawing& d, int frames, double moved = 0.0) {
        std::vector<int> at;
        for (int i = 1; i <= frames; ++i) {
            tick(d, moved);
            if (mouthEvent) at.push_back(i);
        }
        return at;
    }
};

const Drawing kRest{};
const Drawing kMouthOpen{true, true, true};
const Drawing kEyesShut{false, false, false};

TEST_F(Deliberate, AMouthHeldOpenActsOnceOnItsFifthFrameAndTalkingNever) {
    int acts = 0;
    for (int i = 0; i < 40; ++i) acts += !mouthActs(i % 4 < 2 ? kMouthOpen : kRest, 1).empty();
    EXPECT_EQ(acts, 0) << "open for two frames at a time";
    mouthActs(kRest, 1);
    EXPECT_EQ(mouthActs(kMouthOpen, 4), std::vector<int>{}) << "0.3 s is not enough";
    mouthActs(kRest, 1);
    EXPECT_EQ(mouthActs(kMouthOpen, 30), std::vector<int>{5}) << "once, however long";
    mouthActs(kRest, 1);
    EXPECT_EQ(mouthActs(kMouthOpen, 5), std::vector<int>{5}) << "and again after closing";
}

TEST_F(Deliberate, AHoldGoingOnThroughTheRestAfterAnActionMustEndFirst) {
    mouthActs(kMouthOpen, 2);
    // An action starts the rest: ten frames in which nothing counts.
    s.pointer.clickCooldown = true;
    EXPECT_EQ(mouthActs(kMouthOpen, 10), std::vector<int>{});
    EXPECT_FALSE(s.pointer.clickCooldown) << "the rest is over";
    EXPECT_EQ(mouthActs(kMouthOpen, 20), std::vector<int>{}) << "the same hold";
    mouthActs(kRest, 1);
    EXPECT_EQ(mouthActs(kMouthOpen, 5), std::vector<int>{5});
    // A hold that begins during the rest counts from its end.
    mouthActs(kRest, 1);
    s.pointer.clickCooldown = true;
    mouthActs(kRest, 8);
    EXPECT_EQ(mouthActs(kMouthOpen, 8), std::vector<int>{}) << "spent at the rest's end";
}

TEST_F(Deliberate, OnlyTheGesturesTheOptionsUseAreCounted) {
    s.shared.clickGestures[GestureMouth] = 0;
    s.shared.dragGestures[GestureMouth] = 0;
    EXPECT_EQ(mouthActs(kMouthOpen, 20), std::vector<int>{});
    // Dwell is off by default: a still head never dwells.
    int dwells = 0;
    for (int i = 0; i < 60; ++i) {
        tick(kRest, 0.5);
        dwells += dwellEvent;
    }
    EXPECT_EQ(dwells, 0);
}

TEST_F(Deliberate, ADwellActsAfterItsLimitOfStillFramesAndAMoveStartsItAgain) {
    s.shared.clickGestures[GestureDwell] = 1;
    s.pointer.dwellLimit = 20;
    std::vector<int> at;
    for (int i = 1; i <= 60; ++i) {
        tick(kRest, i == 30 ? 1.0 : 0.9);  // one frame's move of a pixel
        if (dwellEvent) at.push_back(i);
    }
    EXPECT_EQ(at, (std::vector<int>{20, 50}));
}

TEST_F(Deliberate, ShutEyesCountOnlyWithAStillHeadAndActBeforeTheMouth) {
    if (!loadModel()) GTEST_SKIP() << "no landmark model at " << sim::defaultModelFile();
    // Moving 0.03 of the eye gap (1.8 pixels) a frame: the lids lowered by
    // a nod, not a closing.
    for (int i = 0; i < 10; ++i) {
        tick(kEyesShut, 1.8);
        EXPECT_FALSE(eyeEvent) << i;
    }
    for (int i = 1; i <= 5; ++i) {
        tick(kEyesShut, 1.0);
        EXPECT_EQ(eyeEvent, i == 5) << i;
    }
    tick(kRest);
    // Both held together: the eyes act, and the mouth does not count that
    // frame.
    const Drawing both{false, false, true};
    std::vector<int> eyes, mouth;
    for (int i = 1; i <= 7; ++i) {
        tick(both);
        if (eyeEvent) eyes.push_back(i);
        if (mouthEvent) mouth.push_back(i);
    }
    EXPECT_EQ(eyes, std::vector<int>{5});
    EXPECT_EQ(mouth, std::vector<int>{6});
}

// The 68-point engine's holds, driven by its measures directly: a face at
// rest, and ticks in the engine's order.
struct OutlineHolds : ::testing::Test {
    std::unique_ptr<TrackerState> state = std::make_unique<TrackerState>();
    TrackerState& s = *state;
    quil::testing::RecordingDesktop desktop;
    // Eyes open 0.3 of their width, the mouth shut, 60 pixels between the eyes.
    const OutlineMeasures rest{0.3, 0.02, 50.0 / 60, 0.0, 25.0 / 60, 320, 250, 60};
    bool mouthEvent = false, dwellEvent = false;

    void SetUp() override {
        applyOptionsText(s, kDefaultOptionsText);
        s.precise.outline.now = rest;
        startOutline(s.precise.outline);
        for (int i = 0; i < 40; ++i) tick(rest);
    }
    void tick(const OutlineMeasures& m) {
        PreciseOutline& o = s.precise.outline;
        o.now = m;
        readOutlineGestures(s, 0.0);
        followRest(o);
        runGestureCheck(s, desktop);
        double x = m.noseX, y = m.noseY;
        holdPointerForGesture(s, x, y);
        s.pointer.moveDistance = 0.0;
        s.pointer.mouthEvent = s.pointer.dwellEvent = false;
        detectOutlineEvents(s, x, y);
        mouthEvent = s.pointer.mouthEvent;
        dwellEvent = s.pointer.dwellEvent;
    }
    OutlineMeasures open() const {
        OutlineMeasures m = rest;
        m.mouth = 0.5;  // above every sensitivity's threshold
        return m;
    }
    std::vector<int> mouthActs(const OutlineMeasures& m, int ticks) {
        std::vector<int> at;
        for (int i = 1; i <= ticks; ++i) {
            tick(m);
            if (mouthEvent) at.push_back(i);
        }
        return at;
    }
};

TEST_F(OutlineHolds, TheHoldTimeFollowsTheSensitivity) {
    // 0.6, 0.45 and 0.375 s.
    const std::pair<int32_t, int> levels[] = {
        {SensitivityLow, 8}, {SensitivityMedium, 6}, {SensitivityHigh, 5}};
    for (const auto& [level, ticks] : levels) {
        s.shared.gestureSensitivity = level;
        mouthActs(rest, 3);
        EXPECT_EQ(mouthActs(open(), 20), std::vector<int>{ticks}) << "level " << level;
    }
}

TEST_F(OutlineHolds, AHoldGoingOnThroughTheRestAfterAnActionMustEndFirst) {
    mouthActs(open(), 2);
    s.pointer.clickCooldown = true;
    EXPECT_EQ(mouthActs(open(), 30), std::vector<int>{});
    mouthActs(rest, 1);
    EXPECT_EQ(mouthActs(open(), 6), std::vector<int>{6});
}

TEST_F(OutlineHolds, ADwellDoesNotCountWhileAGestureHoldsThePointer) {
    s.shared.clickGestures[GestureDwell] = 1;
    s.pointer.dwellLimit = 20;
    s.pointer.dwellFrames = 0;
    for (int i = 0; i < 15; ++i) tick(rest);
    // The mouth opened for less than its hold time: the pointer is held
    // meanwhile, and the dwell waits.
    for (int i = 0; i < 5; ++i) {
        tick(open());
        EXPECT_FALSE(dwellEvent || mouthEvent) << i;
    }
    // The lips moved: the dwell starts afresh once they have kept still
    // for 10 ticks, and acts 20 still ticks later.
    std::vector<int> at;
    for (int i = 1; i <= 40; ++i) {
        tick(rest);
        if (dwellEvent) at.push_back(i);
    }
    EXPECT_EQ(at, std::vector<int>{30});
}

TEST_F(OutlineHolds, TalkingLipsKeepADwellFromCountingAndStillOnesLetIt) {
    s.shared.clickGestures[GestureDwell] = 1;
    s.pointer.dwellLimit = 20;
    s.pointer.dwellFrames = 0;
    // Lips that quiver less than talking moves them leave the dwell its count.
    OutlineMeasures quiver = rest;
    quiver.mouth = rest.mouth + 0.03;
    std::vector<int> at;
    for (int i = 1; i <= 30; ++i) {
        tick(i % 2 ? quiver : rest);
        if (dwellEvent) at.push_back(i);
    }
    EXPECT_EQ(at, std::vector<int>{20});
    // A head held still while its owner talks: the lips part and close by
    // small amounts, never long enough to click, and nothing dwells.
    OutlineMeasures word = rest;
    word.mouth = rest.mouth + 0.1;
    int dwells = 0;
    for (int i = 0; i < 120; ++i) {
        tick(i % 3 == 0 ? word : rest);
        dwells += dwellEvent;
        EXPECT_FALSE(mouthEvent) << i;
    }
    EXPECT_EQ(dwells, 0);
}

}  // namespace
}  // namespace quil::precise
