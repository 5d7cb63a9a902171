// What a recorded clip shows, frame by frame, for scoring a replay of it: a
// small text file of labelled frame intervals and a reference point per
// frame.
//
//   # a comment; blank lines are skipped
//   fps 25                  the clip's frame rate (or NUM/DEN); frames count from 0
//   visible 0 1099          KIND FIRST LAST: the person does KIND over frames
//   talking 0 474           FIRST..LAST, both included
//   nose 0 322.5 251.0      FRAME X Y: the reference point, 640x480 pixels,
//                           rows from the top
//
// Kinds: visible (the face in view, facing the camera), eyes (both eyes
// closed on purpose), mouth (the mouth opened wide on purpose), dwell (the
// head held still on a target), still (the head not moved on purpose),
// talking, blinking, moving (the head moved on purpose), hidden (the face
// covered or turned away: not in view, and no reference point there,
// whatever else says so), and hand (a hand before a face still in view: for
// the reader; scoring takes no notice of it). Reference points count only
// where the face is in view.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace quil::sim {

struct ClipLabels {
    int64_t rateNum = 0;  // frames per second = rateNum / rateDen
    int64_t rateDen = 1;
    std::vector<uint16_t> doing;  // per frame: Doing flags
    std::vector<std::optional<std::array<double, 2>>> reference;

    // The flags and the reference point of frame f (none past the labels).
    uint16_t doingAt(int64_t frame) const;
    std::optional<std::array<double, 2>> referenceAt(int64_t frame) const;
};

// False with error set (naming the line) on anything it cannot read.
bool parseClipLabels(std::istream& in, ClipLabels& labels, std::string& error);
bool readClipLabels(const std::string& path, ClipLabels& labels, std::string& error);

}  // namespace quil::sim
