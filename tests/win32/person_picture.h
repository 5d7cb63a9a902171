// A person drawn for the stand-in camera closely enough to a real face that
// a face detector trained on photographs finds it, and with skin that has
// texture for points to be followed on: hair, brows, eyes with whites and
// irises, a shaded nose, lips, a neck and a shirt, lit from one side.
#pragma once

#include <cstdint>
#include <span>

namespace quil::wintest {

struct FacePose;

// Draws the person in the pose over the room, into a 640 x 480 bottom-up
// blue-green-red frame.
void renderPerson(const FacePose& pose, std::span<uint8_t> bgr);

}  // namespace quil::wintest
