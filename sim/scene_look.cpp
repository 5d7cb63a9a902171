// The person's and the room's appearance, drawn from the seed.
#include "sim/scene_look.h"

#include <algorithm>
#include <cmath>

#include "sim/scene.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr double kPi = 3.14159265358979;

}  // namespace

float Texture::at(double x, double y) const {
    const double fx = std::floor(x), fy = std::floor(y);
    const double tx = x - fx, ty = y - fy;
    const int m = size - 1;  // size is a power of two
    const int x0 = static_cast<int>(fx) & m, y0 = static_cast<int>(fy) & m;
    const int x1 = (x0 + 1) & m, y1 = (y0 + 1) & m;
    const float* p = v.data();
    const double top = p[y0 * size + x0] * (1 - tx) + p[y0 * size + x1] * tx;
    const double bottom = p[y1 * size + x0] * (1 - tx) + p[y1 * size + x1] * tx;
    return static_cast<float>(top * (1 - ty) + bottom * ty);
}

// Value noise: random values on a lattice per octave, smoothly interpolated.
Texture makeNoise(Rng& rng, int size, const std::vector<double>& scales,
                  const std::vector<double>& amplitudes, double stretchY) {
    Texture t;
    t.size = size;
    t.v.assign(static_cast<size_t>(size) * size, 0.0f);
    for (size_t o = 0; o < scales.size(); ++o) {
        const int cellsX = std::max(1, static_cast<int>(size / scales[o]));
        const int cellsY = std::max(1, static_cast<int>(size / (scales[o] * stretchY)));
        std::vector<double> lattice(static_cast<size_t>(cellsX) * cellsY);
        for (auto& l : lattice) l = rng.range(-1.0, 1.0);
        for (int y = 0; y < size; ++y) {
            const double gy = static_cast<double>(y) * cellsY / size;
            const int iy = static_cast<int>(gy);
            const double ty = smooth01(gy - iy);
            for (int x = 0; x < size; ++x) {
                const double gx = static_cast<double>(x) * cellsX / size;
                const int ix = static_cast<int>(gx);
                const double tx = smooth01(gx - ix);
                auto L = [&](int i, int j) {
                    return lattice[static_cast<size_t>((j % cellsY) * cellsX + (i % cellsX))];
                };
                const double top = L(ix, iy) * (1 - tx) + L(ix + 1, iy) * tx;
                const double bottom = L(ix, iy + 1) * (1 - tx) + L(ix + 1, iy + 1) * tx;
                t.v[static_cast<size_t>(y) * size + x] +=
                    static_cast<float>(amplitudes[o] * (top * (1 - ty) + bottom * ty));
            }
        }
    }
    return t;
}

