// The lifelike scenes' person: the turning head's look drawn from the seed,
// its motion on top of the script's, and its picture: the room, the body,
// the head, then the camera (softening, an optional low resolution scaled
// up, sensor noise).
#include <algorithm>
#include <cmath>

#include "sim/head3d.h"
#include "sim/scene.h"
#include "sim/scene_look.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr double kPi = 3.14159265358979;
// A still head is never perfectly still: it turns this much (radians) too.
constexpr double kMicroTurn = 0.006;
// Facing the screen while the head turns, the eyes turn back part of the way.
constexpr double kGazeHoldsScreen = 0.8;
constexpr double kGazePerRadian = 1.6;
// Looking down at the desk or the keyboard lowers the eyes this far.
constexpr double kLookDownGaze = 0.9;
constexpr double kLookDownRise = 0.35;
constexpr int kSmallW = kWidth / 2, kSmallH = kHeight / 2;

Rgb lerp3(Rgb a, Rgb b, Rgb c, double t) {
    return t < 0.5 ? mix(a, b, t * 2) : mix(b, c, t * 2 - 1);
}
Rgb unitRgb(double r, double g, double b) {
    return {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
}
Vec3 unit(Vec3 v) {
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

// Camera noise, levels: the sum of four uniform bytes, close to a Gaussian.
double noiseOf(uint64_t bits, int ch, double sigma) {
    const uint64_t part = bits >> (ch * 21);
    const double n = static_cast<double>((part & 0x1F) + ((part >> 5) & 0x1F) +
                                         ((part >> 10) & 0x1F) + ((part >> 15) & 0x1F)) -
                     62.0;
    return n * (sigma / 18.0);
}
// Rounded to a level; within 0..255 adding a half and truncating rounds.
uint8_t level(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0) + 0.5); }

}  // namespace

void makeRealLook(RealLook& L, uint64_t seed, double faceScale, bool variety) {
    Rng rng(seed * 104729 + 31);
    L.a = rng.range(78, 92) * faceScale;
    L.eyeGap = L.a * rng.range(0.43, 0.47);
    L.eyeHalfW = L.a * rng.range(0.2, 0.22);
    L.eyeHalfH = L.a * rng.range(0.075, 0.085);
    L.irisR = L.a * 0.085;
    L.mouthY = 2 * L.eyeGap * rng.range(1.05, 1.15);
    L.mouthDrop = L.a * 0.45;  // about 3 cm: a mouth opened wide
    L.lipHalf = 0.33 * L.a * rng.range(0.9, 1.1);
    // Skin from deep brown to pale, hair from black to fair or grey.
    const double tone = rng.uniform();
    L.skin = lerp3({92, 60, 44}, {176, 122, 92}, {236, 192, 168}, tone);
    const double fair = rng.uniform();
    L.hair = fair < 0.7 ? unitRgb(25 + 60 * fair, 18 + 45 * fair, 12 + 30 * fair)
                        : unitRgb(130 + 60 * (fair - 0.7), 105 + 60 * (fair - 0.7),
                                  70 + 80 * (fair - 0.7));
    L.brow = mix(L.hair, {20, 15, 12}, 0.3);
    L.iris = unitRgb(rng.range(40, 110), rng.range(35, 95), rng.range(25, 90));
    L.lips = unitRgb(L.skin.r * 0.76, L.skin.g * 0.46, L.skin.b * 0.52);
    L.skinTex = makeNoise(rng, 512, {18, 8, 4, 1.5}, {5, 4, 2.5, 1.2});
    L.hairTex = makeNoise(rng, 512, {12, 3, 1.5}, {10, 14, 10}, 4.0);
    L.beardTex = makeNoise(rng, 256, {3, 1.2}, {1.0, 0.8});
    const double beard = rng.uniform(), glasses = rng.uniform(), camera = rng.uniform();
    const double noisy = rng.uniform(), side = rng.range(-1, 1), frameTone = rng.uniform();
    L.light = unit({rng.range(-0.4, 0.4), -0.45, 0.82});
    if (!variety) return;
    L.stubble = beard < 0.3 ? 0 : beard < 0.6 ? (beard - 0.3) : beard < 0.75 ? 0.9 : 0;
    L.glasses = glasses < 0.4;
    L.frame = frameTone < 0.5 ? Rgb{25, 22, 20} : Rgb{90, 55, 35};
    L.lowRes = camera < 0.3;
    L.noiseGain = noisy < 0.3 ? 2.5 + noisy * 3 : 1.0;
    if (std::abs(side) > 0.5) {
        // Light from a window at one side: that cheek bright, the other dark.
        L.light = unit({std::copysign(0.8, side), -0.3, 0.5});
        L.ambient = 0.2;
        L.diffuse = 0.95;
    }
}

