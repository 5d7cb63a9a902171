// A clip's labels: reading the file, and turning a replay of the clip into
// the scorer's ticks with them; the real clip's labels as committed.
#include "sim/clip_labels.h"

#include <gtest/gtest.h>

#include <sstream>

#include "sim/scene.h"
#include "sim/score_run.h"

namespace quil::sim {
namespace {

bool parse(const std::string& text, ClipLabels& labels, std::string& error) {
    std::istringstream in(text);
    return parseClipLabels(in, labels, error);
}

TEST(ClipLabels, IntervalsIncludeBothEndsAndAHiddenFaceHasNoReference) {
    ClipLabels l;
    std::string error;
    ASSERT_TRUE(
        parse("# a clip\n\nfps 25\nvisible 0 9   # all of it\nmouth 3 4\ntalking 2 5\n"
              "hidden 8 9\nhand 1 2\nnose 0 10.5 20\nnose 4 11 21\nnose 9 12 22\n",
              l, error))
        << error;
    EXPECT_EQ(l.rateNum, 25);
    EXPECT_EQ(l.rateDen, 1);
    EXPECT_EQ(l.doingAt(2), kInView | kTalking);
    EXPECT_EQ(l.doingAt(3), kInView | kTalking | kMouthHeld);
    EXPECT_EQ(l.doingAt(5), kInView | kTalking);
    EXPECT_EQ(l.doingAt(6), kInView);
    EXPECT_EQ(l.doingAt(8), 0);
    EXPECT_EQ(l.doingAt(10), 0);  // past the labels
    EXPECT_EQ(l.doingAt(-1), 0);
    ASSERT_TRUE(l.referenceAt(0));
    EXPECT_DOUBLE_EQ((*l.referenceAt(0))[0], 10.5);
    EXPECT_FALSE(l.referenceAt(1));
    EXPECT_TRUE(l.referenceAt(4));
    EXPECT_FALSE(l.referenceAt(9));  // hidden
    EXPECT_FALSE(l.referenceAt(100));

    ASSERT_TRUE(parse("fps 30000/1001\n", l, error)) << error;
    EXPECT_EQ(l.rateNum, 30000);
    EXPECT_EQ(l.rateDen, 1001);
}

TEST(ClipLabels, AnythingUnreadableIsRefusedWithItsLine) {
    const std::pair<const char*, const char*> bad[] = {
        {"fps 25\nblink 3 4\n", "line 2: unknown label \"blink\""},
        {"visible 0 9\n", "no fps line"},
        {"fps 0\n", "line 1: fps"},
        {"fps 25/0\n", "line 1: fps"},
        {"fps many\n", "line 1: fps"},
        {"fps 25\nmouth 5 4\n", "line 2: mouth needs"},
        {"fps 25\nmouth -1 4\n", "line 2: mouth needs"},
        {"fps 25\nmouth 1 99999999\n", "line 2: mouth needs"},
        {"fps 25\nmouth 1\n", "line 2: mouth needs"},
        {"fps 25\nmouth 1 2 3\n", "line 2: unexpected \"3\""},
        {"fps 25\nnose 1 2\n", "line 2: nose needs"},
        {"fps 25\nnose 1 nan 2\n", "line 2: nose needs"},
    };
    for (const auto& [text, message] : bad) {
        ClipLabels l;
        std::string error;
        EXPECT_FALSE(parse(text, l, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << " gave: " << error;
    }
    ClipLabels l;
    std::string error;
    EXPECT_FALSE(readClipLabels("/no/such/file.labels", l, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
}

TEST(ClipLabels, ATickTakesTheFrameShownAtItsTimeAndActionsTheirGesture) {
    ClipLabels l;
    std::string error;
    // 25 fps: tick k shows frame floor(1.875 k).
    ASSERT_TRUE(parse("fps 25\nvisible 0 5\nmouth 3 3\nnose 1 50 60\nnose 3 51 61\nnose 7 52 62\n",
                      l, error))
        << error;
    ReplayResult r;
    r.clickGestures = {0, 1, 0};
    r.dragGestures = {1, 0, 0};
    for (int64_t k = 0; k < 5; ++k) {
        TickRecord t;
        t.tick = k;
        t.processed = true;
        r.ticks.push_back(t);
    }
    r.ticks[1].face = std::array<double, 2>{1, 2};
    r.ticks[1].action = GestureAction::DragPress;
    r.ticks[2].action = GestureAction::KeyPress;
    r.ticks[2].events = {"calibrated_not", "lost", "eyes_window_opened"};
    r.ticks[3].doing = kTalking;  // a scene's truth: not used for a clip
    const auto ticks = scoreTicksOf(r, &l);
    ASSERT_EQ(ticks.size(), 5u);
    EXPECT_EQ(ticks[1].doing, kInView);               // frame 1
    EXPECT_EQ(ticks[2].doing, kInView | kMouthHeld);  // frame 3
    EXPECT_EQ(ticks[3].doing, kInView);               // frame 5
    EXPECT_EQ(ticks[4].doing, 0);                     // frame 7: not in view
    EXPECT_TRUE(ticks[1].truth);
    EXPECT_FALSE(ticks[3].truth);
    EXPECT_FALSE(ticks[4].truth);  // a point, but the face is not in view
    EXPECT_EQ(ticks[1].gesture, 0);
    EXPECT_EQ(ticks[2].gesture, 1);
    EXPECT_EQ(ticks[0].gesture, kNoGesture);
    EXPECT_TRUE(ticks[2].lost && ticks[2].eyesWindowOpened && !ticks[2].calibrated);
    EXPECT_TRUE(ticks[1].face && ticks[1].processed);

    const ScoreSetup setup = scoreSetupOf(r);
    EXPECT_EQ(setup.examined, (std::array<bool, 3>{true, true, false}));
}

TEST(ClipLabels, TheRealClipsLabelsCoverEveryFrame) {
    ClipLabels l;
    std::string error;
    ASSERT_TRUE(readClipLabels(QUIL_LABELS_DIR "/cap12.labels", l, error)) << error;
    EXPECT_EQ(l.rateNum, 25);
    constexpr int64_t kFrames = 1337;
    int64_t withReference = 0;
    for (int64_t f = 0; f < kFrames; ++f) {
        EXPECT_TRUE(l.doingAt(f) & kInView) << f;
        if (const auto p = l.referenceAt(f)) {
            ++withReference;
            EXPECT_TRUE((*p)[0] > 0 && (*p)[0] < 640 && (*p)[1] > 0 && (*p)[1] < 480) << f;
        }
    }
    EXPECT_EQ(withReference, kFrames);
    EXPECT_TRUE(l.doingAt(290) & kMouthHeld);
    EXPECT_TRUE(l.doingAt(350) & kMouthHeld);
    EXPECT_FALSE(l.doingAt(320) & kMouthHeld);
    EXPECT_TRUE(l.doingAt(200) & kTalking);
    EXPECT_TRUE(l.doingAt(642) & kBlinking);
    EXPECT_TRUE(l.doingAt(700) & kMoving);
}

}  // namespace
}  // namespace quil::sim
