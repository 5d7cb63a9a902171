// Kept apart from the rest of click generation so that code exercising the
// event logic with a stand-in sampler does not pull in the block sampler.
#include "imaging/block_sampler.h"
#include "pointer/clicks.h"

namespace quil {

void detectEvents(TrackerState& s, double faceX, double faceY) {
    detectEvents(s, faceX, faceY, static_cast<PatchSampler>(&sampleBlocks));
}

}  // namespace quil
