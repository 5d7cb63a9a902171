// The lifelike head's shape, its placement in front of the camera and its
// drawing: a latitude-longitude mesh of a rounded skull with the face's
// relief added toward the camera, turned about the neck, projected through
// a pinhole and drawn through a depth buffer, then painted and lit per pixel.
#include "sim/head3d.h"

#include <algorithm>
#include <cmath>

#include "sim/head3d_paint.h"
#include "sim/scene.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr double kPi = 3.14159265358979;
// Mesh density: about three pixels between vertices on a near face.
constexpr int kLonSteps = 192;
constexpr int kLatSteps = 120;
// A webcam's focal length in pixels (about 60 degrees across 640 pixels).
constexpr double kFocal = 560;
// The skull, in half face widths: its middle a little above the eyes, a
// rounder crown than chin, deeper behind than in front, boxier than an egg.
constexpr double kCentreY = -0.05;
constexpr double kCrown = 1.45, kChin = 1.62;
constexpr double kFaceDepth = 0.95, kBackDepth = 1.2;
constexpr double kRoundV = 0.75, kRoundH = 0.85;
constexpr double kJawFrom = 0.55, kJawNarrow = 0.38;
// The head turns about the top of the neck, behind and below the eyes.
constexpr double kPivotY = 0.35, kPivotZ = -0.15;
constexpr double kHairThickness = 0.07;
// The nose: its tip's height below the eyes, how far it stands out, and where
// it meets the upper lip, in half face widths.
constexpr double kNoseTip = 0.55, kNoseOut = 0.27, kNoseBase = 0.72;
// The jaw swings back a little as it drops.
constexpr double kJawBack = 0.3;
constexpr double kWrap = 0.35;
// Light thrown back up from the desk and the shirt onto the face's undersides.
constexpr double kFill = 0.2;

double sgnpow(double v, double e) { return std::copysign(std::pow(std::abs(v), e), v); }
// A smooth bump of height 1 inside an ellipse, 0 outside.
double bump(double dx, double dy, double rx, double ry) {
    const double r2 = (dx / rx) * (dx / rx) + (dy / ry) * (dy / ry);
    return r2 >= 1 ? 0 : (1 - r2) * (1 - r2);
}
Vec3 sub(Vec3 p, Vec3 q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
Vec3 cross(Vec3 p, Vec3 q) {
    return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
double dot(Vec3 p, Vec3 q) { return p.x * q.x + p.y * q.y + p.z * q.z; }
Vec3 unit(Vec3 p) {
    const double n = std::sqrt(dot(p, p));
    return n > 1e-12 ? Vec3{p.x / n, p.y / n, p.z / n} : Vec3{0, 0, 1};
}

}  // namespace

struct RealHead::Frame {
    double m[3][3];
    Vec3 pivot, shift;
    Vec3 turn(Vec3 p) const {
        return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z,
                m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z,
                m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z};
    }
};

RealHead::RealHead(const RealLook& look) : look_(look) {
    buildMesh();
    const size_t n = static_cast<size_t>(kWidth) * kHeight;
    depth_.assign(n, 0.0f);
    w1_.assign(n, 0.0f);
    w2_.assign(n, 0.0f);
    tri_.assign(n, -1);
}

