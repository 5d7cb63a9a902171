#include "person_picture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "synthetic_scene.h"

namespace quil::wintest {

namespace {

// All sizes in pixels, in the face's own coordinates: across from the face's
// centre, and down from it. The eyes and the mouth are where the drawn face
// of synthetic_scene.cpp has them.
constexpr double kEyeX = 45;
constexpr double kEyeY = -35;
constexpr double kEyeHalfWidth = 17;
constexpr double kEyeHalfHeight = 7;
constexpr double kIrisRadius = 6.5;
constexpr double kPupilRadius = 2.8;
constexpr double kBrowY = -56;
constexpr double kBrowHalfWidth = 25;
constexpr double kBrowThickness = 3.2;
// The head: an ellipse from the crown to the chin, narrowing at the jaw.
constexpr double kHeadCentreY = -20;
constexpr double kHeadHalfWidth = 96;
constexpr double kHeadHalfHeight = 136;
constexpr double kJawFrom = 25;
constexpr double kJawNarrowing = 0.3;
constexpr double kHairlineY = -92;
constexpr double kMouthY = 60;
constexpr double kLipHalfWidth = 27;
constexpr double kMouthOpenHeight = 13;
constexpr double kNoseTipY = 18;
constexpr double kNeckHalfWidth = 42;
// Where the person sits: the face's centre when the head is upright and
// still; the body stays there.
constexpr double kRestX = 320;
constexpr double kRestY = 240;
constexpr double kShoulderY = 175;
// Texture: value noise in cells of this size, this strong (grey levels).
constexpr double kTextureCell = 4.0;
constexpr double kTextureStrength = 24.0;

struct Colour {
    double r = 0, g = 0, b = 0;
};

constexpr Colour kWall{78, 84, 96};
constexpr Colour kHair{44, 33, 28};
constexpr Colour kSkin{222, 176, 146};
constexpr Colour kWhite{238, 236, 230};
constexpr Colour kIris{92, 62, 44};
constexpr Colour kDark{18, 14, 14};
constexpr Colour kLips{176, 92, 92};
constexpr Colour kMouthInside{62, 24, 30};
constexpr Colour kShirt{58, 88, 150};

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour scaled(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Colour lifted(Colour c, double v) { return {c.r + v, c.g + v, c.b + v}; }

// Coverage of a pixel by a shape whose signed distance (negative inside) is
// d: anti-aliased edges, as a lens gives them.
double cover(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

// Smooth noise fixed to the face, from a hash of the cell corners.
double hashed(int x, int y) {
    auto h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0 - 0.5;
}

double texture(double u, double v) {
    const double x = u / kTextureCell + 1000, y = v / kTextureCell + 1000;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double top = hashed(x0, y0) + (hashed(x0 + 1, y0) - hashed(x0, y0)) * fx;
    const double bottom = hashed(x0, y0 + 1) + (hashed(x0 + 1, y0 + 1) - hashed(x0, y0 + 1)) * fx;
    return (top + (bottom - top) * fy) * kTextureStrength;
}

// Signed distance of the head's outline, roughly in pixels.
double headDistance(double u, double v) {
    const double chinY = kHeadCentreY + kHeadHalfHeight;
    if (v >= chinY) return std::hypot(u, v - chinY);
    double a = kHeadHalfWidth;
    if (v > kJawFrom) a *= 1 - kJawNarrowing * std::pow((v - kJawFrom) / (chinY - kJawFrom), 2);
    const double r = std::hypot(u / a, (v - kHeadCentreY) / kHeadHalfHeight);
    return (r - 1) * std::min(a, kHeadHalfHeight);
}

// Light from the upper left on a head-sized ellipsoid.
double shadeAt(double u, double v) {
    const double nx = std::clamp(u / (kHeadHalfWidth * 1.1), -1.0, 1.0);
    const double ny = std::clamp((v - kHeadCentreY) / (kHeadHalfHeight * 1.1), -1.0, 1.0);
    const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
    return 0.4 + 0.7 * std::max(0.0, -0.35 * nx - 0.4 * ny + 0.85 * nz);
}

Colour eye(double u, double v, double side, bool closed, Colour skin) {
    const double du = u - side * kEyeX, dv = v - kEyeY;
    const double q = 1 - (du / kEyeHalfWidth) * (du / kEyeHalfWidth);
    if (q <= 0) return skin;
    const double half = kEyeHalfHeight * std::pow(q, 0.6);
    // The fold above the lid.
    Colour c = mix(skin, scaled(skin, 0.8), cover(std::abs(dv + half + 3.5) - 0.8));
    if (closed) {
        // The lid down: skin, with the lashes a dark line at its edge.
        return mix(c, kDark, 0.8 * cover(std::abs(dv - half * 0.5) - 1.0));
    }
    const double inside = cover(std::abs(dv) - half);
    Colour e = kWhite;
    const double r = std::hypot(du, dv);
    e = mix(e, kIris, cover(r - kIrisRadius));
    e = mix(e, kDark, cover(r - kPupilRadius));
    // Lashes along the upper lid, a softer line along the lower one.
    e = mix(e, kDark, cover(std::abs(dv + half) - 1.2));
    e = mix(e, scaled(skin, 0.7), cover(std::abs(dv - half) - 0.6));
    return mix(c, e, inside);
}

Colour face(const FacePose& pose, double u, double v) {
    const double shade = shadeAt(u, v);
    Colour c = lifted(scaled(kSkin, shade), texture(u, v));
    // Sockets: a little darker around the eyes.
    for (double side : {-1.0, 1.0}) {
        const double du = (u - side * kEyeX) / 26, dv = (v - kEyeY + 2) / 13;
        c = scaled(c, 1 - 0.22 * std::exp(-(du * du + dv * dv)));
    }
    // Brows, arched and thinning outward.
    for (double side : {-1.0, 1.0}) {
        const double du = u - side * (kEyeX + 2);
        if (std::abs(du) > kBrowHalfWidth + 1) continue;
        const double k = du / kBrowHalfWidth;
        const double centre = kBrowY - 4 * (1 - k * k);
        const double thick = kBrowThickness * (1 - 0.4 * k * side);
        c = mix(c, kHair,
                0.9 * cover(std::max(std::abs(v - centre) - thick, std::abs(du) - kBrowHalfWidth)));
    }
    // Nose: the side away from the light in shadow, nostrils, a shadow under it.
    if (v > kEyeY && v < kNoseTipY + 12 && std::abs(u) < 24) {
        const double along = std::clamp((v - kEyeY) / (kNoseTipY - kEyeY), 0.0, 1.0);
        const double edge = (u - (8 + 8 * along)) / 3.0;
        c = scaled(c, 1 - 0.22 * along * std::exp(-edge * edge));
        const double tip = std::hypot(u / 9, (v - kNoseTipY + 4) / 7);
        c = lifted(c, 14 * std::exp(-tip * tip));
        for (double side : {-1.0, 1.0}) {
            const double nostril = std::hypot((u - side * 8) / 5.0, (v - kNoseTipY - 4) / 2.6);
            c = mix(c, Colour{90, 50, 46}, cover((nostril - 1) * 2.6));
        }
        const double under = (v - kNoseTipY - 9) / 2.5;
        c = scaled(c, 1 - 0.25 * std::exp(-under * under - (u / 14) * (u / 14)));
    }
    // Lips, and the mouth's inside between them when it opens.
    const double open = pose.mouthOpen ? kMouthOpenHeight : 0;
    if (std::abs(u) < kLipHalfWidth + 2 && v > kMouthY - 10 && v < kMouthY + open + 12) {
        const double k = std::min(1.0, std::abs(u) / kLipHalfWidth);
        const double shape = std::sqrt(1 - k * k);
        const double upper = cover(
            std::max(std::abs(v - (kMouthY - 3)) - 3.2 * shape - 0.3, std::abs(u) - kLipHalfWidth));
        c = mix(c, scaled(kLips, shade), upper);
        const double lowerV = v - open;
        const double lower = cover(std::max(std::abs(lowerV - (kMouthY + 3.5)) - 3.8 * shape - 0.3,
                                            std::abs(u) - kLipHalfWidth * 0.92));
        c = mix(c, scaled(lifted(kLips, 10), shade), lower);
        if (open > 0) {
            const double o =
                std::hypot(u / (kLipHalfWidth * 0.8), (v - kMouthY - open / 2) / (open / 2 + 0.5));
            c = mix(c, kMouthInside, cover((o - 1) * (open / 2)));
        } else {
            c = mix(c, Colour{100, 46, 50}, cover(std::abs(v - kMouthY) - 0.7) * shape);
        }
    }
    // The chin's roundness.
    const double chin = std::hypot(u / 30, (v - kMouthY - 38) / 14);
    c = lifted(c, 10 * std::exp(-chin * chin));
    for (double side : {-1.0, 1.0}) c = eye(u, v, side, pose.eyesClosed, c);
    return c;
}

// The hair: a cap over the crown, down to the hairline over the forehead
// and lower at the temples.
double hairDistance(double u, double v) {
    const double outer =
        (std::hypot(u / (kHeadHalfWidth + 8), (v - kHeadCentreY + 6) / (kHeadHalfHeight + 10)) -
         1) *
        kHeadHalfWidth;
    const double k = u / kHeadHalfWidth;
    const double temple = std::max(0.0, std::abs(k) - 0.72);
    const double hairline = kHairlineY + 18 * k * k + 420 * temple;
    return std::max(outer, v - hairline);
}

// The body stays where the person sits; the head moves and turns over it.
Colour person(const FacePose& pose, int x, int y, Colour room) {
    const double u = x - pose.centreX, v = y - pose.centreY;
    const double bu = x - kRestX, bv = y - kRestY;
    Colour c = room;
    // The neck, then the shirt over it, open in a V at the neck.
    if (bv > 0) {
        const Colour neck = lifted(scaled(kSkin, 0.62), texture(bu, bv) * 0.5);
        c = mix(c, neck, cover(std::abs(bu) - kNeckHalfWidth));
    }
    const double shoulder = kShoulderY + 0.45 * std::max(0.0, std::abs(bu) - 60);
    const double neckline = kShoulderY + 34 - 1.1 * std::abs(bu);
    const Colour shirt =
        lifted(scaled(kShirt, 1 - 0.25 * std::abs(bu) / 260), texture(bu + 300, bv) * 0.4);
    c = mix(c, shirt, cover(std::max(shoulder, neckline) - bv));
    // Ears.
    for (double side : {-1.0, 1.0}) {
        const double e = std::hypot((u - side * (kHeadHalfWidth - 2)) / 11, (v - kEyeY - 22) / 26);
        c = mix(c, lifted(scaled(kSkin, 0.7), texture(u, v)), cover((e - 1) * 11));
    }
    const double head = cover(headDistance(u, v));
    if (head > 0) c = mix(c, face(pose, u, v), head);
    const double hair = cover(hairDistance(u, v));
    if (hair > 0) c = mix(c, lifted(kHair, texture(u * 0.7, v * 2) * 0.8), hair);
    return c;
}

uint8_t byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

void renderPerson(const FacePose& pose, std::span<uint8_t> bgr) {
    if (bgr.size() < static_cast<size_t>(kSceneBytes)) return;
    // Beyond this margin around the head and the body, only the room shows.
    constexpr double kMargin = 20;
    for (int y = 0; y < kSceneHeight; ++y) {
        // Bottom-up: the last image row comes first in memory.
        uint8_t* row = bgr.data() + static_cast<size_t>(kSceneHeight - 1 - y) * kSceneWidth * 3;
        // A wall lit from above.
        const Colour room = scaled(kWall, 1.15 - 0.3 * y / kSceneHeight);
        const double v = y - pose.centreY, bv = y - kRestY;
        const bool headRows = v > kHeadCentreY - kHeadHalfHeight - kMargin;
        for (int x = 0; x < kSceneWidth; ++x) {
            const double u = x - pose.centreX, bu = x - kRestX;
            const bool near = (headRows && std::abs(u) < kHeadHalfWidth + kMargin) ||
                              (bv > 0 && std::abs(bu) < kNeckHalfWidth + kMargin) ||
                              bv > kShoulderY - kMargin;
            const Colour c = near ? person(pose, x, y, room) : room;
            row[x * 3 + 0] = byte(c.b);
            row[x * 3 + 1] = byte(c.g);
            row[x * 3 + 2] = byte(c.r);
        }
    }
}

}  // namespace quil::wintest
