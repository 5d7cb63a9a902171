// Finding a face and calibrating on it, stage by stage: the search step and
// the calibration step called one frame at a time on pictures made here,
// and the detector's verification of a box.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "pointer/pointer_mapping.h"
#include "sim/replay.h"
#include "stage_pictures.h"
#include "tracker/engines.h"
#include "tracker/precise/precise_engine.h"

namespace quil::precise::stages {
namespace {

using landmarks::FaceBox;
using quil::testing::DesktopCall;
using quil::testing::kMainWindow;

bool contains(const FaceBox& b, landmarks::Point p) {
    return b.left < p.x && p.x < b.right && b.top < p.y && p.y < b.bottom;
}

// The still picture halved and centred on a plain ground: a face the
// half-size search is too coarse for.
Picture farFace() { return moved(stillFace(), turnAbout(320, 240, 0, 0.5)); }

using FaceSearch = PreciseStage;

TEST_F(FaceSearch, AnEmptyPictureKeepsItSearchingEveryOtherFrame) {
    const Picture room = flat(120);
    for (int i = 0; i < 6; ++i) {
        const FrameReport r = step(stepFindFace, room);
        EXPECT_FALSE(r.headBox) << i;
        EXPECT_EQ(s.precise.pictures.detectorCalls, (i + 2) / 2) << "frame " << i;
    }
    EXPECT_EQ(s.state, MotionSearch);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(FaceSearch, WithoutItsToolsTheSearchDoesNothing) {
    s.precise.tools.model.reset();
    step(stepFindFace, stillFace());
    EXPECT_EQ(s.state, MotionSearch);
    EXPECT_EQ(s.precise.pictures.detectorCalls, 0);
}

TEST_F(FaceSearch, AFaceBeginsCalibrationOnItsBox) {
    // The frame after a detection is skipped, face or not.
    s.precise.pictures.detectedLastFrame = true;
    EXPECT_FALSE(step(stepFindFace, stillFace()).headBox);
    EXPECT_EQ(s.state, MotionSearch);

    const FrameReport r = step(stepFindFace, stillFace());
    ASSERT_EQ(s.state, Calibration);
    const FaceBox& box = s.precise.search.box;
    EXPECT_TRUE(contains(box, stillFaceEyes()));
    EXPECT_GT(box.right - box.left, 100) << "in whole-size pixels";
    ASSERT_TRUE(r.headBox);
    // The head box as the classic engine gives it: rows above the bottom edge.
    EXPECT_EQ(r.headBox->left, box.left);
    EXPECT_EQ(r.headBox->right, box.right);
    EXPECT_EQ(r.headBox->top, 480 - box.top);
    EXPECT_EQ(r.headBox->bottom, 480 - box.bottom);
    EXPECT_EQ(desktop.of(DesktopCall::StartEyes).size(), 1u);
    EXPECT_EQ(s.precise.search.calibrationFrames, 0);
}

TEST_F(FaceSearch, AFarFaceIsFoundByTheWholeSizeSearchEveryThirdTime) {
    const Picture far = farFace();
    int frames = 0;
    while (s.state == MotionSearch && frames < 8) {
        step(stepFindFace, far);
        ++frames;
    }
    ASSERT_EQ(s.state, Calibration);
    EXPECT_EQ(s.precise.pictures.detectorCalls, 3);
    EXPECT_EQ(frames, 5) << "searched on frames 1, 3 and 5";
    const landmarks::Point eyes{320 + (stillFaceEyes().x - 320) / 2,
                                240 + (stillFaceEyes().y - 240) / 2};
    EXPECT_TRUE(contains(s.precise.search.box, eyes));
}

using Calibrating = PreciseStage;

TEST_F(Calibrating, AStillFaceIsCalibratedOnOnceItsLandmarksHoldForFourFrames) {
    step(stepFindFace, stillFace());
    ASSERT_EQ(s.state, Calibration);
    desktop.calls.clear();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(step(stepCalibrate, stillFace()).calibration) << i;
        EXPECT_EQ(s.precise.search.steadyFrames, i);
    }
    const FrameReport r = step(stepCalibrate, stillFace());
    ASSERT_EQ(s.state, Tracking);
    ASSERT_TRUE(r.calibration);

    // The face is named midway between the eyes' midpoint and the nose.
    const FaceParts parts = partsOf(s.precise.face.calibratedMarks);
    const landmarks::Point eyes{(parts.eyeCentre[0].x + parts.eyeCentre[1].x) / 2,
                                (parts.eyeCentre[0].y + parts.eyeCentre[1].y) / 2};
    EXPECT_NEAR(eyes.x, stillFaceEyes().x, 4.0);
    EXPECT_NEAR(eyes.y, stillFaceEyes().y, 4.0);
    EXPECT_EQ(r.calibration->refX, roundNearest((eyes.x + parts.nose.x) / 2));
    EXPECT_EQ(r.calibration->refY, roundNearest((eyes.y + parts.nose.y) / 2));
    EXPECT_EQ(s.face.refX, r.calibration->refX);
    EXPECT_EQ(s.track.lastFoundY, s.precise.face.anchorY);
    EXPECT_NEAR(s.precise.face.eyeGap, parts.eyeGap, 1e-9);
    EXPECT_GT(parts.eyeGap, 40.0);
    EXPECT_GE(r.calibration->latticeCount, 12) << "points to follow";
    // Every steady frame saw the same picture: the baselines are its measures.
    const GreyPlane& grey = s.precise.pictures.current.levels[0];
    EXPECT_DOUBLE_EQ(s.precise.face.eyeBaseline, eyeOpenness(grey, parts));
    EXPECT_DOUBLE_EQ(s.precise.face.mouthBaseline, mouthDarkness(grey, parts));
    EXPECT_GT(s.precise.face.eyeBaseline, 0.0) << "open eyes show contrast";
    EXPECT_EQ(desktop.of(DesktopCall::CloseEyes).size(), 1u);
    EXPECT_EQ(s.precise.face.calibratedBox.left, s.precise.search.box.left);
}

TEST_F(Calibrating, AMovingFaceNeverHoldsAndTheWaitEnds) {
    step(stepFindFace, stillFace());
    ASSERT_EQ(s.state, Calibration);
    const Picture aside = moved(stillFace(), turnAbout(0, 0, 0, 1, 8, 0));
    // Steady for two frames, then a move starts the count again.
    for (int i = 0; i < 3; ++i) step(stepCalibrate, stillFace());
    EXPECT_EQ(s.precise.search.steadyFrames, 2);
    EXPECT_EQ(s.precise.search.samples, 2);
    for (int i = 0; i < 8; ++i) {
        step(stepCalibrate, i % 2 == 0 ? aside : stillFace());
        EXPECT_EQ(s.precise.search.steadyFrames, 0) << i;
        EXPECT_EQ(s.precise.search.samples, 0) << i;
    }
    // The wait is 65 frames; the last five of them.
    s.precise.search.calibrationFrames = 60;
    desktop.calls.clear();
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(step(stepCalibrate, i % 2 == 0 ? aside : stillFace()).calibrationTimedOut);
    }
    ASSERT_EQ(s.state, Calibration);
    const FrameReport r = step(stepCalibrate, stillFace());
    EXPECT_TRUE(r.calibrationTimedOut);
    EXPECT_EQ(s.state, MotionSearch);
    EXPECT_EQ(s.precise.search.calibrationFrames, 0);
    EXPECT_FALSE(s.precise.search.marksHeld);
    EXPECT_EQ(desktop.of(DesktopCall::CloseEyes).size(), 1u);
    const std::vector<DesktopCall> shows = desktop.of(DesktopCall::Show);
    ASSERT_EQ(shows.size(), 1u);
    EXPECT_EQ(shows[0].window, kMainWindow);
    EXPECT_EQ(shows[0].a, static_cast<int32_t>(ShowMode::ShowNormal));
}

TEST_F(Calibrating, WithTheOutlinesTheFaceIsNamedByTheNose) {
    if (!std::filesystem::exists(sim::defaultFullModelFile())) {
        GTEST_SKIP() << "no 68-point model at " << sim::defaultFullModelFile();
    }
    ASSERT_TRUE(loadFullLandmarkModel(s, sim::defaultFullModelFile()));
    ASSERT_TRUE(calibrateOnStillFace());
    const OutlineMeasures& now = s.precise.outline.now;
    EXPECT_EQ(s.face.refX, roundNearest(now.noseX));
    EXPECT_EQ(s.face.refY, roundNearest(now.noseY));
    EXPECT_GT(now.noseY, s.precise.face.anchorY) << "the nose is below the five-point anchor";
    EXPECT_EQ(s.track.lastFoundX, now.noseX);
    // The outline's baselines start from this frame's measures.
    EXPECT_EQ(s.precise.outline.recentMouth.count, 1);
    EXPECT_FLOAT_EQ(static_cast<float>(s.precise.outline.mouthRest), static_cast<float>(now.mouth));
}

TEST_F(Calibrating, ABoxWhereTheDetectorSeesNoFaceIsNotCalibratedOn) {
    // A box on the room beside the person: the landmarks hold still there,
    // but the detector's check finds no face.
    s.state = Calibration;
    s.precise.search.box = {10, 10, 150, 150, 0.0};
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(step(stepCalibrate, stillFace()).calibration);
    EXPECT_EQ(s.precise.search.steadyFrames, 3);
    EXPECT_FALSE(step(stepCalibrate, stillFace()).calibration);
    EXPECT_EQ(s.state, Calibration);
    EXPECT_EQ(s.precise.search.steadyFrames, 0) << "checked on the fifth frame, and failed";
    EXPECT_EQ(s.precise.search.samples, 0);
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(FaceSearch, TheDetectorConfirmsOnlyABoxOnTheFace) {
    step(stepFindFace, stillFace());
    ASSERT_EQ(s.state, Calibration);
    const FaceBox face = s.precise.search.box;
    const auto shiftedBy = [&](int dx, int dy) {
        return FaceBox{face.left + dx, face.top + dy, face.right + dx, face.bottom + dy, 0.0};
    };
    EXPECT_TRUE(faceNear(s.precise, face));
    EXPECT_TRUE(faceNear(s.precise, shiftedBy(20, -15))) << "near enough";
    EXPECT_FALSE(faceNear(s.precise, shiftedBy(-240, 0))) << "beside the face";
    // A box wider than 180 pixels is checked on the half-size picture.
    EXPECT_TRUE(faceNear(s.precise,
                         {face.left - 40, face.top - 40, face.right + 40, face.bottom + 40, 0.0}));
    // Boxes off the picture, or squeezed to nothing at its edge.
    EXPECT_FALSE(faceNear(s.precise, {700, 100, 850, 250, 0.0}));
    EXPECT_FALSE(faceNear(s.precise, {-400, -400, -250, -250, 0.0}));
    EXPECT_FALSE(faceNear(s.precise, {639, 479, 639, 479, 0.0}));
}

}  // namespace
}  // namespace quil::precise::stages