std::unique_ptr<RealHead> makeRealHead(uint64_t seed, const LookTweaks& tweaks) {
    RealLook look;
    makeRealLook(look, seed, tweaks.faceScale, tweaks.lifelike > 1);
    return std::make_unique<RealHead>(look);
}

std::array<double, 2> Scene::truthPoint() const {
    if (real_) return real_->noseTip(pose_);
    return {pose_.headX, pose_.headY};
}

// The turns the script asks for, with a still person's small wander and the
// eyes kept on the screen; looking down pitches the head and lowers the eyes.
void Scene::evaluateLifelike(const Phase& p, double t, double now) {
    std::array<double, 3> turn = baseTurn_;
    if (p.act == Act::Turn) {
        const double k = smooth01(t / p.seconds);
        for (size_t i = 0; i < 3; ++i) turn[i] = baseTurn_[i] + (targetTurn_[i] - baseTurn_[i]) * k;
    }
    double down = 0;
    if (p.act == Act::LookDown) {
        down = smooth01(t / kLookDownRise) *
               (1 - smooth01((t - p.seconds + kLookDownRise) / kLookDownRise));
    }
    const double* ph = look_->microPhase;
    const double wander = look_->wander * kMicroTurn;
    pose_.yaw = turn[0] + wander * std::sin(now * 2 * kPi / 2.9 + ph[1]);
    pose_.pitch = turn[1] + down * p.y * kPi / 180 + wander * std::sin(now * 2 * kPi / 3.7 + ph[4]);
    pose_.roll += turn[2];
    pose_.gazeX = std::clamp(-kGazeHoldsScreen * kGazePerRadian * pose_.yaw, -1.0, 1.0);
    pose_.gazeY =
        std::clamp(-kGazeHoldsScreen * kGazePerRadian * turn[1], -1.0, 1.0) + down * kLookDownGaze;
}

// The lifelike person's body: a neck under the head and shoulders in a shirt,
// lit from the head's light, drawn within the picture.
namespace {

void drawBody(const Look& look, const RealLook& real, const Pose& pose, std::vector<float>& rgb) {
    const double a = real.a, cx = look.restX + pose.bodyX, cy = look.restY + pose.bodyY;
    const int y0 = std::clamp(static_cast<int>(cy + 0.5 * a), 0, kHeight);
    const int x0 = std::clamp(static_cast<int>(cx - 2.9 * a), 0, kWidth - 1);
    const int x1 = std::clamp(static_cast<int>(cx + 2.9 * a), 0, kWidth - 1);
    const double lightSide = real.light.x;
    for (int y = y0; y < kHeight; ++y) {
        const double vb = y - cy;
        for (int x = x0; x <= x1; ++x) {
            const double ub = x - cx;
            float* o = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            Rgb c{o[0], o[1], o[2]};
            const double neck = std::clamp(0.42 * a - std::abs(ub) + 0.5, 0.0, 1.0);
            if (neck > 0 && vb < 3.2 * a) {
                const double shade = (0.45 + 0.2 * std::clamp((vb - 0.9 * a) / a, 0.0, 1.0)) *
                                     (1 + 0.3 * lightSide * ub / (0.42 * a));
                const Rgb s{real.skin.r * static_cast<float>(shade),
                            real.skin.g * static_cast<float>(shade),
                            real.skin.b * static_cast<float>(shade)};
                c = mix(c, s, neck);
            }
            const double shoulder = 2.1 * a + 0.38 * std::max(0.0, std::abs(ub) - 0.5 * a);
            const double torso =
                std::clamp(std::min(vb - shoulder, 2.8 * a - std::abs(ub)) + 0.5, 0.0, 1.0);
            if (torso > 0) {
                const double side = ub / (2.8 * a);
                const double shade = 0.9 - 0.3 * side * side + 0.15 * lightSide * side;
                const float tex = look.shirtTex.at(ub + 256, vb);
                Rgb cloth{look.shirt.r * static_cast<float>(shade) + tex,
                          look.shirt.g * static_cast<float>(shade) + tex,
                          look.shirt.b * static_cast<float>(shade) + tex};
                const double vNeck = 2.6 * a - 1.6 * std::abs(ub);
                if (vb > vNeck)
                    cloth = mix(cloth, c, std::clamp(std::min(vb - vNeck, 1.0), 0.0, 1.0) * neck);
                c = mix(c, cloth, torso);
            }
            o[0] = c.r;
            o[1] = c.g;
            o[2] = c.b;
        }
    }
}

}  // namespace