// The rest surface at a longitude (0 faces the camera, positive to the
// picture's right) and latitude (positive down).
Vec3 RealHead::surface(double lon, double lat) const {
    const double a = look_.a;
    const double cl = std::cos(lat), sl = std::sin(lat);
    const double ex = sgnpow(cl, kRoundV) * sgnpow(std::sin(lon), kRoundH);
    const double ey = sgnpow(sl, kRoundV);
    const double ez = sgnpow(cl, kRoundV) * sgnpow(std::cos(lon), kRoundH);
    double y = kCentreY * a + (ey < 0 ? kCrown : kChin) * a * ey;
    const double jawLen = (kChin + kCentreY - kJawFrom) * a;
    const double taper =
        y > kJawFrom * a ? 1 - kJawNarrow * std::pow((y - kJawFrom * a) / jawLen, 1.5) : 1;
    double x = a * taper * ex;
    double z = (ez > 0 ? kFaceDepth : kBackDepth) * a * ez;
    // The face's relief, toward the camera, fading out around the sides.
    const double fw = smooth01(ez / 0.35);
    if (fw > 0) {
        const double ax = std::abs(x);
        double dz = 0;
        if (y > -0.2 * a && y < kNoseBase * a) {
            // The ridge rises from between the eyes to the tip, then tucks
            // back under to the lip.
            const double tip = kNoseTip * a, base = kNoseBase * a;
            const double h = y < tip ? 0.05 * a + (kNoseOut - 0.05) * a *
                                                      smooth01((y + 0.15 * a) / (tip + 0.15 * a))
                                     : kNoseOut * a * (1 - smooth01((y - tip) / (base - tip)));
            const double w = 0.09 * a + 0.11 * a * smooth01((y + 0.1 * a) / (tip + 0.1 * a));
            const double c = std::max(0.0, 1 - (x / w) * (x / w));
            dz += h * c * std::sqrt(c);
        }
        dz += 0.05 * a * bump(x, y - (kNoseTip - 0.03) * a, 0.15 * a, 0.11 * a);  // the tip's ball
        dz +=
            0.09 * a * bump(ax - 0.15 * a, y - (kNoseTip + 0.05) * a, 0.1 * a, 0.08 * a);  // wings
        dz += 0.07 * a * bump(x, y + 0.3 * a, 0.72 * a, 0.13 * a);                 // brow ridge
        dz -= 0.12 * a * bump(ax - look_.eyeGap, y + 0.02 * a, 0.3 * a, 0.2 * a);  // sockets
        dz += 0.06 * a * bump(ax - look_.eyeGap, y, look_.eyeHalfW * 1.05, look_.eyeHalfH * 1.6);
        dz += 0.07 * a * bump(ax - 0.48 * a, y - 0.3 * a, 0.28 * a, 0.25 * a);      // cheekbones
        dz += 0.06 * a * bump(x, y - look_.mouthY, look_.lipHalf * 1.2, 0.12 * a);  // lips
        dz += 0.12 * a * bump(x, y - 1.0 * a, 0.75 * a, 0.6 * a);   // the lower face forward
        dz += 0.07 * a * bump(x, y - 1.38 * a, 0.3 * a, 0.18 * a);  // chin
        dz -= 0.03 * a * bump(x, y - look_.mouthY - 0.2 * a, 0.25 * a, 0.06 * a);
        z += dz * fw;
    }
    // Ears at the sides, standing out a little.
    x += std::copysign(0.16 * a * bump(ez + 0.1, y - 0.12 * a, 0.2, 0.3 * a), x);
    // A layer of hair above the hairline.
    const double hair = smooth01((hairlineAt(look_, x, ez) - y) / (0.08 * a));
    if (hair > 0) {
        const Vec3 d = unit({x, y - kCentreY * a, z});
        const double t = kHairThickness * a * hair;
        x += d.x * t;
        y += d.y * t;
        z += d.z * t;
    }
    return {x, y, z};
}

void RealHead::buildMesh() {
    cols_ = kLonSteps;
    rows_ = kLatSteps + 1;
    mesh_.resize(static_cast<size_t>(cols_) * rows_);
    for (int j = 0; j < rows_; ++j) {
        const double lat = -kPi / 2 + kPi * j / kLatSteps;
        for (int i = 0; i < cols_; ++i) {
            const double lon = -kPi + 2 * kPi * i / kLonSteps;
            Vertex& v = mesh_[static_cast<size_t>(j) * cols_ + i];
            v.p = surface(lon, lat);
            v.front = sgnpow(std::cos(lat), kRoundV) * sgnpow(std::cos(lon), kRoundH);
        }
    }
    // Normals across the grid's neighbours; at the poles, straight out.
    for (int j = 0; j < rows_; ++j) {
        for (int i = 0; i < cols_; ++i) {
            Vertex& v = mesh_[static_cast<size_t>(j) * cols_ + i];
            const auto at = [&](int ii, int jj) {
                return mesh_[static_cast<size_t>(std::clamp(jj, 0, rows_ - 1)) * cols_ +
                             (ii + cols_) % cols_]
                    .p;
            };
            const Vec3 n = cross(sub(at(i + 1, j), at(i - 1, j)), sub(at(i, j + 1), at(i, j - 1)));
            v.n = (j == 0 || j == rows_ - 1) ? unit({0, j == 0 ? -1.0 : 1.0, 0}) : unit(n);
        }
    }
    for (int j = 0; j + 1 < rows_; ++j) {
        for (int i = 0; i < cols_; ++i) {
            const int v00 = j * cols_ + i, v10 = j * cols_ + (i + 1) % cols_;
            const int v01 = v00 + cols_, v11 = v10 + cols_;
            tris_.push_back({v00, v10, v01});
            tris_.push_back({v10, v11, v01});
        }
    }
    placed_.resize(mesh_.size());
    // The nose tip: the farthest point forward on the face's middle line.
    for (int k = 0; k <= 400; ++k) {
        const Vec3 p = surface(0, 0.05 + 0.7 * k / 400);
        if (k == 0 || p.z > tip_.z) tip_ = p;
    }
}

