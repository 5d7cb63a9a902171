// The template search: finds the calibrated face lattice again in a new frame.
#pragma once

#include <cstdint>
#include <limits>
#include <span>

#include "imaging/feature_set.h"

namespace quil {

inline constexpr int kSearchCandidates = 17061;  // 141 columns x 121 rows
inline constexpr int kSearchWindowCols = 141;
inline constexpr int kSearchWindowRows = 121;
inline constexpr int32_t kDistanceMapStart = std::numeric_limits<int32_t>::max();

// The calibrated face: lattice offsets and the reference samples taken there.
// The search names a candidate by the lattice point `centre` away from it.
struct FaceLattice {
    std::span<const int32_t> offsets;
    std::span<const int32_t> reference;
    int count = 0;
    int centre = 0;
};

// The candidate positions of the lattice's first point. `rectangle` says they
// are laid out as calibration builds them: 121 rows of 141 candidates, each
// row left to right one pixel apart, starting at indices[0].
struct SearchWindow {
    IntList indices;
    bool rectangle = false;
};

// The normalised distance of every position to the template. `rest` is the
// one value shared by every entry that no candidate writes; the search keeps
// it in `values` only where a circle around a candidate can read.
struct DistanceMap {
    IntList values;
    int32_t rest = kDistanceMapStart;
};

// The disc the face centroid is taken over: frame-grid offsets.
struct CircleMask {
    std::span<const int32_t> offsets;
    int count = 0;
};

struct SearchResult {
    int32_t best = 0;   // grid index of the best position (the lattice's middle-top point)
    float cost = 0.0f;  // mean absolute difference per lattice point there
    // The same mean in full precision, for reports; +infinity like cost.
    double meanDifference = 0.0;
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
    double meanDifference = 0.0;  // as in SearchResult
};

// Fills the distance map with its starting value and resets the value kept
// for its unwritten entries. Calibration calls this once the search window is
// built.
void resetDistanceMap(DistanceMap& map);

// Gives exactly the results of searchTemplate, but keeps the map exact only
// where the circle mask around a candidate can reach (see DistanceMap). The
// window and the lattice must stay the same from one reset of the map
// (resetDistanceMap, or a fill with the starting value, which is recognised)
// to the next.
SearchResult searchTemplateInReach(const Grid& grid, const FaceLattice& lattice,
                                   const SearchWindow& window, const CircleMask& circle,
                                   DistanceMap& map);

// The search followed by the centroid of the low-distance positions within
// the circle mask around the best one. Mask points that would leave the
// picture or wrap into another column are left out; when no point qualifies
// the face is the best position itself. circleScratch receives the distances
// read under the mask, as far as it reaches.
FaceFix locateFace(const Grid& grid, const FaceLattice& lattice, const SearchWindow& window,
                   const CircleMask& circle, DistanceMap& map, IntList& circleScratch);

}  // namespace quil
