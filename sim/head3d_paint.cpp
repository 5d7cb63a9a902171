// The lifelike head's paint, in the face's own frame at rest (u across, v
// down, pixels; the origin midway between the eyes). Lids slide over the
// eyes, lashes ride on their edges, the mouth's inside shows teeth, tongue
// and a shadow that deepens as it opens.
#include "sim/head3d_paint.h"

#include <algorithm>
#include <cmath>

namespace quil::sim {

namespace {

// How the face around the eyes moves with them: closing on purpose squeezes
// brows and lower lids; looking down lowers the upper lids part of the way.
constexpr double kBrowDrop = 0.045;     // in half face widths
constexpr double kLowerLidRise = 0.25;  // of the eye's half height
constexpr double kLidFollowsGaze = 0.45;
constexpr double kLashLength = 2.6;    // pixels on a near face
constexpr double kToothEvery = 0.085;  // a tooth's width, in half face widths

double len(double x, double y) { return std::sqrt(x * x + y * y); }

struct Painter {
    const RealLook& L;
    const Pose& P;

    Rgb skin(double u, double v, double front) const {
        return add(L.skin, L.skinTex.at(u + (front < 0 ? 700 : 256), v + 256));
    }

    // One eye: its white, iris and pupil under lids that close from above;
    // lashes on the upper lid's edge, a crease above it.
    Rgb eye(double u, double v, double side, Rgb c) const {
        const double du = u - side * L.eyeGap, h = L.eyeHalfH, scaleA = L.a / 85;
        if (std::abs(du) > L.eyeHalfW + 6 * scaleA || v < -h - 10 * scaleA || v > h + 4 * scaleA) {
            return c;
        }
        const double q = std::max(0.0, 1 - (du / L.eyeHalfW) * (du / L.eyeHalfW));
        const double qs = std::pow(q, 0.7);
        const double close = std::max(P.eyeClose, kLidFollowsGaze * std::max(0.0, P.gazeY));
        const double squeeze = P.eyeClose * P.squeeze;
        const double top = -h * qs;
        const double bottom = (0.75 - kLowerLidRise * squeeze) * h * qs;
        const double lid = top + close * (bottom - top);
        // The crease follows the lid part of the way and deepens when squeezed.
        const double fold = top - 0.45 * h + 0.35 * close * (lid - top);
        if (q > 0.02) {
            const double depth = 0.16 + 0.12 * squeeze;
            c = mix(c, scale(c, 1 - depth), cover(std::abs(v - fold) - 0.8 * scaleA) * qs);
            c = scale(c, 1 - 0.06 * cover(v - fold) * cover(top - v) * qs);  // the lid's fold shade
        }
        // Fine lines at the outer corner of a firmly shut eye.
        if (squeeze > 0.3 && side * du > L.eyeHalfW * 0.8) {
            const double line = std::sin((v - 0.3 * (side * du)) * 0.9 / scaleA);
            c = scale(c, 1 - 0.08 * squeeze * smooth01(line * 3 - 2));
        }
        if (q <= 0) return c;
        const double inside = cover(std::max(top - v, v - bottom));
        Rgb e = c;
        if (v < lid) {
            // The lid's own skin, slid down over the eye.
            e = scale(skin(u, v - (lid - top), 1), 0.9);
        } else {
            e = scale(Rgb{232, 222, 216}, 0.72 + 0.28 * q);
            const double ix = du - P.gazeX * 0.45 * L.eyeHalfW;
            const double iy = v - (0.05 * h + std::max(0.0, P.gazeY) * 0.35 * h);
            const double r = len(ix, iy);
            e = mix(e, scale(L.iris, 0.55), cover(r - L.irisR));
            e = mix(e, L.iris, cover(r - L.irisR * 0.82));
            e = mix(e, Rgb{12, 10, 10}, cover(r - L.irisR * 0.38));
            e = mix(e, Rgb{250, 250, 250},
                    0.8 * cover(len(ix + 0.3 * L.irisR, iy + 0.35 * L.irisR) - 0.16 * L.irisR));
            e = scale(e, 1 - 0.35 * cover(v - lid - 2.5 * scaleA));  // the lid's shadow
        }
        // Lashes: a dark edge thicker toward the outer corner, and hairs that
        // stand up from an open lid and hang down from a shut one.
        const double outer = std::max(0.0, side * du / L.eyeHalfW);
        const double edge = (0.9 + 0.8 * outer) * scaleA;
        const Rgb lash{30, 22, 22};
        e = mix(e, lash, 0.85 * cover(std::abs(v - lid) - edge));
        const double hairs = 0.5 + 0.5 * std::sin(du * 2.3 / scaleA + 1.3 * std::sin(du * 0.7));
        const double lashLen = kLashLength * scaleA, out = close > 0.6 ? v - lid : lid - v;
        if (out > 0 && out < lashLen) e = mix(e, lash, 0.55 * hairs * (1 - out / lashLen) * qs);
        if (out > 0 && out < lashLen) c = mix(c, lash, 0.55 * hairs * (1 - out / lashLen) * qs);
        e = mix(e, scale(L.skin, 0.72), 0.6 * cover(std::abs(v - bottom) - 0.6 * scaleA));
        return mix(c, e, inside);
    }