RealHead::Frame RealHead::frameOf(const Pose& pose) const {
    const double cy = std::cos(pose.yaw), sy = std::sin(pose.yaw);
    const double cp = std::cos(pose.pitch), sp = std::sin(pose.pitch);
    const double cr = std::cos(pose.roll), sr = std::sin(pose.roll);
    // Roll after pitch after yaw, each in the picture's frame (y down).
    const double ry[3][3] = {{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}};
    const double rx[3][3] = {{1, 0, 0}, {0, cp, sp}, {0, -sp, cp}};
    const double rz[3][3] = {{cr, -sr, 0}, {sr, cr, 0}, {0, 0, 1}};
    double xy[3][3] = {};
    Frame f{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) xy[r][c] += rx[r][k] * ry[k][c];
        }
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            f.m[r][c] = 0;
            for (int k = 0; k < 3; ++k) f.m[r][c] += rz[r][k] * xy[k][c];
        }
    }
    f.pivot = {0, kPivotY * look_.a, kPivotZ * look_.a};
    f.shift = {pose.headX - kWidth / 2.0, pose.headY - kHeight / 2.0, 0};
    return f;
}

// Picture position and distance of a point of the head's frame.
std::array<double, 3> RealHead::project(const Frame& f, Vec3 p) const {
    const Vec3 t = f.turn(sub(p, f.pivot));
    const double x = t.x + f.pivot.x + f.shift.x, y = t.y + f.pivot.y + f.shift.y;
    const double dist = kFocal - (t.z + f.pivot.z);
    return {kWidth / 2.0 + kFocal * x / dist, kHeight / 2.0 + kFocal * y / dist, dist};
}

std::array<double, 2> RealHead::noseTip(const Pose& pose) const {
    const auto s = project(frameOf(pose), tip_);
    return {s[0], s[1]};
}

// The jaw drops with the opening mouth: below the lips it moves down whole;
// out at the cheeks the skin stretches over a band instead.
void RealHead::place(const Pose& pose, const Frame& f) {
    const double a = look_.a, m = look_.mouthY, drop = look_.mouthDrop * pose.mouthOpen;
    constexpr double kBand = 0.15;
    for (size_t k = 0; k < mesh_.size(); ++k) {
        const Vertex& v = mesh_[k];
        Vec3 p = v.p;
        double dy = 0;
        if (drop > 0 && v.front > 0 && p.y > m) {
            const double c = 1 - smooth01((std::abs(p.x) - 0.3 * a) / (0.35 * a));
            const double stretched = drop * std::min(1.0, (p.y - m) / (kBand * a));
            dy = (c * drop + (1 - c) * stretched) * smooth01(v.front / 0.3);
            p.y += dy;
            p.z -= kJawBack * dy;
        }
        const auto s = project(f, p);
        placed_[k] = {s[0], s[1], s[2], f.turn(v.n), p.y};
    }
}

