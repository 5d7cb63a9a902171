#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "landmarks/face_landmarks.h"
#include "sim/replay.h"
#include "sim/scene.h"
#include "sim/y4m.h"

namespace quil::landmarks {
namespace {

namespace fs = std::filesystem;

// The scene's frame in grey, rows top-down, as the engine sees it.
std::vector<uint8_t> greyFrame(sim::Scene& scene) {
    std::vector<uint8_t> bgr(sim::kBgrBytes);
    scene.render(bgr);
    std::vector<uint8_t> grey(640 * 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = &bgr[static_cast<size_t>(3 * ((479 - y) * 640 + x))];
            grey[static_cast<size_t>(y * 640 + x)] =
                static_cast<uint8_t>((29 * p[0] + 150 * p[1] + 77 * p[2]) >> 8);
        }
    }
    return grey;
}

TEST(Landmarks, OnlyAFivePointModelLoads) {
    EXPECT_EQ(LandmarkModel::load("/nonexistent/model.dat"), nullptr);
    const fs::path junk = fs::path(::testing::TempDir()) / "quil_junk_model.dat";
    std::ofstream(junk) << "not a model at all";
    EXPECT_EQ(LandmarkModel::load(junk), nullptr);
    EXPECT_EQ(LandmarkModel::load(::testing::TempDir()), nullptr) << "a folder";
    EXPECT_NE(LandmarkModel::load(sim::defaultModelFile()), nullptr);
}

TEST(Landmarks, FindsTheSeatedFaceAndItsEyesAndNothingInAnEmptyPicture) {
    auto model = LandmarkModel::load(sim::defaultModelFile());
    ASSERT_NE(model, nullptr);
    FaceDetector detector;
    auto scene = sim::makeScene("pointing", 2, 0.0);
    sim::UserView view;
    for (int64_t tick = 0; tick < 30; ++tick) scene->advance(tick, view);
    const std::vector<uint8_t> grey = greyFrame(*scene);
    const GreyView picture{grey.data(), 640, 480, 640};
    std::vector<FaceBox> found;
    detector.find(picture, found);
    ASSERT_EQ(found.size(), 1u);
    // The scene's anchor is the midpoint of the eyes.
    const double ax = scene->pose().headX, ay = scene->pose().headY;
    EXPECT_TRUE(found[0].left < ax && ax < found[0].right && found[0].top < ay &&
                ay < found[0].bottom);
    const Landmarks m = model->fit(picture, found[0]);
    const double midX =
        (m[kLeftEyeOuter].x + m[kLeftEyeInner].x + m[kRightEyeOuter].x + m[kRightEyeInner].x) / 4;
    const double midY =
        (m[kLeftEyeOuter].y + m[kLeftEyeInner].y + m[kRightEyeOuter].y + m[kRightEyeInner].y) / 4;
    EXPECT_NEAR(midX, ax, 6.0);
    EXPECT_NEAR(midY, ay, 6.0);
    EXPECT_LT(m[kLeftEyeOuter].x, m[kRightEyeOuter].x) << "the model's order of the eyes";
    EXPECT_GT(m[kNoseBottom].y, midY);

    std::vector<uint8_t> plain(640 * 480, 120);
    detector.find({plain.data(), 640, 480, 640}, found);
    EXPECT_TRUE(found.empty());
    detector.find({nullptr, 640, 480, 640}, found);
    EXPECT_TRUE(found.empty());
    detector.find({plain.data(), 640, 480, 100}, found);
    EXPECT_TRUE(found.empty()) << "a stride shorter than a row";
}

}  // namespace
}  // namespace quil::landmarks
