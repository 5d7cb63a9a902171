// Rendering of a scene's person over the room, with lighting drift and
// sensor noise. Shapes are analytic and anti-aliased; skin, hair and cloth
// carry texture sampled in the moving body's own coordinates, so that motion
// between frames looks like motion of a real surface.
#include <algorithm>
#include <cmath>

#include "sim/scene.h"
#include "sim/scene_look.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kDriftPeriodSec = 37.0;  // lighting drift period
// The head's outline: an ellipse of half-width a, centred this far (in a)
// below the eyes, of this half-height, tapering toward the chin.
constexpr double kHeadCentre = -0.05;
constexpr double kHeadHalfHeight = 1.62;
constexpr double kCrownHalfHeight = 1.42;
constexpr double kJawSquareness = 2.6;
// How the face around the eyes and mouth moves with them. A blink moves the
// lids only; closing the eyes on purpose squeezes brows and lids too.
constexpr double kBrowDrop = 3.5;
constexpr double kLidPull = 0.9;
constexpr double kLowerLidRise = 1.5;
// Lashes at this distance are a soft dark line, not black.
constexpr double kLashDarkness = 0.65;

}  // namespace

// Colour of the person at frame pixel (x, y) and its coverage (0 where the
// room shows through).
namespace {

struct Sample {
    Rgb c;
    double alpha = 0;
};

struct PersonShader {
    const Look& L;
    const Pose& P;

    // Skin lit from the upper left, on an ellipsoid the size of the head.
    Rgb skinAt(double u, double v, double shade) const {
        return add(scale(L.skin, shade), L.skinTex.at(u + 256, v + 256));
    }

    double headShade(double u, double v) const {
        const double c0 = kHeadCentre * L.a, b = kHeadHalfHeight * L.a;
        const double nx = u / (L.a * 1.05), ny = (v - c0) / (b * 1.05);
        const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
        if (L.sideLight != 0.0) {
            // The light swings toward one side: that cheek bright, the other in shade.
            const double lx = -0.35 + 0.6 * L.sideLight;
            const double lambert = std::max(0.0, lx * nx - 0.45 * ny + 0.82 * nz);
            return 0.3 + 0.8 * lambert;
        }
        const double lambert = std::max(0.0, -0.35 * nx - 0.45 * ny + 0.82 * nz);
        return 0.35 + 0.75 * lambert;
    }

    // The jaw drops with the opening mouth: below the lips the chin moves down
    // whole; out at the cheeks the skin stretches over a short band instead.
    double jawWarp(double u, double v) const {
        const double m = L.mouthY, drop = L.mouthDrop * P.mouthOpen, band = 12.0;
        if (v <= m || drop <= 0) return v;
        const double rigid = v < m + drop ? m : v - drop;
        const double stretched =
            v < m + drop + band ? m + (v - m) * band / (band + drop) : v - drop;
        const double centre = 1 - smooth01((std::abs(u) - 0.3 * L.a) / (0.3 * L.a));
        return centre * rigid + (1 - centre) * stretched;
    }

    // Signed distance (pixels, negative inside) of the head outline.
    double headDistance(double u, double v) const {
        const double c0 = kHeadCentre * L.a, taperFrom = 0.6 * L.a;
        // A rounder crown than chin; the jaw narrows toward the chin.
        const double b = (v < c0 ? kCrownHalfHeight : kHeadHalfHeight) * L.a;
        double a = L.a;
        if (v > taperFrom) a *= 1 - 0.35 * std::pow((v - taperFrom) / (b + c0 - taperFrom), 1.5);
        // Below the eyes a squarer curve: cheeks and jaw rather than an egg.
        const double p = v < c0 ? 2.0 : kJawSquareness;
        const double r =
            std::pow(std::pow(std::abs(u / a), p) + std::pow(std::abs((v - c0) / b), p), 1.0 / p);
        return (r - 1) * std::min(a, b);
    }