// Edge functions over the triangle's box, clipped to the box given; the
// nearer surface wins each pixel.
void RealHead::rasterise(int t, int x0, int y0, int x1, int y1) {
    const auto& [i0, i1, i2] = tris_[static_cast<size_t>(t)];
    const Placed &p0 = placed_[static_cast<size_t>(i0)], &p1 = placed_[static_cast<size_t>(i1)],
                 &p2 = placed_[static_cast<size_t>(i2)];
    const double area = (p1.sx - p0.sx) * (p2.sy - p0.sy) - (p1.sy - p0.sy) * (p2.sx - p0.sx);
    if (area <= 1e-9) return;  // turned away, or edge on
    const int bx0 = std::max(x0, static_cast<int>(std::ceil(std::min({p0.sx, p1.sx, p2.sx}))));
    const int bx1 = std::min(x1, static_cast<int>(std::floor(std::max({p0.sx, p1.sx, p2.sx}))));
    const int by0 = std::max(y0, static_cast<int>(std::ceil(std::min({p0.sy, p1.sy, p2.sy}))));
    const int by1 = std::min(y1, static_cast<int>(std::floor(std::max({p0.sy, p1.sy, p2.sy}))));
    const double inv = 1 / area;
    for (int y = by0; y <= by1; ++y) {
        for (int x = bx0; x <= bx1; ++x) {
            const double w1 =
                ((p2.sx - p0.sx) * (y - p0.sy) - (p2.sy - p0.sy) * (x - p0.sx)) * -inv;
            const double w2 = ((p1.sx - p0.sx) * (y - p0.sy) - (p1.sy - p0.sy) * (x - p0.sx)) * inv;
            if (w1 < 0 || w2 < 0 || w1 + w2 > 1) continue;
            const double d = p0.depth + w1 * (p1.depth - p0.depth) + w2 * (p2.depth - p0.depth);
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            if (tri_[i] >= 0 && d >= depth_[i]) continue;
            depth_[i] = static_cast<float>(d);
            w1_[i] = static_cast<float>(w1);
            w2_[i] = static_cast<float>(w2);
            tri_[i] = t;
        }
    }
}

void RealHead::render(const Pose& pose, std::vector<float>& rgb) {
    const Frame f = frameOf(pose);
    place(pose, f);
    // Clear only the box the head covers, within the picture.
    for (int y = by0_; y <= by1_; ++y) {
        std::fill_n(&tri_[static_cast<size_t>(y) * kWidth + bx0_], bx1_ - bx0_ + 1, -1);
    }
    double minX = kWidth, minY = kHeight, maxX = -1, maxY = -1;
    for (const Placed& p : placed_) {
        minX = std::min(minX, p.sx);
        maxX = std::max(maxX, p.sx);
        minY = std::min(minY, p.sy);
        maxY = std::max(maxY, p.sy);
    }
    bx0_ = std::clamp(static_cast<int>(std::floor(minX)) - 1, 0, kWidth - 1);
    bx1_ = std::clamp(static_cast<int>(std::ceil(maxX)) + 1, 0, kWidth - 1);
    by0_ = std::clamp(static_cast<int>(std::floor(minY)) - 1, 0, kHeight - 1);
    by1_ = std::clamp(static_cast<int>(std::ceil(maxY)) + 1, 0, kHeight - 1);
    covered_ = 0;
    if (maxX < 0 || maxY < 0 || minX >= kWidth || minY >= kHeight) {
        bx1_ = bx0_ - 1;  // nothing in the picture: an empty box
        return;
    }
    for (int t = 0; t < static_cast<int>(tris_.size()); ++t) rasterise(t, bx0_, by0_, bx1_, by1_);
    const FacePaint paint{look_, pose};
    const Vec3 half = unit({look_.light.x, look_.light.y, look_.light.z + 1});
    for (int y = by0_; y <= by1_; ++y) {
        for (int x = bx0_; x <= bx1_; ++x) {
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            const int t = tri_[i];
            if (t < 0) continue;
            ++covered_;
            const auto& [i0, i1, i2] = tris_[static_cast<size_t>(t)];
            const double w1 = w1_[i], w2 = w2_[i], w0 = 1 - w1 - w2;
            const Vertex &m0 = mesh_[static_cast<size_t>(i0)], &m1 = mesh_[static_cast<size_t>(i1)],
                         &m2 = mesh_[static_cast<size_t>(i2)];
            const Placed &q0 = placed_[static_cast<size_t>(i0)],
                         &q1 = placed_[static_cast<size_t>(i1)],
                         &q2 = placed_[static_cast<size_t>(i2)];
            const double u = w0 * m0.p.x + w1 * m1.p.x + w2 * m2.p.x;
            const double v = w0 * m0.p.y + w1 * m1.p.y + w2 * m2.p.y;
            const double front = w0 * m0.front + w1 * m1.front + w2 * m2.front;
            const double vd = w0 * q0.vd + w1 * q1.vd + w2 * q2.vd;
            const Vec3 n = unit({w0 * q0.n.x + w1 * q1.n.x + w2 * q2.n.x,
                                 w0 * q0.n.y + w1 * q1.n.y + w2 * q2.n.y,
                                 w0 * q0.n.z + w1 * q1.n.z + w2 * q2.n.z});
            double gloss = 0;
            const Rgb c = paint.at(u, v, vd, front, gloss);
            // Lambert wrapped past the terminator (light scatters under skin),
            // a floor of light from the room, and a soft sheen.
            const double lit = std::max(0.0, (dot(n, look_.light) + kWrap) / (1 + kWrap));
            const double shade = look_.ambient + look_.diffuse * lit + kFill * std::max(0.0, n.y);
            const double h1 = std::max(0.0, dot(n, half)), h2 = h1 * h1, h4 = h2 * h2;
            const double h8 = h4 * h4;
            const double sheen = gloss * h8 * h8 * h8 * 60;
            float* o = &rgb[i * 3];
            o[0] = static_cast<float>(c.r * shade + sheen);
            o[1] = static_cast<float>(c.g * shade + sheen);
            o[2] = static_cast<float>(c.b * shade + sheen);
        }
    }
    if (look_.glasses) drawGlasses(f, rgb);
}

