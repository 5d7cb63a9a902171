#include "imaging/optical_flow.h"

#include <algorithm>
#include <cmath>

namespace quil {

namespace {

// The largest window trackPoints supports; its scratch lives on the stack.
constexpr int kMaxHalfWindow = 10;
constexpr int kMaxSide = 2 * kMaxHalfWindow + 3;
// Below this determinant (per pixel squared) the normal equations are not
// solved at a coarse level, whose guess is then kept.
constexpr float kMinDeterminant = 1e-6F;
// No motion between two frames is larger than this, in pixels of a level.
constexpr float kMaxTravel = 1000.0F;

size_t idx(int i) { return static_cast<size_t>(i); }

// side x side samples of the plane, bilinear, starting at (x0, y0); samples
// past the edges repeat the edge pixels.
void sampleWindow(const GreyPlane& plane, float x0, float y0, int side, float* out) {
    const float fx = std::floor(x0);
    const float fy = std::floor(y0);
    const float ax = x0 - fx;
    const float ay = y0 - fy;
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float w00 = (1 - ax) * (1 - ay), w01 = ax * (1 - ay), w10 = (1 - ax) * ay, w11 = ax * ay;
    const int maxX = plane.width - 1;
    const int maxY = plane.height - 1;
    const uint8_t* p = plane.pixels.data();
    if (ix >= 0 && iy >= 0 && ix + side <= maxX && iy + side <= maxY) {
        // Wholly inside: no edge to repeat, rows read straight through.
        for (int r = 0; r < side; ++r) {
            const uint8_t* a = p + idx((iy + r) * plane.width + ix);
            const uint8_t* b = a + plane.width;
            float* o = out + r * side;
            for (int c = 0; c < side; ++c) {
                o[c] = w00 * a[c] + w01 * a[c + 1] + w10 * b[c] + w11 * b[c + 1];
            }
        }
        return;
    }
    for (int r = 0; r < side; ++r) {
        const size_t row0 = idx(std::clamp(iy + r, 0, maxY) * plane.width);
        const size_t row1 = idx(std::clamp(iy + r + 1, 0, maxY) * plane.width);
        for (int c = 0; c < side; ++c) {
            const size_t c0 = idx(std::clamp(ix + c, 0, maxX));
            const size_t c1 = idx(std::clamp(ix + c + 1, 0, maxX));
            out[r * side + c] =
                w00 * p[row0 + c0] + w01 * p[row0 + c1] + w10 * p[row1 + c0] + w11 * p[row1 + c1];
        }
    }
}

// One level of the search: refines the displacement d (level pixels) of the
// point at (px, py). False when the window is too flat at level 0.
bool refineLevel(const GreyPlane& from, const GreyPlane& to, float px, float py, float& dx,
                 float& dy, const FlowSettings& settings, bool finest) {
    const int h = std::clamp(settings.halfWindow, 1, kMaxHalfWindow);
    const int n = 2 * h + 1;
    const int m = n + 2;
    float bordered[kMaxSide * kMaxSide];
    float gx[kMaxSide * kMaxSide];
    float gy[kMaxSide * kMaxSide];
    float moved[kMaxSide * kMaxSide];
    sampleWindow(from, px - static_cast<float>(h + 1), py - static_cast<float>(h + 1), m, bordered);
    float gxx = 0, gxy = 0, gyy = 0;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const int b = (r + 1) * m + (c + 1);
            const float ix = 0.5F * (bordered[b + 1] - bordered[b - 1]);
            const float iy = 0.5F * (bordered[b + m] - bordered[b - m]);
            gx[r * n + c] = ix;
            gy[r * n + c] = iy;
            gxx += ix * ix;
            gxy += ix * iy;
            gyy += iy * iy;
        }
    }
    const float area = static_cast<float>(n * n);
    const float det = gxx * gyy - gxy * gxy;
    const float half = 0.5F * (gxx + gyy);
    const float minEigen = half - std::sqrt(std::max(0.0F, half * half - det));
    if (finest && minEigen / area < settings.minTexture) return false;
    if (det / (area * area) < kMinDeterminant) return !finest;

