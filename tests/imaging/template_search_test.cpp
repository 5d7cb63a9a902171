#include "imaging/template_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "imaging/circle_mask.h"
#include "imaging/grids.h"
#include "tracker/imaging_steps.h"
#include "tracker/tracker_state.h"

namespace quil {
namespace {

SearchResult searchInReach(TrackerState& s, const Grid& grid) {
    return searchTemplateInReach(
        grid,
        {s.face.latticeOffsets, s.face.latticeReference, s.face.latticeCount, s.face.latticeCentre},
        s.face.searchWindow, {s.session.circleOffsets, s.session.circleCount}, s.face.distanceMap);
}

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

size_t at(int64_t i) { return static_cast<size_t>(i); }

// Where calibration found the eyes: their columns and the eye row.
struct Placement {
    int xA, xB, y0;
};

Grid texture(unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    Grid g(at(kFrameCells));
    for (int32_t& v : g) v = value(rng);
    return g;
}

Grid uniform(int value) { return Grid(at(kFrameCells), value); }

// The picture moved by (dx, dy) with some noise; edges repeat.
Grid moved(const Grid& t, int dx, int dy, int noise, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> jitter(-noise, noise);
    Grid g(at(kFrameCells));
    for (int x = 0; x < kFrameCols; ++x) {
        for (int y = 0; y < kFrameRows; ++y) {
            const int sx = std::clamp(x - dx, 0, kFrameCols - 1);
            const int sy = std::clamp(y - dy, 0, kFrameRows - 1);
            g[at(x * 480 + y)] = std::clamp(t[at(sx * 480 + sy)] + jitter(rng), 0, 255);
        }
    }
    return g;
}

// The lattice, search window and buffers as calibration leaves them.
void calibrate(TrackerState& s, const Grid& frame, Placement p) {
    const int ncols = (p.xB - p.xA + 30) / 10 + 1;
    s.face.latticeOffsets.clear();
    s.face.latticeReference.clear();
    for (int c = 0; c < ncols; ++c) {
        for (int r = 0; r < 6; ++r) {
            const int64_t index = int64_t{p.xA - 15 + 10 * c} * 480 + (p.y0 - 5 + 10 * r);
            s.face.latticeOffsets.push_back(c * 4800 + r * 10);
            s.face.latticeReference.push_back(index >= 0 && index < kFrameCells ? frame[at(index)]
                                                                                : 0);
        }
    }
    s.face.latticeCount = 6 * ncols;
    s.face.latticeCentre = (ncols / 2) * 4800;
    s.face.searchWindow.indices.clear();
    for (int y = p.y0 - 65; y <= p.y0 + 55; ++y) {
        for (int x = p.xA - 85; x <= p.xA + 55; ++x)
            s.face.searchWindow.indices.push_back(x * 480 + y);
        s.face.searchWindow.rectangle = true;
    }
    buildCircleMask(s, 25);
    s.face.circleScratch.assign(at(s.session.circleCount), 0);
    resetDistanceMap(s.face.distanceMap);
}

// The lattice's middle-top point at calibration, where an unchanged face is found.
int32_t calibratedPoint(const TrackerState& s, Placement p) {
    return (p.xA - 15) * 480 + (p.y0 - 5) + s.face.latticeCentre;
}

struct Reference {
    int32_t best = 0;
    float cost = 0.0f;
    bool any = false;
};

// The search written out plainly: every candidate in list order, then every
// map entry normalised.
Reference referenceSearch(const TrackerState& s, const Grid& grid, IntList& map) {
    int32_t min = kIntMax, max = 0;
    Reference r;
    for (int32_t index : s.face.searchWindow.indices) {
        const int64_t p = int64_t{index} + s.face.latticeOffsets[0] + s.face.latticeCentre;
        bool inside = p >= 0 && p < kFrameCells;
        for (int32_t off : s.face.latticeOffsets)
            inside = inside && index + off >= 0 && index + off < kFrameCells;
        if (!inside) continue;
        int32_t sum = 0;
        for (size_t j = 0; j < s.face.latticeOffsets.size(); ++j) {
            sum +=
                std::abs(grid[at(index + s.face.latticeOffsets[j])] - s.face.latticeReference[j]);
        }
        map[at(p)] = sum;
        max = std::max(max, sum);
        if (sum < min) min = sum, r.best = static_cast<int32_t>(p), r.any = true;
    }
    if (!r.any) return r;
    r.cost = static_cast<float>(static_cast<double>(min) / s.face.latticeCount);
    if (max == min) return r;
    for (int32_t& v : map) {
        const double e = std::trunc(static_cast<double>(int64_t{v} - min) * 510.0 / (max - min));
        v = e >= 255 ? 255 : static_cast<int32_t>(std::max<double>(e, kIntMin));
    }
    return r;
}

FaceFix referenceCentroid(const TrackerState& s, const IntList& map, const Reference& r) {
    const int64_t threshold = static_cast<int64_t>((255 - int64_t{map[at(r.best)]}) * 0.2);
    double sx = 0, sy = 0;
    int n = 0;
    for (int32_t off : s.session.circleOffsets) {
        const int64_t q = int64_t{r.best} + off;
        const int64_t dx = static_cast<int64_t>(std::floor((off + 240) / 480.0));
        if (q < 0 || q >= kFrameCells || q / 480 != r.best / 480 + dx) continue;
        if (map[at(q)] < threshold)
            sx += static_cast<double>(q / 480), sy += static_cast<double>(q % 480), ++n;
    }
    if (n == 0)
        return {static_cast<double>(r.best / 480), static_cast<double>(r.best % 480), r.cost};
    return {sx / n, sy / n, r.cost};
}

const Placement kCentre{290, 350, 200};
const Placement kPlacements[] = {
    kCentre,         {15, 75, 200},  // left edge: the window starts 70 columns left of the picture
    {564, 624, 200},                 // right edge: the lattice leaves the picture to the right
    {300, 360, 5},    // top: window rows above the picture wrap into the column before
    {300, 360, 434},  // bottom
    {15, 75, 5},      // the four corners
    {564, 624, 5},   {15, 75, 434}, {564, 624, 434},
    {300, 360, 470},  // the lattice itself runs off the bottom into the next column
};

// The frames of one run: the face moved and noisy, then near-uniform
// pictures whose sums span less than 510 with a high minimum (driving the
// unwritten entries far below it until they saturate), a uniform picture
// where all sums tie, and a brightened one.
std::vector<Grid> frameRun(const Grid& t) {
    std::vector<Grid> frames = {t, moved(t, 4, -3, 5, 1), moved(t, -30, 20, 3, 2)};
    std::mt19937 rng(9);
    for (int k = 0; k < 5; ++k) {
        Grid g = uniform(100);
        for (size_t i = rng() % 8; i < g.size(); i += 8) g[i] += static_cast<int32_t>(rng() % 2);
        frames.push_back(g);
    }
    frames.push_back(uniform(100));
    frames.push_back(moved(t, -6, 5, 2, 3));
    Grid bright = t;
    for (int32_t& v : bright) v = std::min(v + 40, 255);
    frames.push_back(bright);
    frames.push_back(t);
    return frames;
}

TEST(TemplateSearch, MatchesThePlainWholeMapSearchFrameAfterFrameAtEveryEdge) {
    const Grid t = texture(42);
    const std::vector<Grid> frames = frameRun(t);
    for (const Placement& p : kPlacements) {
        SCOPED_TRACE(testing::Message() << "xA " << p.xA << " y0 " << p.y0);
        TrackerState s;
        calibrate(s, t, p);
        IntList refMap(at(kFrameCells), kIntMax);
        IntList wholeMap(at(kFrameCells), kIntMax);
        bool saturated = false;
        int frame = 0;
        for (const Grid& g : frames) {
            SCOPED_TRACE(testing::Message() << "frame " << frame);
            const FaceFix fix = locateFace(s, g);
            const Reference r = referenceSearch(s, g, refMap);
            ASSERT_TRUE(r.any);
            const FaceFix want = referenceCentroid(s, refMap, r);
            EXPECT_EQ(fix.cost, want.cost);
            EXPECT_EQ(fix.faceX, want.faceX);
            EXPECT_EQ(fix.faceY, want.faceY);
            if (frame == 0) {
                EXPECT_EQ(fix.cost, 0.0f);
                EXPECT_EQ(r.best, calibratedPoint(s, p));
            }

            // The whole-map search, on a map of its own (a few placements suffice).
            if (&p == &kPlacements[0] || &p == &kPlacements[5]) {
                const SearchResult whole = searchTemplate(
                    g, s.face.latticeOffsets, s.face.latticeReference, s.face.latticeCount,
                    s.face.searchWindow.indices, s.face.latticeCentre, wholeMap);
                EXPECT_EQ(whole.best, r.best);
                EXPECT_EQ(whole.cost, r.cost);
                ASSERT_EQ(wholeMap, refMap);
            }

            // Every entry a circle around any candidate can read is exact.
            const int64_t base = int64_t{s.face.searchWindow.indices[0]} + s.face.latticeCentre;
            for (int64_t v = -24; v <= 140 + 25; ++v) {
                for (int64_t w = -24; w <= 120 + 24; ++w) {
                    const int64_t k = base + v * 480 + w;
                    if (k >= 0 && k < kFrameCells) {
                        ASSERT_EQ(s.face.distanceMap.values[at(k)], refMap[at(k)]) << k;
                    }
                }
            }
            saturated = saturated || s.face.distanceMap.rest == kIntMin;
            if (frame + 1 == static_cast<int>(frames.size()) && p.xA == 15 && p.y0 == 200) {
                // Back at the calibrated point on the window's left edge: the
                // unwritten entries left of it, far below every sum, count
                // toward the centroid and pull it left.
                EXPECT_EQ(r.best, calibratedPoint(s, p));
                EXPECT_LT(fix.faceX, calibratedPoint(s, p) / 480 - 5);
            }
            ++frame;
        }
        EXPECT_TRUE(saturated);
    }
}

TEST(TemplateSearch, EqualSumsKeepTheCandidateEarliestInTheList) {
    const Grid t = texture(5);
    TrackerState s;
    calibrate(s, t, kCentre);
    const int32_t a = s.face.searchWindow.indices[at(60 * 141 + 70)];  // the calibrated candidate
    // Another exact copy 3 columns right in the same window row comes later
    // in the list; one 3 columns left but a row lower comes later too,
    // although it is further left.
    for (int32_t other : {a + 3 * 480, a - 3 * 480 + 1, a + 1}) {
        Grid g = texture(6);
        for (size_t j = 0; j < s.face.latticeOffsets.size(); ++j) {
            g[at(a + s.face.latticeOffsets[j])] = s.face.latticeReference[j];
            g[at(other + s.face.latticeOffsets[j])] = s.face.latticeReference[j];
        }
        resetDistanceMap(s.face.distanceMap);
        const SearchResult fast = searchInReach(s, g);
        EXPECT_EQ(fast.cost, 0.0f);
        EXPECT_EQ(fast.best, a + s.face.latticeCentre);
        IntList map(at(kFrameCells), kIntMax);
        EXPECT_EQ(
            searchTemplate(g, s.face.latticeOffsets, s.face.latticeReference, s.face.latticeCount,
                           s.face.searchWindow.indices, s.face.latticeCentre, map)
                .best,
            a + s.face.latticeCentre);
    }
    // A copy a row higher comes first in the list and wins.
    Grid g = texture(6);
    const int32_t earlier = a + 5 * 480 - 1;
    for (size_t j = 0; j < s.face.latticeOffsets.size(); ++j) {
        g[at(a + s.face.latticeOffsets[j])] = s.face.latticeReference[j];
        g[at(earlier + s.face.latticeOffsets[j])] = s.face.latticeReference[j];
    }
    resetDistanceMap(s.face.distanceMap);
    const SearchResult r = searchInReach(s, g);
    EXPECT_EQ(r.best, earlier + s.face.latticeCentre);
    EXPECT_EQ(s.face.distanceMap.values[at(r.best)], 0);
    EXPECT_EQ(s.face.distanceMap.values[at(a + s.face.latticeCentre)], 0);
}

TEST(TemplateSearch, CostIsTheMeanDifferencePerPoint) {
    TrackerState s;
    calibrate(s, uniform(100), kCentre);  // 10 lattice columns, 60 points
    ASSERT_EQ(s.face.latticeCount, 60);
    for (int j = 0; j < 30; ++j) s.face.latticeReference[at(j)] = 99;
    // Every candidate sums to 30*45 + 30*46 = 2730: all equal, so the map is
    // left as scored and the best is the first candidate.
    const FaceFix fix = locateFace(s, uniform(145));
    EXPECT_EQ(fix.cost, 45.5f);
    // The threshold (255 - 2730) * 0.2 is negative: no point passes and the
    // face is the best position itself.
    const ColRow first = indexToColRow(s.face.searchWindow.indices[0] + s.face.latticeCentre);
    EXPECT_EQ(fix.faceX, first.column);
    EXPECT_EQ(fix.faceY, first.row);
}

TEST(TemplateSearch, AllSumsEqualLeavesTheMapAsScored) {
    TrackerState s;
    calibrate(s, uniform(100), kCentre);
    const int32_t first = s.face.searchWindow.indices[0] + s.face.latticeCentre;
    const FaceFix fix = locateFace(s, uniform(100));
    EXPECT_EQ(fix.cost, 0.0f);
    EXPECT_EQ(s.face.distanceMap.values[at(first)], 0);
    EXPECT_EQ(s.face.distanceMap.values[at(first - 1)],
              kIntMax);  // above the window, never written
    // The first candidate is the window's top-left corner; the written
    // quarter of the circle (sum 0) is what passes.
    EXPECT_GT(fix.faceX, first / 480);
    EXPECT_GT(fix.faceY, first % 480);
    EXPECT_LT(fix.faceX, first / 480 + 25);
    EXPECT_LT(fix.faceY, first % 480 + 25);
}

TEST(TemplateSearch, NothingToScoreIsALostFaceAtAValidPosition) {
    TrackerState s;
    calibrate(s, texture(1), kCentre);
    // A lattice wider than the picture fits nowhere.
    s.face.latticeOffsets.back() = 700 * 480;
    const FaceFix fix = locateFace(s, texture(2));
    EXPECT_TRUE(std::isinf(fix.cost));
    EXPECT_GE(fix.cost, 45.4545);
    EXPECT_GE(fix.faceX, 0);
    EXPECT_LT(fix.faceX, 640);

    // No map at all, or a short lattice list, must not be overrun either.
    TrackerState bare;
    calibrate(bare, texture(1), kCentre);
    bare.face.distanceMap.values.clear();
    bare.face.circleScratch.clear();
    EXPECT_TRUE(std::isinf(locateFace(bare, texture(2)).cost));
    calibrate(bare, texture(1), kCentre);
    bare.face.latticeCount = 500;
    bare.face.circleScratch.resize(10);
    EXPECT_EQ(locateFace(bare, texture(1)).cost, 0.0f);

    IntList empty;
    const SearchResult r = searchTemplate(texture(2), s.face.latticeOffsets,
                                          s.face.latticeReference, s.face.latticeCount,
                                          s.face.searchWindow.indices, s.face.latticeCentre, empty);
    EXPECT_TRUE(std::isinf(r.cost));
    EXPECT_EQ(r.best, 0);
}

}  // namespace
}  // namespace quil