    Rgb brows(double u, double v, Rgb c) const {
        const double a = L.a, squeeze = P.eyeClose * P.squeeze;
        for (double side : {-1.0, 1.0}) {
            const double du = u - side * (L.eyeGap + 0.03 * a), half = L.eyeHalfW + 0.08 * a;
            if (std::abs(du) > half + 1) continue;
            const double k = du / half;
            const double centre =
                -0.27 * a - 0.05 * a * (1 - k * k) + kBrowDrop * a * squeeze + 0.02 * a * k * side;
            const double thick = 0.035 * a * (1 - 0.45 * k * k) * (side * k < 0 ? 1.2 : 1.0);
            const double strands = 0.75 + 0.015 * L.hairTex.at(u * 2 + 100, v * 0.5 + 50);
            const double cov = cover(std::max(std::abs(v - centre) - thick, std::abs(du) - half));
            c = mix(c, scale(L.brow, strands), cov * 0.92);
        }
        return c;
    }

    // Lips, and between them the mouth's inside: upper teeth, the tongue and
    // lower teeth when wide open, in a shadow that deepens with the opening.
    Rgb mouth(double u, double vd, Rgb c) const {
        const double a = L.a, m = L.mouthY, open = P.mouthOpen, drop = L.mouthDrop * open;
        const double half = L.lipHalf * (1 - 0.12 * open);
        if (std::abs(u) > half + 3 || vd < m - 0.12 * a || vd > m + drop + 0.14 * a) return c;
        const double k = std::min(1.0, std::abs(u) / half);
        const double shape = std::sqrt(std::max(0.0, 1 - k * k));
        // A bow in the upper lip's middle.
        const double bow = 0.012 * a * std::exp(-(u / (0.05 * a)) * (u / (0.05 * a)));
        const double upH = 0.045 * a * shape, lowH = 0.058 * a * shape;
        const double upper =
            cover(std::max(std::abs(vd - (m - upH + bow / 2)) - upH - bow / 2, std::abs(u) - half));
        c = mix(c, L.lips, upper);
        const double vl = vd - drop;
        const double lower =
            cover(std::max(std::abs(vl - (m + lowH)) - lowH, std::abs(u) - half * 0.95));
        c = mix(c, add(L.lips, 10), lower);
        // A shadow under the lower lip, over the chin's groove.
        const double below = (vl - (m + 2 * lowH + 0.03 * a)) / (0.03 * a);
        c = scale(c, 1 - 0.18 * std::exp(-below * below) * shape);
        if (drop < 0.6) {
            return mix(c, scale(L.lips, 0.2), cover(std::abs(vd - m) - 1.2) * std::sqrt(shape));
        }
        const double ou = u / (half * 0.85), ov = (vd - (m + drop / 2)) / (drop / 2 + 0.5);
        const double r = len(ou, ov);
        const double inside = cover((r - 1) * (drop / 2 + 0.5));
        if (inside <= 0) return c;
        // The deeper the opening, the darker its middle.
        Rgb in = scale(Rgb{92, 34, 40}, 0.35 + 0.65 * (1 - (1 - r * r) * (0.3 + 0.55 * open)));
        const double tongueR = len(u / (0.6 * half), (vd - (m + drop * 0.95)) / (drop * 0.45));
        in =
            mix(in, scale(Rgb{176, 82, 88}, 0.55 + 0.25 * open), cover((tongueR - 1) * drop * 0.3));
        const double gap = std::abs(std::remainder(u, kToothEvery * a)) < 0.5 ? 0.82 : 1.0;
        const double teethH = std::min(0.1 * a, 0.45 * drop);
        if (vd < m + teethH && std::abs(u) < 0.62 * half) {
            in = mix(in, scale(Rgb{226, 218, 200}, gap * (0.75 + 0.25 * (vd - m) / teethH)),
                     cover(vd - (m + teethH)));
        }
        const double lowerH = std::max(0.0, open - 0.45) * 0.12 * a;
        if (vd > m + drop - lowerH && std::abs(u) < 0.5 * half) {
            in = mix(in, scale(Rgb{210, 202, 186}, gap), 0.9);
        }
        return mix(c, in, inside);
    }