    for (int it = 0; it < settings.iterations; ++it) {
        sampleWindow(to, px + dx - static_cast<float>(h), py + dy - static_cast<float>(h), n,
                     moved);
        float bx = 0, by = 0;
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c) {
                const float e = bordered[(r + 1) * m + (c + 1)] - moved[r * n + c];
                bx += e * gx[r * n + c];
                by += e * gy[r * n + c];
            }
        }
        const float sx = (gyy * bx - gxy * by) / det;
        const float sy = (gxx * by - gxy * bx) / det;
        dx += sx;
        dy += sy;
        // A search that runs off far beyond the window has failed.
        if (!(std::fabs(dx) < kMaxTravel && std::fabs(dy) < kMaxTravel)) return false;
        if (sx * sx + sy * sy < settings.stopStep * settings.stopStep) break;
    }
    return true;
}

}  // namespace

void GreyPlane::resize(int w, int h) {
    width = std::max(w, 0);
    height = std::max(h, 0);
    pixels.resize(idx(width) * idx(height));
}

void halve(const GreyPlane& from, GreyPlane& to) {
    to.resize(from.width / 2, from.height / 2);
    for (int y = 0; y < to.height; ++y) {
        const uint8_t* a = from.pixels.data() + idx(2 * y * from.width);
        const uint8_t* b = a + from.width;
        uint8_t* out = to.pixels.data() + idx(y * to.width);
        for (int x = 0; x < to.width; ++x) {
            out[x] =
                static_cast<uint8_t>((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) / 4);
        }
    }
}

void buildPyramid(Pyramid& pyramid) {
    for (int l = 1; l < kPyramidLevels; ++l)
        halve(pyramid.levels[idx(l - 1)], pyramid.levels[idx(l)]);
}

// Pyramidal Lucas-Kanade: the displacement found at a coarse level, doubled,
// is the guess at the next finer one, so that motions larger than the window
// are found.
void trackPoints(const Pyramid& from, const Pyramid& to, std::span<const FlowPoint> points,
                 std::span<FlowPoint> found, std::span<uint8_t> ok, const FlowSettings& settings) {
    const size_t count = std::min({points.size(), found.size(), ok.size()});
    for (size_t i = 0; i < count; ++i) {
        ok[i] = 0;
        found[i] = points[i];
        // A point off the picture (or not a number) has nothing to follow,
        // and would overflow the conversions to pixel indices.
        const GreyPlane& start = from.levels[0];
        if (!(points[i].x >= 0 && points[i].y >= 0 &&
              points[i].x <= static_cast<float>(start.width - 1) &&
              points[i].y <= static_cast<float>(start.height - 1))) {
            continue;
        }
        float dx = 0, dy = 0;
        bool good = true;
        for (int l = kPyramidLevels - 1; l >= 0 && good; --l) {
            const GreyPlane& a = from.levels[idx(l)];
            const GreyPlane& b = to.levels[idx(l)];
            if (a.width < 2 || a.height < 2 || b.width != a.width || b.height != a.height) {
                good = false;
                break;
            }
            const float scale = 1.0F / static_cast<float>(1 << l);
            good = refineLevel(a, b, points[i].x * scale, points[i].y * scale, dx, dy, settings,
                               l == 0);
            if (l > 0) {
                dx *= 2;
                dy *= 2;
            }
        }
        if (!good) continue;
        const FlowPoint p{points[i].x + dx, points[i].y + dy};
        const GreyPlane& base = to.levels[0];
        if (p.x < 0 || p.y < 0 || p.x > static_cast<float>(base.width - 1) ||
            p.y > static_cast<float>(base.height - 1)) {
            continue;
        }
        found[i] = p;
        ok[i] = 1;
    }
}