void Scene::renderLifelike() {
    canvas_ = look_->room;
    if (!personHidden_) {
        drawBody(*look_, real_->look(), pose_, canvas_);
        real_->render(pose_, canvas_);
    }
    blur(canvas_);
}

// The camera: the lighting drift's gain and sensor noise; a low-resolution
// camera averages 2x2 blocks, adds its noise there, and the picture is
// scaled back up bilinearly as a driver would.
void Scene::renderLifelike(std::span<uint8_t> bgr) {
    renderLifelike();
    const double gain = gainAt(tick_);
    const double sigma = noiseSigma_ * real_->look().noiseGain;
    Rng noise(look_->noiseSeed ^ (static_cast<uint64_t>(tick_) * 0x9E3779B97F4A7C15ull));
    if (!real_->look().lowRes) {
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = bgr.data() + static_cast<size_t>(kHeight - 1 - y) * kWidth * 3;
            const float* src = &canvas_[static_cast<size_t>(y) * kWidth * 3];
            for (int x = 0; x < kWidth; ++x) {
                const uint64_t bits = noise.next();
                for (int ch = 0; ch < 3; ++ch) {
                    row[3 * x + (2 - ch)] =
                        level(src[3 * x + ch] * gain + noiseOf(bits, ch, sigma));
                }
            }
        }
        return;
    }
    scratch_.assign(static_cast<size_t>(kSmallW) * kSmallH * 3, 0.0f);
    for (int y = 0; y < kSmallH; ++y) {
        for (int x = 0; x < kSmallW; ++x) {
            const uint64_t bits = noise.next();
            for (int ch = 0; ch < 3; ++ch) {
                const auto at = [&](int dx, int dy) {
                    return canvas_[(static_cast<size_t>(2 * y + dy) * kWidth + 2 * x + dx) * 3 +
                                   ch];
                };
                const double mean = (at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1)) / 4;
                scratch_[(static_cast<size_t>(y) * kSmallW + x) * 3 + ch] =
                    level(mean * gain + noiseOf(bits, ch, sigma));
            }
        }
    }
    for (int y = 0; y < kHeight; ++y) {
        const double sy = std::clamp((y - 0.5) / 2, 0.0, kSmallH - 1.0);
        const int y0 = std::min(static_cast<int>(sy), kSmallH - 2);
        const double ty = sy - y0;
        uint8_t* row = bgr.data() + static_cast<size_t>(kHeight - 1 - y) * kWidth * 3;
        for (int x = 0; x < kWidth; ++x) {
            const double sx = std::clamp((x - 0.5) / 2, 0.0, kSmallW - 1.0);
            const int x0 = std::min(static_cast<int>(sx), kSmallW - 2);
            const double tx = sx - x0;
            for (int ch = 0; ch < 3; ++ch) {
                const auto s = [&](int dx, int dy) {
                    return scratch_[(static_cast<size_t>(y0 + dy) * kSmallW + x0 + dx) * 3 + ch];
                };
                const double top = s(0, 0) * (1 - tx) + s(1, 0) * tx;
                const double bottom = s(0, 1) * (1 - tx) + s(1, 1) * tx;
                row[3 * x + (2 - ch)] = level(top * (1 - ty) + bottom * ty);
            }
        }
    }
}

}  // namespace quil::sim