    Rgb eye(double u, double v, double side, Rgb skinColour, double shade, bool& hit) const {
        hit = false;
        const double du = u - side * L.eyeGap;
        if (std::abs(du) > L.eyeHalfW + 1 || v < -L.eyeHalfH - 6 || v > L.eyeHalfH + 2) {
            return skinColour;
        }
        Rgb c = skinColour;
        const double q = std::max(0.0, 1 - (du / L.eyeHalfW) * (du / L.eyeHalfW));
        const double top = -L.eyeHalfH * std::pow(q, 0.7);
        // Closing firmly lifts the lower lid a little too.
        const double bottom =
            (L.eyeHalfH * 0.75 - kLowerLidRise * P.eyeClose * P.squeeze) * std::pow(q, 0.7);
        // Crease above the lid stays put.
        // The fold above the lid follows it down and flattens as the eye closes.
        const double fold = top - 3.5 + 0.45 * P.eyeClose * (bottom - top);
        if (q > 0.05) {
            c = mix(c, scale(c, 0.82 + 0.1 * P.eyeClose), cover(std::abs(v - fold) - 0.7));
        }
        if (q <= 0) return c;
        hit = true;
        const double travel = P.eyeClose * (bottom - top);
        const double lid = top + travel;
        const double inside = cover(std::max(top - v, v - bottom));
        if (inside <= 0) return c;
        Rgb e;
        if (v < lid) {
            // The lid slides down over the eye with its own skin.
            e = scale(skinAt(u, v - travel, shade), 0.93);
        } else {
            e = scale(Rgb{222, 214, 208}, shade);
            const double dIris = std::hypot(du, v - 0.5) - L.irisR;
            e = mix(e, L.iris, cover(dIris));
            e = mix(e, Rgb{18, 14, 14}, cover(std::hypot(du, v - 0.5) - L.irisR * 0.42));
        }
        // Lashes along the lid's edge, thicker toward the outer corner.
        const double lash = 1.0 + 0.6 * std::max(0.0, side * du / L.eyeHalfW);
        e = mix(e, Rgb{38, 28, 28}, kLashDarkness * cover(std::abs(v - lid) - lash));
        e = mix(e, scale(skinColour, 0.78), cover(std::abs(v - bottom) - 0.6));
        return mix(c, e, inside);
    }

