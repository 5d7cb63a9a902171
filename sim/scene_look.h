// The appearance of a scene's person and room, drawn from the seed: sizes,
// colours and the texture images the renderer samples.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quil::sim {

// Small deterministic generator (splitmix64).
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
};

struct Rgb {
    float r = 0, g = 0, b = 0;
};

// Drawing helpers both renderers share. smooth01: a smooth step on [0, 1];
// cover: how much of a pixel a shape covers whose signed distance (negative
// inside) is d; mix, scale, add: colour arithmetic.
inline double smooth01(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}
inline double cover(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }
inline Rgb mix(Rgb a, Rgb b, double t) {
    const auto f = static_cast<float>(t);
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}
inline Rgb scale(Rgb c, double k) {
    const auto f = static_cast<float>(k);
    return {c.r * f, c.g * f, c.b * f};
}
inline Rgb add(Rgb c, double v) {
    const auto f = static_cast<float>(v);
    return {c.r + f, c.g + f, c.b + f};
}

// A square texture of values around 0, sampled with bilinear interpolation;
// coordinates outside wrap around.
struct Texture {
    int size = 0;
    std::vector<float> v;
    float at(double x, double y) const;
};

// Sum of value-noise octaves; scales in pixels, amplitudes per octave.
Texture makeNoise(Rng& rng, int size, const std::vector<double>& scales,
                  const std::vector<double>& amplitudes, double stretchY = 1.0);

struct Look {
    // Geometry in head-local pixels (anchor midway between the eyes).
    double a = 85;       // half the face's width
    double eyeGap = 38;  // anchor to each eye's centre
    double eyeHalfW = 18;
    double eyeHalfH = 6.5;
    double irisR = 7;
    double mouthY = 72;
    double mouthDrop = 14;  // jaw travel with the mouth fully open
    double restX = 320;
    double restY = 210;
    // Light: a gain on the whole picture, and how much the face is lit from
    // the side (the defaults leave the seed's look as it is).
    double brightness = 1.0;
    double sideLight = 0.0;
    // Colours.
    Rgb skin, hair, iris, lips, shirt;
    // Textures.
    Texture skinTex, hairTex, shirtTex;
    // The room behind the person, RGB floats row-major top-down.
    std::vector<float> room;
    // Slow sway of a still person: phases of three sinusoids per axis.
    double microPhase[6] = {};
    double wander = 1.0;  // its size, as a share of the usual
    uint64_t noiseSeed = 1;
};

void makeLook(Look& look, uint64_t seed);

struct LookTweaks;
// Moves the person nearer or farther (every size scales) and sets the light.
void applyTweaks(Look& look, const LookTweaks& tweaks);

}  // namespace quil::sim