// Shi-Tomasi: a corner is where even the weaker of the two gradient
// directions, summed over a small window, is strong.
void findCorners(const GreyPlane& plane, PixelRect area, std::span<const PixelRect> excluded,
                 const CornerSettings& settings, std::vector<FlowPoint>& corners,
                 CornerScratch& scratch) {
    corners.clear();
    const int b = std::max(settings.blockHalf, 1);
    const int margin = b + 1;
    const int left = std::max(area.left, margin);
    const int top = std::max(area.top, margin);
    const int right = std::min(area.right, plane.width - margin);
    const int bottom = std::min(area.bottom, plane.height - margin);
    if (right - left < 1 || bottom - top < 1 || settings.maxCount <= 0) return;

    // Gradient products over the area grown by the window, then summed over
    // each pixel's window.
    const int gl = left - b, gt = top - b;
    const int gw = right - left + 2 * b, gh = bottom - top + 2 * b;
    const size_t cells = idx(gw) * idx(gh);
    scratch.maps.assign(4 * cells, 0.0F);
    float* xx = scratch.maps.data();
    float* xy = xx + cells;
    float* yy = xy + cells;
    float* score = yy + cells;
    for (int y = 0; y < gh; ++y) {
        for (int x = 0; x < gw; ++x) {
            const int px = gl + x, py = gt + y;
            const float ix =
                0.5F * (static_cast<float>(plane.at(px + 1, py)) - plane.at(px - 1, py));
            const float iy =
                0.5F * (static_cast<float>(plane.at(px, py + 1)) - plane.at(px, py - 1));
            const size_t k = idx(y * gw + x);
            xx[k] = ix * ix;
            xy[k] = ix * iy;
            yy[k] = iy * iy;
        }
    }
    float best = 0.0F;
    for (int y = b; y < gh - b; ++y) {
        for (int x = b; x < gw - b; ++x) {
            float a = 0, c = 0, d = 0;
            for (int v = -b; v <= b; ++v) {
                const size_t row = idx((y + v) * gw);
                for (int u = -b; u <= b; ++u) {
                    const size_t k = row + idx(x + u);
                    a += xx[k];
                    c += xy[k];
                    d += yy[k];
                }
            }
            const float half = 0.5F * (a + d);
            const float s = half - std::sqrt(std::max(0.0F, 0.25F * (a - d) * (a - d) + c * c));
            score[idx(y * gw + x)] = s;
            best = std::max(best, s);
        }
    }
    if (best <= 0.0F) return;

    scratch.candidates.clear();
    const float floor = best * settings.quality;
    for (int y = b; y < gh - b; ++y) {
        for (int x = b; x < gw - b; ++x) {
            const float s = score[idx(y * gw + x)];
            if (s < floor || s <= 0.0F) continue;
            bool isMax = true;
            for (int v = -1; v <= 1 && isMax; ++v) {
                for (int u = -1; u <= 1; ++u) {
                    const int yy2 = y + v, xx2 = x + u;
                    if ((u != 0 || v != 0) && yy2 >= b && yy2 < gh - b && xx2 >= b &&
                        xx2 < gw - b && score[idx(yy2 * gw + xx2)] > s) {
                        isMax = false;
                        break;
                    }
                }
            }
            const float fx = static_cast<float>(gl + x), fy = static_cast<float>(gt + y);
            bool out = false;
            for (const PixelRect& e : excluded) out = out || e.contains(fx, fy);
            if (isMax && !out) scratch.candidates.emplace_back(s, y * gw + x);
        }
    }
    std::sort(scratch.candidates.begin(), scratch.candidates.end(),
              [](const auto& p, const auto& q) { return p.first > q.first; });
    const float min2 = settings.minDistance * settings.minDistance;
    for (const auto& [s, k] : scratch.candidates) {
        const FlowPoint p{static_cast<float>(gl + k % gw), static_cast<float>(gt + k / gw)};
        bool farEnough = true;
        for (const FlowPoint& q : corners) {
            if ((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) < min2) {
                farEnough = false;
                break;
            }
        }
        if (!farEnough) continue;
        corners.push_back(p);
        if (static_cast<int>(corners.size()) >= settings.maxCount) break;
    }
}

}  // namespace quil
