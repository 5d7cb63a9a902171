// Following the face, stage by stage: where the points to follow are taken,
// the follow step on pictures moved and turned by known amounts, the losses
// it declares, and the landmarks' slow pull on the followed position.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "pointer/pointer_mapping.h"
#include "stage_pictures.h"
#include "tracker/calibration.h"
#include "tracker/precise/precise_engine.h"

namespace quil::precise::stages {
namespace {

using landmarks::Landmarks;
using landmarks::Point;
using quil::testing::DesktopCall;

// A face placed on the texture by hand: the eyes' centres at (290, 200) and
// (350, 200), 20 pixels wide, the nose's bottom at (320, 250).
Landmarks handMarks(double dx = 0, double dy = 0) {
    Landmarks m;
    m[landmarks::kLeftEyeOuter] = {280 + dx, 200 + dy};
    m[landmarks::kLeftEyeInner] = {300 + dx, 200 + dy};
    m[landmarks::kRightEyeInner] = {340 + dx, 200 + dy};
    m[landmarks::kRightEyeOuter] = {360 + dx, 200 + dy};
    m[landmarks::kNoseBottom] = {320 + dx, 250 + dy};
    return m;
}

// Where the points were taken, against the face's parts.
struct Starting : ::testing::Test {
    std::unique_ptr<TrackerState> state = std::make_unique<TrackerState>();
    TrackerState& s = *state;

