// The template search: finds the calibrated face lattice again in a new frame.
#pragma once

#include <cstdint>

#include "imaging/feature_set.h"
#include "tracker/tracker_state.h"

namespace quil {

inline constexpr int kSearchCandidates = 17061;  // 141 columns x 121 rows

struct SearchResult {
    int32_t best = 0;   // grid index of the best position (the lattice's middle-top point)
    float cost = 0.0f;  // mean absolute difference per lattice point there
};

// Scores every candidate by the sum of absolute differences, writes the sums
// into distanceMap and normalises the whole map to 0..255.
//
// A candidate any of whose lattice points falls outside the grid, or whose
// map position falls outside the map, is skipped. When no candidate is left
// the cost is +infinity (which the tracker treats as a lost face) and best is
// still an index inside the map (0 for an empty map). When all sums are equal
// the map is left unnormalised for that frame.
SearchResult searchTemplate(const Grid& grid, const IntList& latticeOffsets,
                            const IntList& latticeReference, int latticeCount,
                            const IntList& searchIndices, int latticeCentre, IntList& distanceMap);

struct FaceFix {
    double faceX = 0.0;  // frame column
    double faceY = 0.0;  // top-down frame row
    float cost = 0.0f;
};

// Fills the distance map with its starting value (2147483647) and resets the
// value kept for its unwritten entries. Calibration calls this once the
// search window is built.
void resetDistanceMap(TrackerState& s);

// The search on the state's fields. Gives exactly the results of
// searchTemplate, but keeps the state's distance map exact only where the
// circle mask around a candidate can reach; the value of every entry that no
// candidate writes is kept in distanceMapRest. The candidate list and the
// lattice must stay the same from one reset of the map (resetDistanceMap, or
// a fill with 2147483647, which is recognised) to the next.
SearchResult searchTemplateInReach(TrackerState& s, const Grid& grid);

// The search followed by the centroid of the low-distance positions within
// the circle mask around the best one. Mask points that would leave the
// picture or wrap into another column are left out; when no point qualifies
// the face is the best position itself. Uses the state's lattice, search
// window, distance map, circle mask and circle scratch.
FaceFix locateFace(TrackerState& s, const Grid& grid);

}  // namespace quil