    Rgb face(double u, double v) const {
        const double shade = headShade(u, v);
        const double w = jawWarp(u, v);
        // The skin between brow and lid follows the closing lid part of the way.
        double lidPull = 0;
        for (double side : {-1.0, 1.0}) {
            const double du = (u - side * L.eyeGap) / (L.eyeHalfW + 4);
            const double dv = (v + L.eyeHalfH + 6) / 9;
            lidPull +=
                kLidPull * P.eyeClose * P.squeeze * L.eyeHalfH * std::exp(-(du * du + dv * dv));
        }
        Rgb c = skinAt(u, w - lidPull, shade);
        // Eye sockets.
        for (double side : {-1.0, 1.0}) {
            const double du = (u - side * L.eyeGap) / (L.eyeHalfW + 8), dv = (v + 2) / 11;
            c = scale(c, 1 - 0.2 * std::exp(-(du * du + dv * dv)));
        }
        // Eyebrows.
        for (double side : {-1.0, 1.0}) {
            const double du = u - side * (L.eyeGap + 2), half = L.eyeHalfW + 6;
            if (std::abs(du) < half + 1) {
                const double k = du / half;
                // Closing the eyes pulls the brows down a little.
                const double centre =
                    -0.26 * L.a - 4 * (1 - k * k) + kBrowDrop * P.eyeClose * P.squeeze;
                const double thick = 2.6 * (1 - 0.45 * k * k);
                const double hairs = 0.8 + 0.02 * L.hairTex.at(u * 2 + 100, v * 0.5 + 50);
                const double cov =
                    cover(std::max(std::abs(v - centre) - thick, std::abs(du) - half));
                c = mix(c, scale(L.hair, hairs), cov * 0.9);
            }
        }
        // Nose: shaded sides, nostrils, a shadow under it.
        if (v > 0 && v < 0.7 * L.a && std::abs(u) < 0.3 * L.a) {
            const double side = (std::abs(u) - 0.12 * L.a) / 3.0;
            const double along =
                smooth01(v / (0.15 * L.a)) * (1 - smooth01((v - 0.45 * L.a) / (0.1 * L.a)));
            c = scale(c, 1 - 0.09 * along * std::exp(-side * side));
            for (double s : {-1.0, 1.0}) {
                const double nu = (u - s * 0.09 * L.a) / (0.05 * L.a);
                const double nv = (v - 0.53 * L.a) / (0.028 * L.a);
                c = mix(c, Rgb{95, 52, 48}, cover((std::hypot(nu, nv) - 1) * 0.028 * L.a));
            }
            const double under = (v - 0.59 * L.a) / (0.03 * L.a), across = u / (0.14 * L.a);
            c = scale(c, 1 - 0.1 * std::exp(-under * under - across * across * across * across));
        }
        // Folds from the nose to the mouth's corners; a groove under the lower
        // lip and a rounded chin, both moving with the jaw.
        for (double side : {-1.0, 1.0}) {
            const double along = (v - 0.5 * L.a) / (0.45 * L.a);
            if (along > 0 && along < 1) {
                const double fold = side * (0.18 * L.a + 0.16 * L.a * along) - u;
                c = scale(c, 1 - 0.1 * std::sin(along * 3.14159) * std::exp(-fold * fold / 6));
            }
        }
        const double jawV = w;  // the chin's own coordinates
        {
            const double groove = (jawV - (L.mouthY + 0.2 * L.a)) / 3.0, across = u / (0.22 * L.a);
            c = scale(c, 1 - 0.14 * std::exp(-groove * groove - across * across));
            const double chin =
                std::hypot(u / (0.25 * L.a), (jawV - (L.mouthY + 0.5 * L.a)) / (0.16 * L.a));
            c = scale(c, 1 + 0.07 * std::exp(-chin * chin * 2));
        }
        // Mouth: lips, and the dark inside as the jaw drops.
        const double m = L.mouthY, drop = L.mouthDrop * P.mouthOpen;
        const double lipHalf = 0.3 * L.a;
        if (std::abs(u) < lipHalf + 2 && v > m - 8 && v < m + drop + 10) {
            const double k = std::min(1.0, std::abs(u) / lipHalf);
            const double shape = std::sqrt(std::max(0.0, 1 - k * k));
            const double upper =
                cover(std::max(std::abs(v - (m - 2.8)) - 2.8 * shape, std::abs(u) - lipHalf));
            c = mix(c, scale(L.lips, shade), upper);
            const double vl = v - drop;
            const double lower = cover(
                std::max(std::abs(vl - (m + 3.2)) - 3.2 * shape, std::abs(u) - lipHalf * 0.95));
            c = mix(c, scale(add(L.lips, 8), shade), lower);
            if (drop > 0.5) {
                // The opening is an ellipse between the lips, teeth showing at its top.
                const double ou = u / (lipHalf * 0.8), ov = (v - (m + drop / 2)) / (drop / 2 + 0.5);
                const double inside = cover((std::hypot(ou, ov) - 1) * (drop / 2 + 0.5));
                Rgb mouth{58, 24, 28};
                if (v < m + std::min(3.0, drop * 0.3) && std::abs(u) < 0.2 * L.a) {
                    mouth = {228, 222, 212};
                }
                c = mix(c, mouth, inside);
            } else {
                c = mix(c, Rgb{105, 48, 52}, cover(std::abs(v - m) - 0.6) * shape);
            }
        }
        bool hit = false;
        for (double side : {-1.0, 1.0}) {
            c = eye(u, v, side, c, shade, hit);
        }
        return c;
    }

    // Hair: a cap over the crown down to a hairline, longer at the sides.
    double hairDistance(double u, double v) const {
        const double c0 = kHeadCentre * L.a, b = kCrownHalfHeight * L.a;
        const double r = std::hypot(u / (L.a + 7), (v - c0 + 4) / (b + 6));
        const double outer = (r - 1) * (L.a + 7);
        const double k = u / L.a;
        // The hairline arches over the forehead and runs down past the temples.
        const double temple = std::max(0.0, std::abs(k) - 0.68);
        const double hairline =
            std::min(0.12 * L.a, -0.72 * L.a + 0.3 * L.a * k * k + 4.0 * L.a * temple);
        return std::max(outer, v - hairline);
    }