    bool startOn(const Picture& picture, const Landmarks& marks) {
        precisePictureIntake(s.precise.pictures, picture);
        s.precise.face.calibratedMarks = marks;
        return startFollowing(s);
    }
};

TEST_F(Starting, PointsAreTakenOnTheFaceAwayFromTheEyes) {
    ASSERT_TRUE(startOn(texture(), handMarks()));
    const PreciseFace& f = s.precise.face;
    EXPECT_GE(f.initialCount, 12);
    EXPECT_LE(f.initialCount, 40);
    ASSERT_EQ(f.origin.size(), f.last.size());
    // Above the eyes by 0.55 of their gap, beside them by 0.25, down to 0.1
    // below the nose; kept out of each eye's box (0.3 aside, 0.5 above,
    // 0.25 below); 0.12 of the gap apart.
    const PixelRect area{275, 167, 365, 256};
    const PixelRect eyes[2] = {{272, 170, 308, 215}, {332, 170, 368, 215}};
    for (size_t i = 0; i < f.last.size(); ++i) {
        const FlowPoint q = f.last[i];
        EXPECT_TRUE(area.contains(q.x, q.y)) << q.x << ", " << q.y;
        EXPECT_FALSE(eyes[0].contains(q.x, q.y) || eyes[1].contains(q.x, q.y))
            << q.x << ", " << q.y;
        EXPECT_EQ(f.origin[i].x, q.x) << "calibrated where they are";
        EXPECT_EQ(f.origin[i].y, q.y);
        for (size_t k = 0; k < i; ++k) {
            EXPECT_GE(std::hypot(q.x - f.last[k].x, q.y - f.last[k].y), 7.2F);
        }
    }
}

TEST_F(Starting, AFaceWithTooLittleToFollowIsRefused) {
    EXPECT_FALSE(startOn(flat(128), handMarks()));
    EXPECT_EQ(s.precise.face.initialCount, 0);
    // A face with no size: the landmarks all on one spot.
    Landmarks spot;
    spot.fill({320, 240});
    EXPECT_FALSE(startOn(texture(), spot));
    EXPECT_TRUE(s.precise.face.last.empty());
}

TEST_F(Starting, AFaceAtThePicturesEdgeTakesPointsInsideIt) {
    for (const auto& [dx, dy] : {std::pair{-300.0, -190.0}, std::pair{300.0, 250.0}}) {
        startOn(texture(), handMarks(dx, dy));
        EXPECT_FALSE(s.precise.face.last.empty()) << "the part inside has corners";
        for (const FlowPoint& q : s.precise.face.last) {
            EXPECT_TRUE(q.x >= 0 && q.x < 640 && q.y >= 0 && q.y < 480) << q.x << ", " << q.y;
        }
    }
}

// The follow step after a calibration on the still picture.
struct FaceFollow : PreciseStage {
    void SetUp() override {
        PreciseStage::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(calibrateOnStillFace());
        anchor = {s.precise.face.anchorX, s.precise.face.anchorY};
    }
    Point anchor;
};

// The scale and the turn within 1 % (half a degree), and the face's places
// within half a pixel.
void expectPose(const FacePose& got, const FacePose& want, const char* what) {
    EXPECT_NEAR(got.a, want.a, 0.01) << what;
    EXPECT_NEAR(got.b, want.b, 0.01) << what;
    // The places the pose gives on the face, rather than its offsets, which
    // a small error of the turn moves far from the picture's origin.
    const Point centre{320, 220};
    const Point g = applyPose(got, centre), w = applyPose(want, centre);
    EXPECT_NEAR(g.x, w.x, 0.5) << what;
    EXPECT_NEAR(g.y, w.y, 0.5) << what;
}

TEST_F(FaceFollow, FollowsTheFaceAsItMovesAndTurns) {
    const Point eyes = stillFaceEyes();
    const FacePose path[] = {
        turnAbout(eyes.x, eyes.y, 0, 1, 3, 2),    turnAbout(eyes.x, eyes.y, 0, 1, 6, 4),
        turnAbout(eyes.x, eyes.y, 2, 1.02, 8, 5), turnAbout(eyes.x, eyes.y, 4, 1.04, 9, 6),
        turnAbout(eyes.x, eyes.y, 5, 1.05, 9, 6), turnAbout(eyes.x, eyes.y, 5, 1.05, 6, 4),
    };
    for (const FacePose& pose : path) {
        const FrameReport r = step(stepFollow, moved(stillFace(), pose));
        ASSERT_EQ(s.state, Tracking);
        expectPose(s.precise.face.pose, pose, "pose");
        ASSERT_TRUE(r.faceX && r.faceY);
        const Point want = applyPose(pose, anchor);
        EXPECT_NEAR(*r.faceX, want.x, 1.0);
        EXPECT_NEAR(*r.faceY, want.y, 1.0);
    }
    EXPECT_EQ(s.precise.face.missedChecks, 0) << "the detector saw the face at each check";
}

TEST_F(FaceFollow, ADroppedFrameIsBorneAndThreeInARowLoseTheFace) {
    const Picture blank = flat(128);
    // One blank frame costs two: the next one follows from the blank.
    EXPECT_FALSE(step(stepFollow, blank).faceX);
    EXPECT_FALSE(step(stepFollow, stillFace()).faceX);
    EXPECT_EQ(s.precise.face.weakFrames, 2);
    EXPECT_TRUE(step(stepFollow, stillFace()).faceX);
    EXPECT_EQ(s.precise.face.weakFrames, 0);
    EXPECT_TRUE(desktop.of(DesktopCall::SetCursor).size() == 1) << "moved only when followed";

    EXPECT_EQ(step(stepFollow, blank).loss, LossReason::None);
    EXPECT_EQ(step(stepFollow, blank).loss, LossReason::None);
    EXPECT_EQ(s.state, Tracking);
    EXPECT_EQ(step(stepFollow, blank).loss, LossReason::FaceLost);
    EXPECT_EQ(s.state, Lost);
}

TEST_F(FaceFollow, AFaceThatJumpsAwayIsLostWithinSixFrames) {
    const Picture away = moved(stillFace(), turnAbout(0, 0, 0, 1, 200, 0));
    int frames = 0;
    while (s.state == Tracking && frames < 10) {
        step(stepFollow, away);
        ++frames;
    }
    EXPECT_EQ(s.state, Lost);
    EXPECT_LE(frames, 6);
}

TEST_F(FaceFollow, TheLandmarksPullTheDriftBackOnlyWhenTheyAgree) {
    // Points that have drifted 5 and 3 pixels: within 0.15 of the eye gap
    // (62 pixels) of where the landmarks see the face.
    PreciseFace& f = s.precise.face;
    f.driftX = 5.0;
    f.driftY = -3.0;
    for (int i = 0; i < 3; ++i) {
        const FrameReport r = step(stepFollow, stillFace());
        ASSERT_TRUE(r.faceX);
        EXPECT_NEAR(*r.faceX, anchor.x + 5.0, 1e-3);
        EXPECT_NEAR(*r.faceY, anchor.y - 3.0, 1e-3);
    }
    // Every fourth frame a tenth of the way back.
    step(stepFollow, stillFace());
    EXPECT_NEAR(f.driftX, 4.5, 1e-3);
    EXPECT_NEAR(f.driftY, -2.7, 1e-3);
    for (int i = 0; i < 4; ++i) step(stepFollow, stillFace());
    EXPECT_NEAR(f.driftX, 4.05, 1e-3);
    // Farther than that, the landmarks are taken to be wrong.
    f.driftX = 12.0;
    for (int i = 0; i < 8; ++i) step(stepFollow, stillFace());
    EXPECT_EQ(f.driftX, 12.0);
    EXPECT_EQ(s.state, Tracking);
}

TEST_F(FaceFollow, LostPointsAreReplacedWhereThePoseSaysTheyCameFrom) {
    const Point eyes = stillFaceEyes();
    const FacePose turned = turnAbout(eyes.x, eyes.y, 3, 1.03, 5, 3);
    step(stepFollow, moved(stillFace(), turned));
    PreciseFace& f = s.precise.face;
    const int32_t initial = f.initialCount;
    ASSERT_GE(initial, 12);
    // Down to seven points: enough to place the face, too few to keep.
    f.origin.resize(7);
    f.last.resize(7);
    ASSERT_TRUE(step(stepFollow, moved(stillFace(), turned)).faceX);
    EXPECT_GT(f.last.size(), 7u);
    EXPECT_LE(f.last.size(), 40u);
    ASSERT_EQ(f.origin.size(), f.last.size());
    for (size_t i = 0; i < f.last.size(); ++i) {
        const Point q = applyPose(f.pose, {f.origin[i].x, f.origin[i].y});
        EXPECT_NEAR(q.x, f.last[i].x, 0.5) << i;
        EXPECT_NEAR(q.y, f.last[i].y, 0.5) << i;
    }
    // And they follow on.
    ASSERT_TRUE(step(stepFollow, moved(stillFace(), turned)).faceX);
    expectPose(f.pose, turned, "after the new points");
}

// Following set up by hand on the texture, as calibration would leave it:
// points to follow, but nothing the detector calls a face.
struct TextureFollow : PreciseStage {
    void SetUp() override {
        PreciseStage::SetUp();
        if (IsSkipped()) return;
        precisePictureIntake(s.precise.pictures, texture());
        PreciseFace& f = s.precise.face;
        f.calibratedMarks = handMarks();
        const FaceParts parts = partsOf(f.calibratedMarks);
        f.calibratedBox = boxAround(parts);
        f.eyeGap = parts.eyeGap;
        const Point anchor = anchorOf(parts);
        f.anchorX = anchor.x;
        f.anchorY = anchor.y;
        f.mouthBaseline = 1.0;  // no mouth gesture on the texture
        ASSERT_TRUE(startFollowing(s));
        s.face.refX = roundNearest(anchor.x);
        s.face.refY = roundNearest(anchor.y);
        setHeadRange(s);
        computeGains(s);
        s.track.lastFoundX = anchor.x;
        s.track.lastFoundY = anchor.y;
        enterTracking(s, desktop);
    }
};

TEST_F(TextureFollow, PointsFollowedWithoutAFaceAreLostAtTheSecondFailedCheck) {
    FacePose pose;
    for (int i = 1; i <= 5; ++i) {
        pose = turnAbout(320, 220, 0.5 * i, 1.0 + 0.005 * i, 2.0 * i, -1.5 * i);
        const FrameReport r = step(stepFollow, texture(pose));
        ASSERT_EQ(s.state, Tracking) << i;
        EXPECT_TRUE(r.faceX) << i;
        expectPose(s.precise.face.pose, pose, "texture");
        EXPECT_EQ(s.precise.face.missedChecks, i < 3 ? 0 : 1) << i;
    }
    const FrameReport r = step(stepFollow, texture(pose));
    EXPECT_EQ(r.loss, LossReason::FaceLost);
    EXPECT_EQ(s.state, Lost);
    EXPECT_EQ(s.precise.face.weakFrames, 0) << "the points were still followed";
}

}  // namespace
}  // namespace quil::precise::stages
