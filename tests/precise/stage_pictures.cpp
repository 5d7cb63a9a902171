#include "stage_pictures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

#include "options/options_file.h"
#include "sim/replay.h"
#include "sim/scene.h"
#include "sim/y4m.h"
#include "tracker/engines.h"
#include "tracker/precise/precise_engine.h"
#include "tracker/startup.h"

namespace quil::precise::stages {

namespace {

constexpr int kW = sim::kWidth, kH = sim::kHeight;

// Byte offset of the blue of pixel (x, y), y counted from the top.
size_t offsetOf(int x, int y) { return 3 * (static_cast<size_t>(kH - 1 - y) * kW + x); }

struct Drawn {
    Picture picture = Picture(sim::kBgrBytes);
    landmarks::Point eyes;
};

const Drawn& drawn() {
    static const Drawn once = [] {
        Drawn d;
        sim::LookTweaks still;
        still.wander = 0.0;
        sim::Scene scene("still", {sim::Phase{sim::Act::Hold, 60.0}}, 1, 0.0, 0.0, still);
        sim::UserView view;
        scene.advance(0, view);
        scene.render(d.picture);
        d.eyes = {scene.pose().headX, scene.pose().headY};
        return d;
    }();
    return once;
}

// Value noise: random levels on a coarse grid, smoothly interpolated.
constexpr int kCell = 6;
constexpr int kGridW = kW / kCell + 2, kGridH = kH / kCell + 2;

const std::vector<float>& noiseGrid() {
    static const std::vector<float> grid = [] {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> level(40.0F, 215.0F);
        std::vector<float> g(static_cast<size_t>(kGridW) * kGridH);
        for (float& v : g) v = level(random);
        return g;
    }();
    return grid;
}

double textureAt(double x, double y) {
    const std::vector<float>& g = noiseGrid();
    const double gx = std::clamp(x / kCell, 0.0, kGridW - 1.001);
    const double gy = std::clamp(y / kCell, 0.0, kGridH - 1.001);
    const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
    const auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    const double fx = smooth(gx - ix), fy = smooth(gy - iy);
    const auto at = [&](int cx, int cy) { return g[static_cast<size_t>(cy) * kGridW + cx]; };
    const double top = at(ix, iy) + fx * (at(ix + 1, iy) - at(ix, iy));
    const double bottom = at(ix, iy + 1) + fx * (at(ix + 1, iy + 1) - at(ix, iy + 1));
    return top + fy * (bottom - top);
}

// Where a point of the output comes from in the input.
landmarks::Point inverse(const FacePose& pose, double x, double y) {
    const double det = pose.a * pose.a + pose.b * pose.b;
    const double ux = x - pose.tx, uy = y - pose.ty;
    return {(pose.a * ux + pose.b * uy) / det, (-pose.b * ux + pose.a * uy) / det};
}

uint8_t toLevel(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

const Picture& stillFace() { return drawn().picture; }

landmarks::Point stillFaceEyes() { return drawn().eyes; }

Picture flat(uint8_t level) { return Picture(sim::kBgrBytes, level); }

Picture moved(const Picture& bgr, const FacePose& pose) {
    Picture out(sim::kBgrBytes);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const landmarks::Point from = inverse(pose, x, y);
            const double fx = std::clamp(from.x, 0.0, kW - 1.0);
            const double fy = std::clamp(from.y, 0.0, kH - 1.0);
            const int x0 = std::min(static_cast<int>(fx), kW - 2);
            const int y0 = std::min(static_cast<int>(fy), kH - 2);
            const double ax = fx - x0, ay = fy - y0;
            for (size_t c = 0; c < 3; ++c) {
                const auto at = [&](int px, int py) { return bgr[offsetOf(px, py) + c]; };
                const double top = at(x0, y0) + ax * (at(x0 + 1, y0) - at(x0, y0));
                const double bottom = at(x0, y0 + 1) + ax * (at(x0 + 1, y0 + 1) - at(x0, y0 + 1));
                out[offsetOf(x, y) + c] = toLevel(top + ay * (bottom - top));
            }
        }
    }
    return out;
}

FacePose turnAbout(double cx, double cy, double degrees, double scale, double dx, double dy) {
    const double r = degrees * std::numbers::pi / 180.0;
    FacePose p;
    p.a = scale * std::cos(r);
    p.b = scale * std::sin(r);
    // The centre stays where it was, then everything moves.
    p.tx = cx - (p.a * cx - p.b * cy) + dx;
    p.ty = cy - (p.b * cx + p.a * cy) + dy;
    return p;
}

Picture texture(const FacePose& pose) {
    Picture out(sim::kBgrBytes);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const landmarks::Point from = inverse(pose, x, y);
            const uint8_t v = toLevel(textureAt(from.x, from.y));
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(offsetOf(x, y)), 3, v);
        }
    }
    return out;
}

void PreciseStage::SetUp() {
    if (!std::filesystem::exists(sim::defaultModelFile())) {
        GTEST_SKIP() << "no landmark model at " << sim::defaultModelFile();
    }
    startTracker(s, desktop, 1024, 768, {quil::testing::kMainWindow, quil::testing::kCaptureWindow},
                 kDefaultOptionsText);
    ASSERT_TRUE(loadPreciseEngine(s, sim::defaultModelFile()));
    s.shared.engineChoice = PreciseEngine;
    s.engine = PreciseEngine;
    s.state = MotionSearch;
    desktop.calls.clear();
}

FrameReport PreciseStage::step(StateStep stage, const Picture& picture) {
    precisePictureIntake(s.precise.pictures, picture);
    shown = picture;
    FrameInput input{shown, desktop.cursor, {}};
    stage(s, desktop, input);
    return input.report;
}

bool PreciseStage::calibrateOnStillFace() {
    for (int i = 0; i < 2 && s.state != Calibration; ++i) step(stepFindFace, stillFace());
    for (int i = 0; i < 10 && s.state == Calibration; ++i) step(stepCalibrate, stillFace());
    desktop.calls.clear();
    return s.state == Tracking;
}

}  // namespace quil::precise::stages
