#include "imaging/block_sampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "imaging/grids.h"

namespace quil {
namespace {

size_t at(int i) { return static_cast<size_t>(i); }

// One region's sampler set-up: block shape, search range, grid size and the
// offset list of the block as the tracker builds it for that region.
struct Region {
    int bw, bh, search, rows, cols;
    IntList offsets;

    int blockRows() const { return rows / bh; }
    int blockCols() const { return cols / bw; }
    int blockIndex(int bc, int br) const { return bc * blockRows() + br; }
    int blockStart(int bc, int br) const { return bc * bw * rows + br * bh; }

    FeatureSet run(const IntList& current, const IntList& previous, SamplerScratch& scratch) const {
        FeatureSet result;
        allocFeatureSet(result, blockRows() * blockCols());
        sampleBlocks({bw, bh, search, search, rows, cols}, current, previous, result, offsets,
                     neighbourOffsetsFor(blockRows()), scratch);
        return result;
    }
    FeatureSet run(const IntList& current, const IntList& previous) const {
        SamplerScratch scratch;
        return run(current, previous, scratch);
    }
};

Region wholeFrame() { return {10, 10, 10, 480, 640, makeBlockOffsets(10, 10, 480)}; }
// The head box's blocks are 36 consecutive samples of one column.
Region headBox() { return {6, 6, 5, 90, 72, makeBlockOffsets(6, 6, 6)}; }
Region eyePatch() { return {5, 5, 5, 37, 61, makeBlockOffsets(5, 5, 37)}; }

IntList randomTexture(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    IntList grid(at(n));
    for (int32_t& v : grid) v = value(rng);
    return grid;
}

std::vector<int> nonZeroBlocks(const IntList& a) {
    std::vector<int> out;
    for (size_t b = 0; b < a.size(); ++b) {
        if (a[b] != 0) out.push_back(static_cast<int>(b));
    }
    return out;
}

void expectAllZero(const FeatureSet& r) {
    for (const IntList* a : {&r.mask, &r.upShift, &r.downShift, &r.leftShift, &r.rightShift}) {
        EXPECT_TRUE(nonZeroBlocks(*a).empty());
    }
}

// The sampler step by step as a plain loop, copying each block's previous
// samples and computing every cost in full, to check the fast path against.
FeatureSet referenceSampler(const Region& g, const IntList& current, const IntList& previous) {
    const int R = g.rows, blockRows = g.blockRows(), blockCols = g.blockCols();
    const int N = blockRows * blockCols, A = g.bw * g.bh;
    const auto nb = neighbourOffsetsFor(blockRows);
    FeatureSet r;
    allocFeatureSet(r, N);
    IntList zero(at(N), 0), count(at(N), 0), P(at(A));
    const int margin = g.search <= g.bw ? 1 : (g.search + g.bw - 1) / g.bw;
    auto cost = [&](int s, int p, int q) {
        int c = 0;
        for (int k = 0; k < A; ++k)
            c += std::abs(P[at(k)] - current[at(s + p * R + q + g.offsets[at(k)])]);
        return c;
    };
    auto copyP = [&](int s) {
        for (int k = 0; k < A; ++k) P[at(k)] = previous[at(s + g.offsets[at(k)])];
    };
    for (int bc = margin; bc <= blockCols - margin - 1; ++bc) {
        for (int br = margin; br <= blockRows - margin - 1; ++br) {
            const int s = g.blockStart(bc, br), b = g.blockIndex(bc, br);
            copyP(s);
            zero[at(b)] = cost(s, 0, 0);
            if (zero[at(b)] / A > 8) {
                for (int m : nb) r.mask[at(b + m)] = 1;
            }
        }
    }
    for (int bc = 1; bc <= blockCols - 2; ++bc) {
        for (int br = 1; br <= blockRows - 2; ++br) {
            const int b = g.blockIndex(bc, br);
            if (r.mask[at(b)] != 1) continue;
            for (int m = 1; m < 9; ++m) count[at(b)] += r.mask[at(b + nb[at(m)])] == 0;
        }
    }
    for (int b = 0; b < N; ++b) {
        if (count[at(b)] > 2) r.mask[at(b)] = 0;
    }
    for (int bc = margin; bc <= blockCols - margin - 1; ++bc) {
        for (int br = margin; br <= blockRows - margin - 1; ++br) {
            const int s = g.blockStart(bc, br), b = g.blockIndex(bc, br);
            if (r.mask[at(b)] == 0) continue;
            copyP(s);
            int best = 1000000, dx = 0, dy = 0;
            for (int j = -g.search, i = g.search; j < i; ++j, --i) {
                if (cost(s, j, 0) <= best) best = cost(s, j, 0), dx = j;
                if (cost(s, i, 0) <= best) best = cost(s, i, 0), dx = i;
            }
            if (zero[at(b)] <= best) dx = 0;
            best = 1000000;
            for (int j = -g.search, i = g.search; j < i; ++j, --i) {
                if (cost(s, 0, j) < best) best = cost(s, 0, j), dy = j;
                if (cost(s, 0, i) < best) best = cost(s, 0, i), dy = i;
            }
            if (zero[at(b)] <= best) dy = 0;
            (dx <= 0 ? r.leftShift : r.rightShift)[at(b)] = std::abs(dx);
            (dy <= 0 ? r.upShift : r.downShift)[at(b)] = std::abs(dy);
        }
    }
    for (IntList* a : {&r.leftShift, &r.rightShift, &r.upShift, &r.downShift}) {
        for (int bc = 1; bc <= blockCols - 1; ++bc) {
            for (int br = 1; br <= blockRows - 1; ++br) {
                const int b = g.blockIndex(bc, br);
                if ((*a)[at(b)] == 0) continue;
                bool shared = false;
                for (int m = 1; m < 9; ++m) shared = shared || (*a)[at(b + nb[at(m)])] != 0;
                if (!shared) (*a)[at(b)] = 250;
            }
        }
        for (int32_t& v : *a) v = v == 250 ? 0 : v;
    }
    return r;
}

// Scenes of patches of texture moved by assorted amounts over a still
// textured background, plus some flat areas where many shifts tie.
void movingScene(const Region& g, unsigned seed, IntList& current, IntList& previous) {
    std::mt19937 rng(seed);
    previous = randomTexture(g.rows * g.cols, seed);
    std::uniform_int_distribution<int> flat(0, 3);
    for (int32_t& v : previous) v = flat(rng) == 0 ? 128 : v;
    current = previous;
    std::uniform_int_distribution<int> shift(-g.search, g.search);
    for (int patch = 0; patch < 6; ++patch) {
        const int dx = shift(rng), dy = shift(rng);
        const int w = std::uniform_int_distribution<int>(1, g.cols / 2)(rng);
        const int h = std::uniform_int_distribution<int>(1, g.rows / 2)(rng);
        const int x0 = std::uniform_int_distribution<int>(0, g.cols - w)(rng);
        const int y0 = std::uniform_int_distribution<int>(0, g.rows - h)(rng);
        for (int x = x0; x < x0 + w; ++x) {
            for (int y = y0; y < y0 + h; ++y) {
                const int sx = std::clamp(x - dx, 0, g.cols - 1),
                          sy = std::clamp(y - dy, 0, g.rows - 1);
                current[at(x * g.rows + y)] = previous[at(sx * g.rows + sy)];
            }
        }
    }
}

TEST(BlockSampler, AgreesWithAStepByStepReference) {
    SamplerScratch scratch;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        for (const Region& g : {wholeFrame(), headBox(), eyePatch(),
                                Region{5, 5, 5, 50, 31, makeBlockOffsets(5, 5, 50)}}) {
            IntList current, previous;
            movingScene(g, seed, current, previous);
            if (seed % 2 == 0) {
                // Coarse levels make equal costs, and so ties, common.
                for (int32_t& v : current) v = v / 64 * 64;
                for (int32_t& v : previous) v = v / 64 * 64;
            }
            if (seed == 3) {
                // Samples beyond a byte: only differences matter, so the
                // result is the same as without the offset.
                for (int32_t& v : current) v += 300;
                for (int32_t& v : previous) v += 300;
            }
            const FeatureSet fast = g.run(current, previous, scratch);
            const FeatureSet ref = referenceSampler(g, current, previous);
            ASSERT_EQ(fast.mask, ref.mask) << seed;
            ASSERT_EQ(fast.leftShift, ref.leftShift) << seed;
            ASSERT_EQ(fast.rightShift, ref.rightShift) << seed;
            ASSERT_EQ(fast.upShift, ref.upShift) << seed;
            ASSERT_EQ(fast.downShift, ref.downShift) << seed;
        }
    }
}

TEST(BlockSampler, IdenticalGridsGiveAnAllZeroResult) {
    for (const Region& g : {wholeFrame(), headBox(), eyePatch()}) {
        const IntList grid = randomTexture(g.rows * g.cols, 7);
        expectAllZero(g.run(grid, grid));
    }
}

// A uniform change of one inner block: 9 per sample marks it, one unit less
// (a mean of exactly 8) does not. The boundary costs are 900, 324 and 225.
TEST(BlockSampler, ChangeThresholdIsAMeanAboveEightPerSample) {
    for (const Region& g : {wholeFrame(), headBox(), eyePatch()}) {
        const int A = g.bw * g.bh;
        const int bc = g.blockCols() / 2;
        const int br = g.blockRows() / 2;
        const IntList previous(at(g.rows * g.cols), 100);
        IntList current = previous;
        for (int k = 0; k < A; ++k) current[at(g.blockStart(bc, br) + g.offsets[at(k)])] += 9;

        // One lone changed block: the ring around it loses its marks, and its
        // own displacement, shared by no neighbour, is dropped.
        const FeatureSet marked = g.run(current, previous);
        EXPECT_EQ(nonZeroBlocks(marked.mask), std::vector<int>{g.blockIndex(bc, br)})
            << "cost " << 9 * A;
        for (const IntList* a :
             {&marked.upShift, &marked.downShift, &marked.leftShift, &marked.rightShift}) {
            EXPECT_TRUE(nonZeroBlocks(*a).empty());
        }

        current[at(g.blockStart(bc, br))] -= 1;
        expectAllZero(g.run(current, previous));
    }
}

TEST(BlockSampler, MarksOnTheOuterRingAreNeverCleared) {
    const Region g = eyePatch();  // 7 x 12 blocks
    const IntList previous(at(g.rows * g.cols), 50);
    IntList current = previous;
    for (int k = 0; k < 25; ++k) current[at(g.blockStart(1, 1) + g.offsets[at(k)])] = 200;
    const FeatureSet r = g.run(current, previous);
    // The corner block's 3x3 neighbourhood: (0,0..2) and (1..2,0) lie on the
    // ring and keep their marks; (1,2), (2,1), (2,2) are isolated and cleared.
    EXPECT_EQ(nonZeroBlocks(r.mask),
              (std::vector<int>{g.blockIndex(0, 0), g.blockIndex(0, 1), g.blockIndex(0, 2),
                                g.blockIndex(1, 0), g.blockIndex(1, 1), g.blockIndex(2, 0)}));
}

// Over the head box the 36-sample block of the last inner block row runs off
// the bottom of its column into the top of the next one, and is judged by
// what it finds there.
TEST(BlockSampler, HeadBoxBlocksContinueIntoTheNextColumn) {
    const Region g = headBox();  // 90 rows: 15 block rows, the last inner one is 13
    const int bc = 5;
    const IntList previous(at(g.rows * g.cols), 80);
    IntList current = previous;
    // Rows 0..23 of the column after the block's own column; block (bc, 13)
    // covers rows 78..89 of column 6*bc and rows 0..23 of column 6*bc + 1.
    for (int row = 0; row < 24; ++row) current[at((6 * bc + 1) * g.rows + row)] += 14;
    const FeatureSet r = g.run(current, previous);
    EXPECT_EQ(nonZeroBlocks(r.mask),
              (std::vector<int>{g.blockIndex(bc - 1, 14), g.blockIndex(bc, 13),
                                g.blockIndex(bc, 14), g.blockIndex(bc + 1, 14)}));
}

// Stripes of period 4 moved by 2: the shifts -2 and +2 (and -6, +6, ...) fit
// exactly. Horizontally the later candidate wins a tie, vertically the
// earlier; the other axis sees equal costs everywhere and keeps shift 0.
TEST(BlockSampler, TiesGoToTheLaterHorizontalAndTheEarlierVerticalCandidate) {
    const int stripes[4] = {0, 60, 200, 120};
    for (const Region& g : {wholeFrame(), eyePatch()}) {
        IntList columnStripes(at(g.rows * g.cols)), columnMoved = columnStripes;
        IntList rowStripes = columnStripes, rowMoved = columnStripes;
        for (int x = 0; x < g.cols; ++x) {
            for (int y = 0; y < g.rows; ++y) {
                const size_t i = at(x * g.rows + y);
                columnStripes[i] = stripes[x % 4];
                columnMoved[i] = stripes[(x + 2) % 4];
                rowStripes[i] = stripes[y % 4];
                rowMoved[i] = stripes[(y + 2) % 4];
            }
        }
        const FeatureSet h = g.run(columnStripes, columnMoved);
        const FeatureSet v = g.run(rowStripes, rowMoved);
        for (int bc = 1; bc < g.blockCols() - 1; ++bc) {
            for (int br = 1; br < g.blockRows() - 1; ++br) {
                const size_t b = at(g.blockIndex(bc, br));
                ASSERT_EQ(h.mask[b], 1);
                EXPECT_EQ(h.rightShift[b], 2);
                EXPECT_EQ(h.leftShift[b] + h.upShift[b] + h.downShift[b], 0);
                ASSERT_EQ(v.mask[b], 1);
                // With a range of 10 the first exact fit tried is -10.
                EXPECT_EQ(v.upShift[b], g.search == 10 ? 10 : 2);
                EXPECT_EQ(v.downShift[b] + v.leftShift[b] + v.rightShift[b], 0);
            }
        }
    }
}

TEST(BlockSampler, TexturedRegionMovedThreeColumnsRight) {
    const Region g = wholeFrame();
    const IntList previous = randomTexture(g.rows * g.cols, 11);
    IntList current = previous;
    // Columns 200..399, rows 100..299 show what was 3 columns further left.
    for (int x = 200; x < 400; ++x) {
        for (int y = 100; y < 300; ++y) current[at(x * 480 + y)] = previous[at((x - 3) * 480 + y)];
    }
    const FeatureSet r = g.run(current, previous);
    int checked = 0;
    for (int bc = 20; bc < 40; ++bc) {
        for (int br = 10; br < 30; ++br) {
            const size_t b = at(g.blockIndex(bc, br));
            ASSERT_EQ(r.mask[b], 1);
            EXPECT_EQ(r.leftShift[b], 0);
            // The block's content, found 3 columns further right, must lie
            // inside the moved region to match exactly.
            if (bc * 10 + 12 < 400) {
                EXPECT_EQ(r.rightShift[b], 3) << bc << "," << br;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 19 * 20);
    // Nothing outside the region's neighbourhood moved.
    for (int b : nonZeroBlocks(r.mask)) {
        EXPECT_TRUE(b / 48 >= 19 && b / 48 <= 40 && b % 48 >= 9 && b % 48 <= 30) << b;
    }
}

// Only inner blocks are searched; with a range larger than the block the
// margin grows so that every shifted comparison stays inside the grid.
TEST(BlockSampler, WideSearchWidensTheMargin) {
    const Region g{5, 5, 12, 60, 60, makeBlockOffsets(5, 5, 60)};  // margin 3 each way
    const IntList previous = randomTexture(60 * 60, 3);
    const IntList current = randomTexture(60 * 60, 4);
    const FeatureSet r = g.run(current, previous);
    for (int bc = 0; bc < 12; ++bc) {
        for (int br = 0; br < 12; ++br) {
            const bool inner = bc >= 3 && bc <= 8 && br >= 3 && br <= 8;
            const size_t b = at(g.blockIndex(bc, br));
            if (!inner) {
                EXPECT_EQ(r.leftShift[b] + r.rightShift[b] + r.upShift[b] + r.downShift[b], 0);
            }
            // The ring of marks around the inner blocks is isolated and cleared.
            EXPECT_EQ(r.mask[b], inner ? 1 : 0) << bc << "," << br;
        }
    }
}

TEST(BlockSampler, ReusedScratchGivesTheSameResultsAndStopsAllocating) {
    const Region frame = wholeFrame();
    const Region patch = eyePatch();
    const IntList a = randomTexture(frame.rows * frame.cols, 1);
    const IntList b = randomTexture(frame.rows * frame.cols, 2);
    const IntList pa = randomTexture(patch.rows * patch.cols, 3);
    const IntList pb = randomTexture(patch.rows * patch.cols, 4);

    SamplerScratch scratch;
    const FeatureSet first = frame.run(a, b, scratch);
    const FeatureSet small = patch.run(pa, pb, scratch);
    EXPECT_EQ(small.mask, patch.run(pa, pb).mask);
    EXPECT_EQ(small.rightShift, patch.run(pa, pb).rightShift);
    EXPECT_EQ(small.downShift, patch.run(pa, pb).downShift);

    const auto* cost = scratch.zeroShiftCost.data();
    const auto* count = scratch.isolationCount.data();
    const auto* block = scratch.previousBlock.data();
    const FeatureSet again = frame.run(a, b, scratch);
    EXPECT_EQ(scratch.zeroShiftCost.data(), cost);
    EXPECT_EQ(scratch.isolationCount.data(), count);
    EXPECT_EQ(scratch.previousBlock.data(), block);
    EXPECT_EQ(again.mask, first.mask);
    EXPECT_EQ(again.leftShift, first.leftShift);
    EXPECT_EQ(again.upShift, first.upShift);
}

// Whatever the caller passes, nothing is read or written outside a buffer.
TEST(BlockSampler, TooSmallBuffersAreNeverOverrun) {
    const Region g = wholeFrame();
    const IntList full = randomTexture(g.rows * g.cols, 5);
    const IntList other = randomTexture(g.rows * g.cols, 6);
    const IntList half(full.begin(), full.begin() + 150000);
    expectAllZero(g.run(half, full));
    expectAllZero(g.run(full, half));

    // Blocks whose reach passes the short grid's end are left as unchanged;
    // the rest are judged.
    const FeatureSet partial = g.run(half, other);
    EXPECT_FALSE(nonZeroBlocks(partial.mask).empty());
    for (int b : nonZeroBlocks(partial.mask)) EXPECT_LE(b / 48, 30);

    // An offset list shorter than a block: nothing to compare.
    Region shortList = g;
    shortList.offsets.resize(99);
    expectAllZero(shortList.run(full, other));

    // A result that cannot hold every block is only cleared.
    FeatureSet tooSmall;
    allocFeatureSet(tooSmall, 100);
    tooSmall.mask[5] = 1;
    SamplerScratch scratch;
    sampleBlocks({10, 10, 10, 10, 480, 640}, full, other, tooSmall, g.offsets,
                 neighbourOffsetsFor(48), scratch);
    expectAllZero(tooSmall);

    // Neighbour offsets meant for another grid never index outside the result.
    FeatureSet result;
    allocFeatureSet(result, 48 * 64);
    sampleBlocks({10, 10, 10, 10, 480, 640}, full, other, result, g.offsets,
                 neighbourOffsetsFor(4000), scratch);
}

}  // namespace
}  // namespace quil