// Frames in front of the eyes: two rounded rims, a bridge and the arms back
// to the ears, each a thick line drawn where nothing of the head is nearer.
void RealHead::drawGlasses(const Frame& f, std::vector<float>& rgb) {
    constexpr int kRimSteps = 28;
    constexpr double kThickness = 1.6;
    const double a = look_.a, zf = 1.08 * a;
    std::vector<std::array<Vec3, 2>> segs;
    for (double side : {-1.0, 1.0}) {
        const double cx = side * look_.eyeGap, rx = look_.eyeHalfW * 1.55,
                     ry = look_.eyeHalfH * 2.6;
        for (int k = 0; k < kRimSteps; ++k) {
            const double t0 = 2 * kPi * k / kRimSteps, t1 = 2 * kPi * (k + 1) / kRimSteps;
            segs.push_back({Vec3{cx + rx * std::cos(t0), 0.06 * a + ry * std::sin(t0), zf},
                            Vec3{cx + rx * std::cos(t1), 0.06 * a + ry * std::sin(t1), zf}});
        }
        segs.push_back({Vec3{cx + side * rx, 0.0, zf}, Vec3{side * 1.02 * a, 0.0, 0.1 * a}});
        segs.push_back(
            {Vec3{side * 1.02 * a, 0.0, 0.1 * a}, Vec3{side * 1.05 * a, 0.05 * a, -0.5 * a}});
    }
    segs.push_back({Vec3{-look_.eyeGap + look_.eyeHalfW * 1.5, 0.0, zf + 0.02 * a},
                    Vec3{look_.eyeGap - look_.eyeHalfW * 1.5, 0.0, zf + 0.02 * a}});
    const Rgb c = look_.frame;
    for (const auto& s : segs) {
        const auto p = project(f, s[0]), q = project(f, s[1]);
        const double r = kThickness * kFocal / p[2] + 0.5;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min(p[0], q[0]) - r)));
        const int x1 = std::min(kWidth - 1, static_cast<int>(std::ceil(std::max(p[0], q[0]) + r)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min(p[1], q[1]) - r)));
        const int y1 = std::min(kHeight - 1, static_cast<int>(std::ceil(std::max(p[1], q[1]) + r)));
        const double dx = q[0] - p[0], dy = q[1] - p[1], len2 = std::max(1e-9, dx * dx + dy * dy);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double t = std::clamp(((x - p[0]) * dx + (y - p[1]) * dy) / len2, 0.0, 1.0);
                const double d = std::hypot(x - p[0] - t * dx, y - p[1] - t * dy);
                const double cover = std::clamp(r - d, 0.0, 1.0);
                if (cover <= 0) continue;
                const size_t i = static_cast<size_t>(y) * kWidth + x;
                const bool inBox = x >= bx0_ && x <= bx1_ && y >= by0_ && y <= by1_;
                const double depth = p[2] + t * (q[2] - p[2]);
                if (inBox && tri_[i] >= 0 && depth > depth_[i] + 0.02 * a) continue;
                float* o = &rgb[i * 3];
                const auto k = static_cast<float>(cover);
                o[0] += (c.r - o[0]) * k;
                o[1] += (c.g - o[1]) * k;
                o[2] += (c.b - o[2]) * k;
            }
        }
    }
}

}  // namespace quil::sim