namespace {

// A plain room: a painted wall with a soft gradient, a door frame, a picture
// and a shelf of books; static, drawn once per scene.
void makeRoom(Look& look, Rng& rng) {
    look.room.assign(static_cast<size_t>(kWidth) * kHeight * 3, 0.0f);
    const Rgb wall{static_cast<float>(rng.range(150, 200)), static_cast<float>(rng.range(140, 185)),
                   static_cast<float>(rng.range(120, 170))};
    Texture plaster = makeNoise(rng, 256, {24, 6, 2}, {5, 3, 2});
    struct Box {
        double x0, y0, x1, y1;
        Rgb c;
    };
    std::vector<Box> boxes;
    const double doorX = rng.uniform() < 0.5 ? rng.range(20, 90) : rng.range(520, 600);
    boxes.push_back({doorX, 20, doorX + 14, 480, {110, 80, 60}});
    const double picX = rng.range(120, 420);
    boxes.push_back({picX, 25, picX + 90, 85, {60, 70, 90}});
    boxes.push_back(
        {picX + 6, 31, picX + 84, 79, {static_cast<float>(rng.range(80, 200)), 120, 90}});
    const bool shelfLeft = doorX > 320;
    const double shelfX0 = shelfLeft ? 0 : 500, shelfX1 = shelfLeft ? 140 : 640;
    for (int row = 0; row < 3; ++row) {
        const double y1 = 200 + row * 70;
        boxes.push_back({shelfX0, y1, shelfX1, y1 + 8, {120, 90, 60}});
        for (double x = shelfX0 + 4; x < shelfX1 - 10;) {
            const double w = rng.range(7, 16), h = rng.range(35, 60);
            boxes.push_back(
                {x,
                 y1 - h,
                 x + w,
                 y1,
                 {static_cast<float>(rng.range(30, 220)), static_cast<float>(rng.range(30, 200)),
                  static_cast<float>(rng.range(30, 200))}});
            x += w + rng.range(0, 2);
        }
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double light = 0.85 + 0.2 * (1.0 - std::hypot(x - 200.0, y - 100.0) / 700.0);
            Rgb c = add(scale(wall, light), plaster.at(x, y));
            for (const auto& b : boxes) {
                if (x >= b.x0 && x < b.x1 && y >= b.y0 && y < b.y1) c = add(b.c, plaster.at(y, x));
            }
            float* p = &look.room[(static_cast<size_t>(y) * kWidth + x) * 3];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

}  // namespace

void makeLook(Look& look, uint64_t seed) {
    Rng rng(seed * 7919 + 17);
    look.a = rng.range(78, 92);
    look.eyeGap = look.a * rng.range(0.43, 0.47);
    look.eyeHalfW = look.a * rng.range(0.20, 0.22);
    look.eyeHalfH = look.a * rng.range(0.072, 0.082);
    look.irisR = look.a * 0.085;
    // Proportions of an adult face: the mouth about 1.1 and the chin about 1.8
    // eye distances below the eyes.
    look.mouthY = 2 * look.eyeGap * rng.range(1.05, 1.15);
    look.mouthDrop = look.a * 0.36;  // about 25 mm: a clearly opened mouth
    look.restX = rng.range(295, 345);
    look.restY = rng.range(195, 220);
    const double tone = rng.range(0.75, 1.0);
    look.skin = {static_cast<float>(225 * tone + 15), static_cast<float>(170 * tone),
                 static_cast<float>(140 * tone)};
    const double hairDark = rng.range(0.15, 0.6);
    look.hair = {static_cast<float>(120 * hairDark + 20), static_cast<float>(90 * hairDark + 15),
                 static_cast<float>(60 * hairDark + 10)};
    look.iris = {static_cast<float>(rng.range(60, 120)), static_cast<float>(rng.range(50, 100)),
                 static_cast<float>(rng.range(30, 90))};
    look.lips = {static_cast<float>(look.skin.r * 0.86), static_cast<float>(look.skin.g * 0.6),
                 static_cast<float>(look.skin.b * 0.68)};
    look.shirt = {static_cast<float>(rng.range(40, 200)), static_cast<float>(rng.range(40, 200)),
                  static_cast<float>(rng.range(40, 200))};
    // Skin: blotches, pores and fine grain, about +-12 levels.
    look.skinTex = makeNoise(rng, 512, {18, 8, 4, 1.5}, {7, 6, 3, 1.2});
    // Hair: strands, stretched vertically.
    look.hairTex = makeNoise(rng, 512, {12, 3, 1.5}, {10, 14, 10}, 4.0);
    look.shirtTex = makeNoise(rng, 512, {30, 8, 2}, {8, 5, 4});
    for (double& p : look.microPhase) p = rng.range(0, 2 * kPi);
    look.noiseSeed = rng.next();
    makeRoom(look, rng);
}

void applyTweaks(Look& look, const LookTweaks& tweaks) {
    if (tweaks.faceScale != 1.0) {
        for (double* size : {&look.a, &look.eyeGap, &look.eyeHalfW, &look.eyeHalfH, &look.irisR,
                             &look.mouthY, &look.mouthDrop}) {
            *size *= tweaks.faceScale;
        }
    }
    look.brightness = tweaks.brightness;
    look.sideLight = tweaks.sideLight;
    look.wander = tweaks.wander;
}

}  // namespace quil::sim
