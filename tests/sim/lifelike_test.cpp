// The lifelike scenes: the turning head is drawn within the picture wherever
// it is, dlib's face detector finds it as it turns, the truth sits on its
// nose tip, and its gestures show in the picture and are timed as people's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "landmarks/face_landmarks.h"
#include "sim/head3d.h"
#include "sim/scene.h"
#include "sim/y4m.h"

namespace quil::sim {
namespace {

constexpr const char* kFullModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";
constexpr int kNoseTipMark = 30;  // the 68-point model's nose tip
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;

// The grey picture of a box of the frame (rows from the top), where the
// detector looks: the head and its surroundings, to keep the search short.
struct Crop {
    int left, top, width, height;
    std::vector<uint8_t> grey;
    landmarks::GreyView view() const { return {grey.data(), width, height, width}; }
};
Crop cropAround(const std::vector<uint8_t>& bgr, double cx, double cy) {
    constexpr int kW = 320, kH = 360;
    Crop c{std::clamp(static_cast<int>(cx) - kW / 2, 0, kWidth - kW),
           std::clamp(static_cast<int>(cy) - kH / 2, 0, kHeight - kH),
           kW,
           kH,
           {}};
    c.grey.resize(static_cast<size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y) {
        const uint8_t* row = &bgr[static_cast<size_t>(kHeight - 1 - (c.top + y)) * kWidth * 3];
        for (int x = 0; x < kW; ++x) {
            const uint8_t* p = &row[3 * (c.left + x)];
            c.grey[static_cast<size_t>(y) * kW + x] =
                static_cast<uint8_t>((29 * p[0] + 150 * p[1] + 77 * p[2]) >> 8);
        }
    }
    return c;
}

Pose poseAt(double x, double y, double yaw = 0, double pitch = 0, double roll = 0) {
    Pose p;
    p.headX = x;
    p.headY = y;
    p.yaw = yaw;
    p.pitch = pitch;
    p.roll = roll;
    return p;
}

TEST(TurningScene, TheDetectorFindsTheFaceAsItTurnsAndTheTruthIsItsNoseTip) {
    auto scene = makeScene("turning", 1, 0.0);
    ASSERT_NE(scene, nullptr);
    landmarks::FaceDetector detector;
    const auto full = std::filesystem::exists(kFullModel)
                          ? landmarks::FullLandmarkModel::load(kFullModel)
                          : nullptr;
    std::vector<uint8_t> bgr(kBgrBytes);
    std::vector<landmarks::FaceBox> faces;
    int looked = 0, found = 0, near = 0, turnedFar = 0;
    double minYaw = 0, maxYaw = 0;
    // Every twelfth frame once the script's turns begin, without a tracker.
    UserView view;
    for (int64_t tick = 0; scene->advance(tick, view); ++tick) {
        const Pose& p = scene->pose();
        minYaw = std::min(minYaw, p.yaw);
        maxYaw = std::max(maxYaw, p.yaw);
        const bool turned = std::abs(p.yaw) + std::abs(p.pitch) + std::abs(p.roll) > 0.05;
        if (!turned || tick % 12 != 0 || p.pitch > 0.3) continue;
        scene->render(bgr);
        const Crop crop = cropAround(bgr, p.headX, p.headY + 30);
        detector.find(crop.view(), faces);
        ++looked;
        if (faces.empty()) continue;
        ++found;
        const auto tip = scene->truthPoint();
        const double tx = tip[0] - crop.left, ty = tip[1] - crop.top;
        const auto& f = faces.front();
        EXPECT_TRUE(tx > f.left && tx < f.right && ty > f.top && ty < f.bottom) << tick;
        if (!full) continue;
        landmarks::FullLandmarks marks;
        full->fit(crop.view(), f, marks);
        const double miss = std::hypot(marks[kNoseTipMark].x - tx, marks[kNoseTipMark].y - ty);
        near += miss < 0.3 * (f.right - f.left);
        turnedFar += std::abs(p.yaw) > 0.45;
    }
    EXPECT_LT(minYaw, -0.58);  // beyond 33 degrees each way
    EXPECT_GT(maxYaw, 0.58);
    ASSERT_GT(looked, 25);
    EXPECT_GE(found, looked * 9 / 10) << found << " of " << looked;
    if (!full) GTEST_SKIP() << "no 68-point model to place the nose tip";
    EXPECT_GE(near, found * 9 / 10) << near << " of " << found;
    EXPECT_GT(turnedFar, 4);
}

TEST(LifelikeHead, DrawsOnlyWithinThePictureWhereverTheHeadIs) {
    RealLook look;
    makeRealLook(look, 3, 1.6, true);
    RealHead head(look);
    constexpr float kGuard = -12345.0f;
    std::vector<float> rgb(kPixels * 3 + 64, kGuard);
    const auto centred = [&] {
        std::fill(rgb.begin(), rgb.begin() + kPixels * 3, 0.0f);
        head.render(poseAt(320, 240), rgb);
        return head.coveredPixels();
    }();
    ASSERT_GT(centred, 20000);
    // Across each edge and corner, turned, and wholly out of the picture.
    const Pose edges[] = {poseAt(-40, 240, 0.6),    poseAt(680, 240, -0.6),
                          poseAt(320, -60, 0, 0.4), poseAt(320, 560, 0, -0.4, 0.26),
                          poseAt(-10, -10, 0.3),    poseAt(650, 490, -0.3, 0.2, -0.26)};
    for (const Pose& p : edges) {
        head.render(p, rgb);
        EXPECT_GT(head.coveredPixels(), 0) << p.headX << "," << p.headY;
        EXPECT_LT(head.coveredPixels(), centred) << p.headX << "," << p.headY;
    }
    for (const Pose& p : {poseAt(-400, 240), poseAt(1100, 240), poseAt(320, -500)}) {
        head.render(p, rgb);
        EXPECT_EQ(head.coveredPixels(), 0) << p.headX << "," << p.headY;
    }
    EXPECT_TRUE(
        std::all_of(rgb.begin() + kPixels * 3, rgb.end(), [](float v) { return v == kGuard; }));
}

TEST(LifelikeHead, TheNoseTipLeadsTheTurnsWhileTheFlatPersonIsScoredAtItsAnchor) {
    RealLook look;
    makeRealLook(look, 1, 1.0, false);
    const RealHead head(look);
    const auto ahead = head.noseTip(poseAt(320, 240));
    EXPECT_NEAR(ahead[0], 320, 0.5);  // on the middle line, below the eyes
    EXPECT_GT(ahead[1], 240 + 0.4 * look.a);
    const auto right = head.noseTip(poseAt(320, 240, 0.5));
    const auto down = head.noseTip(poseAt(320, 240, 0, 0.4));
    EXPECT_GT(right[0], ahead[0] + 0.5 * look.a);
    EXPECT_GT(down[1], ahead[1] + 0.1 * look.a);

    auto flat = makeScene("gestures", 1, 0.0);
    flat->advance(0, {});
    EXPECT_EQ(flat->truthPoint()[0], flat->pose().headX);
    EXPECT_EQ(flat->truthPoint()[1], flat->pose().headY);
}

// Pixels of the eyes' whites (bright and grey) and of the mouth's dark.
struct Counts {
    int white = 0, dark = 0;
};
Counts countOf(const std::vector<float>& rgb) {
    Counts c;
    for (size_t i = 0; i < kPixels; ++i) {
        const float* p = &rgb[i * 3];
        const float lo = std::min({p[0], p[1], p[2]}), hi = std::max({p[0], p[1], p[2]});
        c.white += lo > 170 && hi - lo < 30;
        c.dark += 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2] < 70;
    }
    return c;
}

TEST(LifelikeHead, ShutEyesHideTheirWhitesAndAnOpenMouthShowsItsDarkInside) {
    RealLook look;
    makeRealLook(look, 2, 1.0, false);
    RealHead head(look);
    std::vector<float> rgb(kPixels * 3);
    const auto picture = [&](double eyes, double mouth) {
        Pose p = poseAt(320, 220);
        p.eyeClose = eyes;
        p.mouthOpen = mouth;
        std::fill(rgb.begin(), rgb.end(), 150.0f);
        head.render(p, rgb);
        return countOf(rgb);
    };
    const Counts open = picture(0, 0), shut = picture(1, 0), wide = picture(0, 1);
    EXPECT_GT(open.white, 100);
    EXPECT_LT(shut.white, open.white / 10);
    EXPECT_GT(wide.dark, open.dark + 500);
}

TEST(LifelikeScenes, TalkingAndBlinkingKeepPeoplesTiming) {
    for (uint64_t seed = 1; seed <= 3; ++seed) {
        const auto talk = lifelikeTalk(seed, 20.0);
        std::vector<double> starts;
        int wide = 0;
        for (const Opening& o : talk) {
            if (o.depth <= 0.1) continue;  // the lips apart through a phrase
            starts.push_back(o.start);
            wide += o.depth >= 0.8;
        }
        ASSERT_GT(starts.size(), 40u);
        for (size_t i = 1; i < starts.size(); ++i) {
            const double gap = starts[i] - starts[i - 1];
            // Within a phrase 3 to 6 a second; a longer gap is a pause.
            if (gap < 0.34) {
                EXPECT_GE(gap, 1 / 6.0 - 1e-9) << seed;
            }
        }
        EXPECT_GT(wide, 0) << seed;
        EXPECT_LT(wide, static_cast<int>(starts.size()) / 4) << seed;
        for (const Opening& b : lifelikeBlinks(seed, 60.0)) {
            EXPECT_GE(b.rise + b.hold + b.fall, 0.1 - 1e-9);
            EXPECT_LE(b.rise + b.hold + b.fall, 0.3 + 1e-9);
        }
    }
    // Deliberate closings from half a second to two and a half, labelled as held.
    const auto script = sceneScript("gestures_real");
    double shortest = 99, longest = 0;
    for (const Phase& p : script) {
        if (p.act != Act::EyeHold) continue;
        EXPECT_EQ(doingOf(p) & kEyesHeld, kEyesHeld);
        shortest = std::min(shortest, p.seconds - 0.35);
        longest = std::max(longest, p.seconds - 0.35);
    }
    EXPECT_NEAR(shortest, 0.5, 1e-9);
    EXPECT_NEAR(longest, 2.5, 1e-9);
    EXPECT_EQ(doingOf({Act::LookDown, 1.5}), kInView | kMoving);
}

}  // namespace
}  // namespace quil::sim
