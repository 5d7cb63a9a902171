#include "tracker/head_gestures.h"

#include <gtest/gtest.h>

namespace quil {
namespace {

constexpr int kCentre = 320;
constexpr int kRightSwing = kCentre + 6;
constexpr int kLeftSwing = kCentre - 6;

class Shake : public ::testing::Test {
protected:
    TrackerState s;
    void SetUp() override { s.shared.headRangeCentreX = kCentre; }

    // The four swings after the initial letter; false for each call.
    void swing() {
        for (const int column : {kRightSwing, kLeftSwing, kRightSwing, kLeftSwing}) {
            EXPECT_FALSE(detectShake(s, column));
        }
    }
    void idle(int calls) {
        for (int i = 0; i < calls; ++i) EXPECT_FALSE(detectShake(s, kCentre));
    }
};

TEST_F(Shake, FourQuickSwingsAreAShakeOnTheFollowingCall) {
    EXPECT_FALSE(detectShake(s, kLeftSwing));  // starts the history with L
    swing();
    EXPECT_EQ(s.gestures.shakeHistory, "LRLRL");
    EXPECT_TRUE(detectShake(s, kCentre));
    EXPECT_TRUE(s.gestures.shakeHistory.empty());
}

TEST_F(Shake, FaceWithinFiveColumnsOfCentreAddsNothing) {
    EXPECT_FALSE(detectShake(s, kCentre));
    for (const int column : {kCentre + 5, kCentre - 5, kCentre + 5, kCentre}) {
        EXPECT_FALSE(detectShake(s, column));
    }
    EXPECT_EQ(s.gestures.shakeHistory, "L");
    // The first swing must go right: another left swing adds nothing.
    EXPECT_FALSE(detectShake(s, kLeftSwing));
    EXPECT_EQ(s.gestures.shakeHistory, "L");
}

TEST_F(Shake, MustFinishWithinTwentyFiveCountedFrames) {
    EXPECT_FALSE(detectShake(s, kCentre));
    idle(21);
    swing();  // 25 counted frames
    EXPECT_TRUE(detectShake(s, kCentre));

    EXPECT_FALSE(detectShake(s, kCentre));
    idle(22);
    swing();  // 26 counted frames
    EXPECT_FALSE(detectShake(s, kCentre));
    // The next call starts a new history.
    EXPECT_FALSE(detectShake(s, kRightSwing));
    EXPECT_EQ(s.gestures.shakeHistory, "L");
    EXPECT_EQ(s.gestures.shakeFrames, 0);
}

class Nod : public ::testing::Test {
protected:
    TrackerState s;
    static constexpr int kRow = 200;
    static constexpr int kCol = 300;

    void SetUp() override {
        EXPECT_FALSE(detectNod(s.gestures, kRow, kCol));  // far from (0, 0): no letter
        EXPECT_TRUE(s.gestures.nodHistory.empty());
    }
};

TEST_F(Nod, FiveAlternatingStepsAreANodOnTheFifthCall) {
    EXPECT_FALSE(detectNod(s.gestures, kRow + 3, kCol));      // D
    EXPECT_FALSE(detectNod(s.gestures, kRow - 2, kCol + 1));  // U, 5 rows, 1 column aside
    EXPECT_FALSE(detectNod(s.gestures, kRow + 1, kCol + 1));  // D
    EXPECT_FALSE(detectNod(s.gestures, kRow - 3, kCol));      // U
    EXPECT_TRUE(detectNod(s.gestures, kRow, kCol));           // D: fifth letter
    EXPECT_TRUE(s.gestures.nodHistory.empty());
    EXPECT_EQ(s.gestures.nodFrames, 0);
}

TEST_F(Nod, StepsOfTwoOrSixRowsOrTwoColumnsAsideAddNothing) {
    EXPECT_FALSE(detectNod(s.gestures, kRow + 2, kCol));
    EXPECT_FALSE(detectNod(s.gestures, kRow + 8, kCol));
    EXPECT_FALSE(detectNod(s.gestures, kRow + 4, kCol + 2));
    EXPECT_TRUE(s.gestures.nodHistory.empty());
    // Two upward steps in a row add one U.
    EXPECT_FALSE(detectNod(s.gestures, kRow, kCol + 2));
    EXPECT_FALSE(detectNod(s.gestures, kRow - 4, kCol + 2));
    EXPECT_EQ(s.gestures.nodHistory, "U");
}

TEST_F(Nod, MustCompleteWithinTheThirtyCallWindow) {
    // Window calls counted so far: 1. Fifth letter on call 30 still counts.
    for (int i = 0; i < 24; ++i) EXPECT_FALSE(detectNod(s.gestures, kRow, kCol));
    for (const int row : {kRow + 3, kRow, kRow + 3, kRow})
        EXPECT_FALSE(detectNod(s.gestures, row, kCol));
    EXPECT_TRUE(detectNod(s.gestures, kRow + 3, kCol));

    // A window of 30 calls, then the fifth letter on the 31st: the window
    // has ended and the history is emptied instead.
    for (int i = 0; i < 26; ++i) EXPECT_FALSE(detectNod(s.gestures, kRow + 3, kCol));
    for (const int row : {kRow, kRow + 3, kRow, kRow + 3})
        EXPECT_FALSE(detectNod(s.gestures, row, kCol));
    EXPECT_EQ(s.gestures.nodFrames, 30);
    EXPECT_FALSE(detectNod(s.gestures, kRow, kCol));
    EXPECT_TRUE(s.gestures.nodHistory.empty());
    EXPECT_EQ(s.gestures.nodFrames, 0);
}

TEST(NodStart, FirstCallComparesWithTheOrigin) {
    TrackerState s;
    EXPECT_FALSE(detectNod(s.gestures, 4, 1));
    EXPECT_EQ(s.gestures.nodHistory, "D");
}

}  // namespace
}  // namespace quil
