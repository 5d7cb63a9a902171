#include "imaging/template_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "imaging/grids.h"

namespace quil {

namespace {

// The search window as calibration lays it out: 121 rows of 141 candidates,
// each row left to right, one pixel apart.
constexpr int kWindowCols = kSearchWindowCols;
constexpr int kWindowRows = kSearchWindowRows;
static_assert(kWindowCols * kWindowRows == kSearchCandidates);

constexpr int32_t kMapStart = kDistanceMapStart;
constexpr double kNormalisedSpan = 510.0;  // the range min..max maps onto 0..510
constexpr int32_t kNormalisedCap = 255;
constexpr double kCentroidShare = 0.2;  // of the normalised range above the best entry
constexpr float kLostCost = std::numeric_limits<float>::infinity();

size_t at(int64_t i) { return static_cast<size_t>(i); }

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Column difference of a circle offset dy + dx*480 (|dy| < 240).
int64_t offsetColumn(int32_t off) { return floorDiv(int64_t{off} + kFrameRows / 2, kFrameRows); }

// (v - min) * 510 / (max - min), truncated, capped at 255 from above and at
// the int range from below: entries that no candidate writes can lie far
// below min and fall further every frame.
int32_t normalise(int32_t v, int32_t min, int32_t max) {
    const double e =
        std::trunc(static_cast<double>(int64_t{v} - min) * kNormalisedSpan / (int64_t{max} - min));
    if (e >= kNormalisedCap) return kNormalisedCap;
    if (e < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(e);
}

struct Lattice {
    const int32_t* offsets = nullptr;
    const int32_t* reference = nullptr;
    int count = 0;
    int64_t first = 0;  // offset of the first point, which names the map position
    int64_t low = 0;    // smallest and largest offset
    int64_t high = 0;
};

Lattice makeLattice(std::span<const int32_t> offsets, std::span<const int32_t> reference,
                    int count) {
    Lattice l;
    l.count = std::max(
        0, std::min({count, static_cast<int>(offsets.size()), static_cast<int>(reference.size())}));
    if (l.count == 0) return l;
    l.offsets = offsets.data();
    l.reference = reference.data();
    l.first = offsets[0];
    const auto [lo, hi] = std::minmax_element(offsets.begin(), offsets.begin() + l.count);
    l.low = *lo;
    l.high = *hi;
    return l;
}

// Candidate indices whose every lattice point lies in the grid and whose
// written position lies in the map.
struct Bounds {
    int64_t lo = 0;
    int64_t hi = -1;
    bool holds(int64_t index) const { return index >= lo && index <= hi; }
};

Bounds candidateBounds(const Lattice& l, int64_t centre, int64_t gridSize, int64_t mapSize) {
    if (l.count == 0) return {};
    return {std::max(-l.low, -(l.first + centre)),
            std::min(gridSize - 1 - l.high, mapSize - 1 - l.first - centre)};
}

// Candidates of one window column that the bounds allow, as window rows.
struct RowRange {
    int lo = 0;
    int hi = -1;
};

RowRange columnRange(int64_t columnBase, const Bounds& b) {
    return {static_cast<int>(std::clamp<int64_t>(b.lo - columnBase, 0, kWindowRows)),
            static_cast<int>(std::clamp<int64_t>(b.hi - columnBase, -1, kWindowRows - 1))};
}

struct Scores {
    int32_t min = kMapStart;
    int32_t max = 0;
    int64_t best = -1;     // map position
    int64_t bestItem = 0;  // its place in the candidate list
    bool any() const { return best >= 0; }
    // Strict "<" in list order: among equal sums the earliest candidate stays.
    void add(int32_t sum, int64_t position, int64_t item) {
        if (sum > max) max = sum;
        if (sum < min || (sum == min && item < bestItem)) {
            min = sum;
            best = position;
            bestItem = item;
        }
    }
};

int32_t latticeSum(const int32_t* grid, int64_t index, const Lattice& l) {
    int32_t s = 0;
    for (int j = 0; j < l.count; ++j) s += std::abs(grid[index + l.offsets[j]] - l.reference[j]);
    return s;
}

// Scores the candidates in list order, one at a time.
Scores scoreList(const Grid& grid, const Lattice& l, const IntList& indices, int64_t centre,
                 IntList& map) {
    Scores sc;
    const Bounds b = candidateBounds(l, centre, static_cast<int64_t>(grid.size()),
                                     static_cast<int64_t>(map.size()));
    const int64_t n = std::min<int64_t>(kSearchCandidates, static_cast<int64_t>(indices.size()));
    for (int64_t i = 0; i < n; ++i) {
        const int64_t index = indices[at(i)];
        if (!b.holds(index)) continue;
        const int32_t s = latticeSum(grid.data(), index, l);
        const int64_t p = l.first + index + centre;
        map[at(p)] = s;
        sc.add(s, p, i);
    }
    return sc;
}

// Scores the calibration window a column at a time: the candidates of one
// window column are consecutive grid cells, so each lattice point adds into
// all of them with one contiguous pass.
Scores scoreWindow(const Grid& grid, const Lattice& l, int64_t base, const Bounds& b,
                   int64_t centre, IntList& map) {
    Scores sc;
    constexpr int kLanes = 8;
    std::array<int32_t, kWindowRows> acc{};
    for (int c = 0; c < kWindowCols; ++c) {
        const int64_t columnBase = base + int64_t{c} * kFrameRows;
        const RowRange rr = columnRange(columnBase, b);
        if (rr.lo > rr.hi) continue;
        const int len = rr.hi - rr.lo + 1;
        int32_t* a = acc.data() + rr.lo;
        // Eight candidates at a time, their sums held in registers across
        // the whole lattice.
        int r0 = 0;
        for (; r0 + kLanes <= len; r0 += kLanes) {
            std::array<int32_t, kLanes> sum{};
            for (int j = 0; j < l.count; ++j) {
                const int32_t* g = grid.data() + (columnBase + rr.lo + r0 + l.offsets[j]);
                const int32_t ref = l.reference[j];
                for (int k = 0; k < kLanes; ++k) sum[at(k)] += std::abs(g[k] - ref);
            }
            std::copy(sum.begin(), sum.end(), a + r0);
        }
        for (; r0 < len; ++r0) {
            a[r0] = latticeSum(grid.data(), columnBase + rr.lo + r0, l);
        }
        for (int r = rr.lo; r <= rr.hi; ++r) {
            const int64_t p = l.first + columnBase + r + centre;
            map[at(p)] = acc[at(r)];
            sc.add(acc[at(r)], p, int64_t{r} * kWindowCols + c);
        }
    }
    return sc;
}

SearchResult finish(const Scores& sc, const Lattice& l, int64_t fallbackBest, size_t mapSize) {
    if (!sc.any()) {
        // Nothing could be scored: a lost face, at a position inside the map.
        const int64_t best =
            mapSize == 0 ? 0
                         : std::clamp<int64_t>(fallbackBest, 0, static_cast<int64_t>(mapSize) - 1);
        return {static_cast<int32_t>(best), kLostCost, std::numeric_limits<double>::infinity()};
    }
    const double mean = static_cast<double>(sc.min) / l.count;
    return {static_cast<int32_t>(sc.best), static_cast<float>(mean), mean};
}

void normaliseAll(IntList& map, const Scores& sc) {
    for (int32_t& v : map) v = normalise(v, sc.min, sc.max);
}

void fillClipped(IntList& map, int64_t from, int64_t to, int32_t value) {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, static_cast<int64_t>(map.size()) - 1);
    if (from <= to) std::fill(map.begin() + from, map.begin() + to + 1, value);
}

// Extent of the circle mask in columns and rows, always including the centre.
struct Reach {
    int64_t dxMin = 0, dxMax = 0, dyMin = 0, dyMax = 0;
};

Reach circleReach(const CircleMask& circle) {
    Reach r;
    const auto& offsets = circle.offsets;
    const int n = std::min(circle.count, static_cast<int>(offsets.size()));
    for (int i = 0; i < n; ++i) {
        const int64_t dx = offsetColumn(offsets[at(i)]);
        const int64_t dy = offsets[at(i)] - dx * kFrameRows;
        r.dxMin = std::min(r.dxMin, dx);
        r.dxMax = std::max(r.dxMax, dx);
        r.dyMin = std::min(r.dyMin, dy);
        r.dyMax = std::max(r.dyMax, dy);
    }
    return r;
}

}  // namespace

SearchResult searchTemplate(const Grid& grid, const IntList& latticeOffsets,
                            const IntList& latticeReference, int latticeCount,
                            const IntList& searchIndices, int latticeCentre, IntList& distanceMap) {
    const Lattice l = makeLattice(latticeOffsets, latticeReference, latticeCount);
    const Scores sc = scoreList(grid, l, searchIndices, latticeCentre, distanceMap);
    if (sc.any() && sc.max > sc.min) normaliseAll(distanceMap, sc);
    const int64_t first = searchIndices.empty() ? 0 : searchIndices[0] + l.first + latticeCentre;
    return finish(sc, l, first, distanceMap.size());
}

void resetDistanceMap(DistanceMap& map) {
    map.values.assign(at(kFrameCells), kMapStart);
    map.rest = kMapStart;
}

// Every entry that no candidate writes starts at the same value and goes
// through the same normalisations, so one scalar stands for all of them and
// the map only needs that value where a circle around a candidate can read.
SearchResult searchTemplateInReach(const Grid& grid, const FaceLattice& lattice,
                                   const SearchWindow& window, const CircleMask& circle,
                                   DistanceMap& distances) {
    IntList& map = distances.values;
    const Lattice l = makeLattice(lattice.offsets, lattice.reference, lattice.count);
    const int64_t centre = lattice.centre;
    const Reach reach = circleReach(circle);
    const int64_t spanRows = kWindowRows + reach.dyMax - reach.dyMin;
    const int64_t firstPosition = window.indices.empty() ? 0 : window.indices[0] + l.first + centre;

    // Any other candidate list, or a mask so tall that its reach from one
    // window column overlaps the next, takes the whole-map way.
    const bool rectangle = window.rectangle && window.indices.size() == at(kSearchCandidates);
    if (!rectangle || spanRows > kFrameRows) {
        const Scores sc = scoreList(grid, l, window.indices, centre, map);
        if (sc.any() && sc.max > sc.min) {
            normaliseAll(map, sc);
            distances.rest = normalise(distances.rest, sc.min, sc.max);
        }
        return finish(sc, l, firstPosition, map.size());
    }

    const int64_t base = window.indices[0];
    const Bounds b = candidateBounds(l, centre, static_cast<int64_t>(grid.size()),
                                     static_cast<int64_t>(map.size()));
    // A written position still at the starting value means the map was just
    // filled, whoever filled it: every unwritten entry holds that value too.
    for (int c = 0; c < kWindowCols; ++c) {
        const RowRange rr = columnRange(base + int64_t{c} * kFrameRows, b);
        if (rr.lo > rr.hi) continue;
        if (map[at(l.first + base + int64_t{c} * kFrameRows + rr.lo + centre)] == kMapStart) {
            distances.rest = kMapStart;
        }
        break;
    }

    const Scores sc = scoreWindow(grid, l, base, b, centre, map);
    if (!sc.any() || sc.max == sc.min) return finish(sc, l, firstPosition, map.size());

    // Normalise the written entries and lay the unwritten value over every
    // other entry that a circle around a written one can reach. In index
    // terms that is, for each column of the window widened by the mask,
    // the window's rows widened by the mask.
    const int32_t rest = normalise(distances.rest, sc.min, sc.max);
    distances.rest = rest;
    const int64_t positionBase = base + l.first + centre;
    for (int64_t v = reach.dxMin; v < kWindowCols + reach.dxMax; ++v) {
        const int64_t columnBase = positionBase + v * kFrameRows;
        const int64_t top = columnBase + reach.dyMin;
        const int64_t bottom = columnBase + kWindowRows - 1 + reach.dyMax;
        const RowRange rr =
            v >= 0 && v < kWindowCols ? columnRange(base + v * kFrameRows, b) : RowRange{};
        if (rr.lo > rr.hi) {
            fillClipped(map, top, bottom, rest);
            continue;
        }
        fillClipped(map, top, columnBase + rr.lo - 1, rest);
        for (int64_t p = columnBase + rr.lo; p <= columnBase + rr.hi; ++p) {
            map[at(p)] = normalise(map[at(p)], sc.min, sc.max);
        }
        fillClipped(map, columnBase + rr.hi + 1, bottom, rest);
    }
    return finish(sc, l, firstPosition, map.size());
}

// The face is the centroid of the positions around the best candidate whose
// normalised distance lies in the lowest tenth of the frame's range.
FaceFix locateFace(const Grid& grid, const FaceLattice& lattice, const SearchWindow& window,
                   const CircleMask& circle, DistanceMap& distances, IntList& circleScratch) {
    const SearchResult r = searchTemplateInReach(grid, lattice, window, circle, distances);
    const ColRow bestAt = indexToColRow(r.best);
    FaceFix fix{static_cast<double>(bestAt.column), static_cast<double>(bestAt.row), r.cost,
                r.meanDifference};
    const IntList& map = distances.values;
    if (!std::isfinite(r.cost) || at(r.best) >= map.size()) return fix;

    const int64_t threshold =
        static_cast<int64_t>((int64_t{kNormalisedCap} - map[at(r.best)]) * kCentroidShare);
    const int n = std::min(circle.count, static_cast<int>(circle.offsets.size()));
    const int64_t mapSize = static_cast<int64_t>(map.size());
    double sumX = 0.0;
    double sumY = 0.0;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t off = circle.offsets[at(i)];
        const int64_t q = int64_t{r.best} + off;
        // A point past the picture's edge would wrap into another column.
        const bool inside =
            q >= 0 && q < mapSize && q / kFrameRows == bestAt.column + offsetColumn(off);
        const int32_t value = inside ? map[at(q)] : kMapStart;  // kMapStart never counts
        if (at(i) < circleScratch.size()) circleScratch[at(i)] = value;
        if (value < threshold) {
            const ColRow p = indexToColRow(static_cast<int32_t>(q));
            sumX += p.column;
            sumY += p.row;
            ++count;
        }
    }
    if (count > 0) {
        fix.faceX = sumX / count;
        fix.faceY = sumY / count;
    }
    return fix;
}

}  // namespace quil
