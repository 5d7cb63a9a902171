// The paint on the lifelike head's surface: skin, hair, brows, eyes and lids,
// nostrils, lips and the inside of the mouth, stubble, at a point of the
// face's own frame. Shared by the mesh (where the hair lies) and the shading.
#pragma once

#include "sim/head3d.h"
#include "sim/scene.h"

namespace quil::sim {

// How far down the hair reaches at a point across the head (u, pixels of the
// face's frame) and around it (front: 1 the face .. -1 the back).
double hairlineAt(const RealLook& L, double u, double front);

struct FacePaint {
    const RealLook& L;
    const Pose& P;
    // The colour at (u, v) of the rest face, vd being v after the jaw's drop,
    // before light; gloss is how much it shines.
    Rgb at(double u, double v, double vd, double front, double& gloss) const;
};

}  // namespace quil::sim
