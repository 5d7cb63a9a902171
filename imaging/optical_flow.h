// Following points from one picture to the next: grey planes and their
// pyramids, corners worth following, and pyramidal Lucas-Kanade.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace quil {

// A grey picture, rows top-down, one byte a pixel, no padding.
struct GreyPlane {
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;

    // Keeps the storage when the size does not grow.
    void resize(int w, int h);
    [[nodiscard]] uint8_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Level 0 is the picture; each level above is half the one below.
inline constexpr int kPyramidLevels = 3;
struct Pyramid {
    std::array<GreyPlane, kPyramidLevels> levels;
};

// The plane at half size, each pixel the mean of a 2 x 2 block.
void halve(const GreyPlane& from, GreyPlane& to);
// Fills levels 1 and up from level 0.
void buildPyramid(Pyramid& pyramid);

struct FlowPoint {
    float x = 0.0F;
    float y = 0.0F;
};

// A rectangle of pixels: left and top included, right and bottom excluded.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] bool contains(float x, float y) const {
        return x >= static_cast<float>(left) && x < static_cast<float>(right) &&
               y >= static_cast<float>(top) && y < static_cast<float>(bottom);
    }
};

// Lucas-Kanade settings: the window's half size, and when to stop refining.
struct FlowSettings {
    int halfWindow = 7;
    int iterations = 10;
    float stopStep = 0.02F;  // pixels
    // A window whose weaker gradient direction (smaller eigenvalue of the
    // structure tensor, per pixel) is below this cannot be placed reliably.
    float minTexture = 1.0F;
};

// Each point of `points` (level-0 coordinates in `from`) looked for in `to`:
// its place in found and ok = 1, or ok = 0 when it left the picture or its
// window is too flat. The three output spans have the points' length.
void trackPoints(const Pyramid& from, const Pyramid& to, std::span<const FlowPoint> points,
                 std::span<FlowPoint> found, std::span<uint8_t> ok,
                 const FlowSettings& settings = {});

struct CornerSettings {
    int maxCount = 30;
    float minDistance = 8.0F;
    // Corners weaker than this share of the strongest are dropped.
    float quality = 0.02F;
    int blockHalf = 2;  // the structure tensor's window: 5 x 5
};

// Working memory of findCorners, kept between calls.
struct CornerScratch {
    std::vector<float> maps;
    std::vector<std::pair<float, int32_t>> candidates;
};

// The strongest corners (Shi-Tomasi: smallest eigenvalue of the structure
// tensor) inside `area` and outside every rectangle of `excluded`, at least
// minDistance apart, strongest first, into corners (cleared first).
void findCorners(const GreyPlane& plane, PixelRect area, std::span<const PixelRect> excluded,
                 const CornerSettings& settings, std::vector<FlowPoint>& corners,
                 CornerScratch& scratch);

}  // namespace quil
