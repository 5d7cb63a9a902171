// A head in three dimensions for the lifelike scenes: a mesh of skull and
// face (nose, brow ridge, cheeks, chin, ears, a layer of hair) that turns,
// nods and tilts in front of a perspective camera, drawn through a depth
// buffer and shaded from a light. Eyes, lids, brows, lips and the inside of
// the mouth are painted on the surface in the face's own coordinates, so
// they turn with it. The flat scenes never use it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/scene_look.h"

namespace quil::sim {

struct Pose;

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

// How a lifelike person looks: drawn from the seed with a generator of its
// own, so that the flat scenes' draws stay as they were. Sizes are pixels of
// the head's own frame at rest: x to the picture's right, y down, z toward
// the camera; the origin is midway between the eyes, at the skull's middle.
struct RealLook {
    double a = 85;  // half the face's width
    double eyeGap = 38, eyeHalfW = 18, eyeHalfH = 6.5, irisR = 7;
    double mouthY = 80, mouthDrop = 30, lipHalf = 25;
    double noseTipY = 40;  // the nose tip's height below the eyes
    Rgb skin, hair, brow, iris, lips;
    double stubble = 0;    // 0 clean-shaven .. 1 a full beard
    bool glasses = false;  // dark frames in front of the eyes
    Rgb frame;
    bool lowRes = false;             // a 320x240 camera scaled up to 640x480
    double noiseGain = 1;            // this camera's sensor noise against a good one's
    Vec3 light{-0.35, -0.45, 0.82};  // toward the light, unit length
    double ambient = 0.3, diffuse = 0.8;
    Texture skinTex, hairTex, beardTex;
};

// Without variety: no glasses, beard, low resolution, noisy camera or side light.
void makeRealLook(RealLook& look, uint64_t seed, double faceScale, bool variety);

class RealHead {
public:
    explicit RealHead(const RealLook& look);

    // Draws the head over rgb (640x480 RGB floats, rows from the top) in the
    // pose; every write stays within the picture.
    void render(const Pose& pose, std::vector<float>& rgb);
    // Where the nose tip shows in the picture for a pose.
    std::array<double, 2> noseTip(const Pose& pose) const;
    // The head's pixels in the last render (depth buffer written), for tests.
    int coveredPixels() const { return covered_; }
    const RealLook& look() const { return look_; }

private:
    struct Vertex {
        Vec3 p;        // rest position
        Vec3 n;        // rest normal
        double front;  // toward the face (1) .. the back of the head (-1)
    };
    struct Placed {
        double sx, sy, depth;  // picture position and distance from the camera
        Vec3 n;                // turned normal
        double vd;             // height in the face's frame after the jaw drops
    };
    struct Frame;  // a pose's rotation and placement

    void buildMesh();
    Vec3 surface(double lon, double lat) const;
    Frame frameOf(const Pose& pose) const;
    std::array<double, 3> project(const Frame& f, Vec3 p) const;
    void place(const Pose& pose, const Frame& f);
    void rasterise(int tri, int x0, int y0, int x1, int y1);
    void drawGlasses(const Frame& f, std::vector<float>& rgb);

    RealLook look_;
    int cols_ = 0, rows_ = 0;
    std::vector<Vertex> mesh_;
    Vec3 tip_;  // the nose tip at rest
    std::vector<Placed> placed_;
    std::vector<std::array<int, 3>> tris_;
    // Depth buffer: nearest distance, triangle and two barycentric weights.
    std::vector<float> depth_, w1_, w2_;
    std::vector<int> tri_;
    int bx0_ = 0, by0_ = 0, bx1_ = -1, by1_ = -1;  // the box last drawn into
    int covered_ = 0;
};

}  // namespace quil::sim