    Sample head(double x, double y) const {
        const double cs = std::cos(P.roll), sn = std::sin(P.roll);
        const double dx = x - P.headX, dy = y - P.headY;
        const double u = cs * dx + sn * dy, v = -sn * dx + cs * dy;
        const double w = jawWarp(u, v);
        Sample s;
        // Ears behind the head.
        for (double side : {-1.0, 1.0}) {
            const double eu = (u - side * (L.a - 2)) / (0.13 * L.a),
                         ev = (v - 0.1 * L.a) / (0.27 * L.a);
            const double a = cover((std::hypot(eu, ev) - 1) * 0.13 * L.a);
            if (a > 0) {
                s.c = mix(s.c, skinAt(u, v, 0.75), a * (1 - s.alpha) + s.alpha * a);
                s.alpha = std::max(s.alpha, a);
            }
        }
        const double faceCover = cover(headDistance(u, w));
        if (faceCover > 0) {
            s.c = mix(s.c, face(u, v), faceCover);
            s.alpha = std::max(s.alpha, faceCover);
        }
        const double hairCover = cover(hairDistance(u, v));
        if (hairCover > 0) {
            const Rgb h = add(L.hair, L.hairTex.at(u + 256, v + 256));
            s.c = mix(s.c, h, hairCover);
            s.alpha = std::max(s.alpha, hairCover);
        }
        return s;
    }

    Sample body(double x, double y) const {
        const double ub = x - (L.restX + P.bodyX), vb = y - (L.restY + P.bodyY);
        Sample s;
        const double neckHalf = 0.42 * L.a;
        if (vb > 1.0 * L.a && vb < 2.4 * L.a) {
            const double a = cover(std::abs(ub) - neckHalf);
            if (a > 0) {
                const double shade = 0.62 + 0.1 * (vb - 1.0 * L.a) / L.a;
                s.c = add(scale(L.skin, shade), L.skinTex.at(ub + 100, vb + 300));
                s.alpha = a;
            }
        }
        const double shoulder = 2.1 * L.a + 0.38 * std::max(0.0, std::abs(ub) - 0.5 * L.a);
        const double torso = cover(std::max(shoulder - vb, std::abs(ub) - 2.8 * L.a));
        if (torso > 0) {
            const double side = std::abs(ub) / (2.8 * L.a);
            Rgb cloth = add(scale(L.shirt, 0.95 - 0.3 * side * side), L.shirtTex.at(ub + 256, vb));
            // A neckline showing skin.
            const double vNeck = 2.1 * L.a + 0.5 * L.a - 1.6 * std::abs(ub);
            cloth = mix(cloth, s.c, s.alpha * cover(vb - vNeck));
            s.c = mix(s.c, cloth, torso);
            s.alpha = std::max(s.alpha, torso);
        }
        return s;
    }
};

}  // namespace