    Rgb face(double u, double v, double vd) const {
        const double a = L.a;
        Rgb c = skin(u, v, 1);
        // A little colour in the cheeks and on the nose.
        const double cheek = len((std::abs(u) - 0.45 * a) / (0.22 * a), (v - 0.38 * a) / (0.2 * a));
        c = mix(c, Rgb{c.r, c.g * 0.88f, c.b * 0.88f}, 0.35 * std::max(0.0, 1 - cheek));
        // Stubble or a beard on the jaw, the chin and above the lip.
        if (L.stubble > 0 && v > 0.5 * a) {
            const double region = smooth01((v - 0.55 * a) / (0.12 * a)) *
                                  (1 - smooth01((std::abs(u) - 0.8 * a) / (0.12 * a))) *
                                  (1 - 0.7 * std::max(0.0, 1 - cheek));
            const double grain = 0.5 + 0.35 * L.beardTex.at(u * 1.7, v * 1.7);
            const double amount = region * std::clamp(grain, 0.0, 1.0) * (0.35 + 0.6 * L.stubble);
            c = mix(c, add(scale(L.hair, 0.8), L.hairTex.at(u + 40, v * 3)), amount);
        }
        // Shadows in the sockets, under the nose and the lower lip.
        for (double side : {-1.0, 1.0}) {
            const double du = (u - side * L.eyeGap) / (L.eyeHalfW + 0.1 * a),
                         dv = (v + 0.02 * a) / (0.14 * a);
            c = scale(c, 1 - 0.14 * std::exp(-(du * du + dv * dv)));
        }
        for (double side : {-1.0, 1.0}) {
            const double nu = (u - side * 0.07 * a) / (0.032 * a),
                         nv = (v - 0.66 * a) / (0.016 * a);
            c = mix(c, Rgb{70, 38, 36}, 0.5 * cover((len(nu, nv) - 1) * 0.016 * a));
        }
        const double under = (v - 0.69 * a) / (0.035 * a), across = u / (0.15 * a);
        c = scale(c, 1 - 0.05 * std::exp(-under * under - across * across * across * across));
        c = brows(u, v, c);
        c = mouth(u, vd, c);
        for (double side : {-1.0, 1.0}) c = eye(u, v, side, c);
        return c;
    }
};

}  // namespace

double hairlineAt(const RealLook& L, double u, double front) {
    const double a = L.a, k = u / a;
    const double faceLine = std::min(
        0.12 * a, -0.72 * a + 0.3 * a * k * k + 4.0 * a * std::max(0.0, std::abs(k) - 0.68));
    const double t = smooth01((front + 0.05) / 0.35);
    return faceLine * t + 0.9 * a * (1 - t);
}

Rgb FacePaint::at(double u, double v, double vd, double front, double& gloss) const {
    const Painter p{L, P};
    const double a = L.a;
    // Ears stay clear of the hair.
    const double ear = len((front + 0.1) / 0.2, (v - 0.12 * a) / (0.3 * a));
    const double hair = ear < 1 ? 0 : cover((v - hairlineAt(L, u, front)) / 1.5);
    Rgb c{};
    if (hair < 1) {
        gloss = 0.12;
        c = front > 0.2 && v < 1.7 * a ? p.face(u, v, vd) : p.skin(u, v, front);
        if (ear < 1) c = scale(c, 0.85 + 0.15 * ear);
        if (front <= 0.2) c = scale(c, 0.95);
    }
    if (hair > 0) {
        gloss = 0.3 * hair + gloss * (1 - hair);
        const Rgb h = add(L.hair, L.hairTex.at(u * (front < 0 ? -1 : 1) + 256, v + 256));
        c = mix(c, h, hair);
    }
    return c;
}

}  // namespace quil::sim