void Scene::renderPerson(std::vector<float>& rgb) const {
    const PersonShader shader{*look_, pose_};
    const double a = look_->a;
    const int headX0 = std::max(0, static_cast<int>(pose_.headX - a * 1.25));
    const int headX1 = std::min(kWidth - 1, static_cast<int>(pose_.headX + a * 1.25));
    const int headY0 = std::max(0, static_cast<int>(pose_.headY - a * 1.8));
    const int headY1 = std::min(kHeight - 1, static_cast<int>(pose_.headY + a * 1.85));
    const int bodyY0 = std::max(0, static_cast<int>(look_->restY + pose_.bodyY + 0.95 * a));
    const int bodyX0 = std::max(0, static_cast<int>(look_->restX + pose_.bodyX - 2.9 * a));
    const int bodyX1 = std::min(kWidth - 1, static_cast<int>(look_->restX + pose_.bodyX + 2.9 * a));
    for (int y = std::min(headY0, bodyY0); y < kHeight; ++y) {
        const bool inHeadRows = y >= headY0 && y <= headY1;
        const bool inBodyRows = y >= bodyY0;
        if (!inHeadRows && !inBodyRows) continue;
        const int x0 = inBodyRows ? (inHeadRows ? std::min(headX0, bodyX0) : bodyX0) : headX0;
        const int x1 = inBodyRows ? (inHeadRows ? std::max(headX1, bodyX1) : bodyX1) : headX1;
        for (int x = x0; x <= x1; ++x) {
            float* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            Rgb c{p[0], p[1], p[2]};
            if (inBodyRows) {
                const Sample b = shader.body(x, y);
                if (b.alpha > 0) c = mix(c, b.c, b.alpha);
            }
            if (inHeadRows && x >= headX0 && x <= headX1) {
                const Sample h = shader.head(x, y);
                if (h.alpha > 0) c = mix(c, h.c, h.alpha);
            }
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

// A webcam's optics and demosaicing soften every edge a little: a [1 2 1]/4
// blur across and down.
void Scene::blur(std::vector<float>& rgb) {
    scratch_.resize(rgb.size());
    constexpr size_t row = static_cast<size_t>(kWidth) * 3;
    for (size_t y = 0; y < kHeight; ++y) {
        const float* src = &rgb[y * row];
        float* dst = &scratch_[y * row];
        for (size_t i = 0; i < row; ++i) {
            const float left = i >= 3 ? src[i - 3] : src[i];
            const float right = i + 3 < row ? src[i + 3] : src[i];
            dst[i] = 0.25f * left + 0.5f * src[i] + 0.25f * right;
        }
    }
    for (size_t y = 0; y < kHeight; ++y) {
        const float* up = &scratch_[(y > 0 ? y - 1 : y) * row];
        const float* mid = &scratch_[y * row];
        const float* down = &scratch_[(y + 1 < kHeight ? y + 1 : y) * row];
        float* dst = &rgb[y * row];
        for (size_t i = 0; i < row; ++i) dst[i] = 0.25f * up[i] + 0.5f * mid[i] + 0.25f * down[i];
    }
}

const std::vector<float>& Scene::renderClean() {
    if (real_) {
        renderLifelike();
        return canvas_;
    }
    canvas_ = look_->room;
    if (!personHidden_) renderPerson(canvas_);
    blur(canvas_);
    return canvas_;
}

double Scene::gainAt(int64_t tick) const {
    const double t = static_cast<double>(tick) * frameSec_;
    double gain = 1.0 + drift_ / 100.0 * std::sin(2 * kPi * t / kDriftPeriodSec);
    if (look_->brightness != 1.0) gain *= look_->brightness;
    return gain;
}

void Scene::render(std::span<uint8_t> bgr) {
    if (real_) {
        renderLifelike(bgr);
        return;
    }
    renderClean();
    const double gain = gainAt(tick_);
    Rng noise(look_->noiseSeed ^ (static_cast<uint64_t>(tick_) * 0x9E3779B97F4A7C15ull));
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = bgr.data() + static_cast<size_t>(kHeight - 1 - y) * kWidth * 3;
        const float* src = &canvas_[static_cast<size_t>(y) * kWidth * 3];
        for (int x = 0; x < kWidth; ++x) {
            const uint64_t bits = noise.next();
            for (int ch = 0; ch < 3; ++ch) {
                // Sum of four uniform bytes: close enough to a Gaussian.
                const uint64_t part = bits >> (ch * 21);
                const double n =
                    static_cast<double>((part & 0x1F) + ((part >> 5) & 0x1F) +
                                        ((part >> 10) & 0x1F) + ((part >> 15) & 0x1F)) -
                    62.0;
                const double value = src[3 * x + ch] * gain + n * (noiseSigma_ / 18.0);
                row[3 * x + (2 - ch)] =
                    static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(value)), 0, 255));
            }
        }
    }
}

}  // namespace quil::sim
