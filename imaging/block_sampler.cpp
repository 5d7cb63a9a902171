#include "imaging/block_sampler.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>

#include "imaging/grids.h"

namespace quil {

namespace {

// A block is "changed" when its mean absolute difference per sample exceeds
// this (integer division of the zero-shift cost by the sample count).
constexpr int kChangeThreshold = 8;
// Isolation: a marked block with more unmarked neighbours than this loses its mark.
constexpr int kIsolationLimit = 2;
// Starting value of the best cost in each axis search.
constexpr int kSearchStartCost = 1000000;
// Stands for a displacement that no neighbour shares until the pass ends.
constexpr int kLoneMarker = 250;

size_t at(int64_t i) { return static_cast<size_t>(i); }

bool inside(int64_t i, int64_t n) { return i >= 0 && i < n; }

// The block's offset list seen as runs of consecutive offsets (one run per
// block column for the usual square lists, one run for the 36-sample list),
// so that each run is a contiguous stretch of both grids.
struct Runs {
    const int32_t* data = nullptr;  // pairs: first offset, length
    int count = 0;
};

Runs buildRuns(const IntList& offsets, int A, int32_t* out) {
    int count = 0;
    int k = 0;
    while (k < A) {
        const int32_t first = offsets[at(k)];
        int len = 1;
        while (k + len < A && offsets[at(k + len)] == first + len) ++len;
        out[2 * count] = first;
        out[2 * count + 1] = len;
        ++count;
        k += len;
    }
    return {out, count};
}

// Sum over the block of |previous[s + off] - current[s + shift + off]|. Once
// the partial sum exceeds limit the exact value no longer matters to the
// caller (the candidate is rejected either way), so it stops there and
// returns that partial sum.
int blockCost(const int32_t* previous, const int32_t* current, int s, int shift, const Runs& runs,
              int limit) {
    int sum = 0;
    for (int r = 0; r < runs.count; ++r) {
        const int off = runs.data[2 * r];
        const int len = runs.data[2 * r + 1];
        const int32_t* a = previous + (s + off);
        const int32_t* b = current + (s + shift + off);
        int part = 0;
        for (int k = 0; k < len; ++k) part += std::abs(a[k] - b[k]);
        sum += part;
        if (sum > limit) return sum;
    }
    return sum;
}

// Best horizontal (or vertical) displacement of one block: candidates in the
// order -range, +range, -(range-1), +(range-1), ..., -1, +1; `laterWinsTies`
// chooses whether an equal cost replaces the best. The zero-shift cost wins
// over any shifted cost it equals. cost(d, limit) gives the exact cost of
// shift d whenever that is at most limit, and otherwise anything above limit.
template <typename Cost>
int searchAxis(int range, int zeroCost, bool laterWinsTies, Cost cost) {
    int best = kSearchStartCost;
    int shift = 0;
    auto tryShift = [&](int d) {
        // Equal-cost replacement is "<=" (limit best) or "<" (limit best - 1).
        const int limit = laterWinsTies ? best : best - 1;
        const int c = cost(d, limit);
        if (c <= limit) {
            best = c;
            shift = d;
        }
    };
    for (int j = -range, i = range; j < i; ++j, --i) {
        tryShift(j);
        tryShift(i);
    }
    if (zeroCost <= best) shift = 0;
    return shift;
}

void storeShift(FeatureSet& result, int b, int dx, int dy) {
    if (dx <= 0) {
        result.leftShift[at(b)] = -dx;
    } else {
        result.rightShift[at(b)] = dx;
    }
    if (dy <= 0) {
        result.upShift[at(b)] = -dy;
    } else {
        result.downShift[at(b)] = dy;
    }
}

// The batched search: with the usual square blocks and samples that fit in a
// byte, the costs of one shift for a run of vertically adjacent blocks come
// from one contiguous pass per block column over byte copies of the grids,
// which the compiler turns into wide vector code.
constexpr int kBatchRows = 512;      // rows summed in one pass
constexpr int kBatchBlocks = 64;     // blocks of one run handled together
constexpr int kBatchMaxSearch = 16;  // largest search range batched
constexpr int kBatchMaxWidth = 256;  // keeps a row's sum over the block width in 16 bits
constexpr int kBatchSlots = 2 * kBatchMaxSearch + 1;

bool isSquareList(const IntList& offsets, int bw, int bh, int R) {
    for (int j = 0; j < bw; ++j) {
        for (int k = 0; k < bh; ++k) {
            if (offsets[at(j * bh + k)] != j * R + k) return false;
        }
    }
    return true;
}

// Copies samples into bytes; false if any sample is outside 0..255.
bool packBytes(const IntList& from, int64_t n, unsigned char* to) {
    const int32_t* source = from.data();  // a local copy, which the byte stores cannot alias
    uint32_t outside = 0;
    for (int64_t i = 0; i < n; ++i) {
        const auto v = static_cast<uint32_t>(source[i]);
        outside |= v & ~uint32_t{0xFF};
        to[i] = static_cast<unsigned char>(v);
    }
    return outside == 0;
}

struct Batch {
    const unsigned char* current;
    const unsigned char* previous;
    int R, bw, bh;
};

// Costs of shift (p, q) for blocks br0 .. br0 + count - 1 of block column bc.
void batchCosts(const Batch& g, int bc, int br0, int count, int p, int q, int32_t* out) {
    std::array<uint16_t, kBatchRows> acc;
    const int n = count * g.bh;
    std::fill(acc.begin(), acc.begin() + n, uint16_t{0});
    const int64_t y0 = int64_t{br0} * g.bh;
    for (int j = 0; j < g.bw; ++j) {
        const int64_t column = int64_t{bc} * g.bw + j;
        const unsigned char* a = g.previous + column * g.R + y0;
        const unsigned char* b = g.current + (column + p) * g.R + y0 + q;
        for (int y = 0; y < n; ++y) {
            const int d = std::abs(int{a[y]} - int{b[y]});
            acc[at(y)] = static_cast<uint16_t>(acc[at(y)] + d);
        }
    }
    for (int k = 0; k < count; ++k) {
        int32_t sum = 0;
        for (int y = k * g.bh; y < (k + 1) * g.bh; ++y) sum += acc[at(y)];
        out[k] = sum;
    }
}

// The block grid's shape and the inner blocks the searches cover.
struct Shape {
    int bw = 0, bh = 0, R = 0, blockCols = 0, blockRows = 0, N = 0, A = 0;
    int firstBc = 0, lastBc = 0, firstBr = 0, lastBr = 0;
    int chunk = 0;  // blocks of one column batched together
};

// Everything the passes share for one call: the block grid's shape, the
// reach test and the grids in both forms. Each pass takes a copy of the
// shape first: its stores into the result's int arrays could otherwise
// alias these ints and force a reload per block.
struct Pass {
    const BlockSamplerArgs& args;
    FeatureSet& result;
    const std::array<int32_t, 9>& neighbourOffsets;
    SamplerScratch& scratch;
    Shape shape;
    int64_t reachLow = 0, reachHigh = 0, gridSize = 0;
    const int32_t* cur = nullptr;
    const int32_t* prev = nullptr;
    Runs runs{};
    bool batch = false;
    Batch g{nullptr, nullptr, 0, 0, 0};

    bool readable(int s) const { return s + reachLow >= 0 && s + reachHigh < gridSize; }
};

// Change pass: a changed block marks itself and its eight neighbours.
void markChangedBlocks(Pass& p) {
    const Shape sh = p.shape;
    IntList& mask = p.result.mask;
    auto judge = [&](int b, int c0) {
        p.scratch.zeroShiftCost[at(b)] = c0;
        if (c0 / sh.A > kChangeThreshold) {
            for (int32_t nb : p.neighbourOffsets) {
                if (inside(int64_t{b} + nb, sh.N)) mask[at(b + nb)] = 1;
            }
        }
    };
    for (int bc = sh.firstBc; bc <= sh.lastBc; ++bc) {
        if (p.batch) {
            std::array<int32_t, kBatchBlocks> zero;
            for (int br0 = sh.firstBr; br0 <= sh.lastBr; br0 += sh.chunk) {
                const int count = std::min(sh.chunk, sh.lastBr - br0 + 1);
                batchCosts(p.g, bc, br0, count, 0, 0, zero.data());
                for (int k = 0; k < count; ++k) judge(bc * sh.blockRows + br0 + k, zero[at(k)]);
            }
            continue;
        }
        for (int br = sh.firstBr; br <= sh.lastBr; ++br) {
            const int s = bc * sh.bw * sh.R + br * sh.bh;
            if (!p.readable(s)) continue;
            judge(bc * sh.blockRows + br,
                  blockCost(p.prev, p.cur, s, 0, p.runs, std::numeric_limits<int>::max()));
        }
    }
}

// Isolation pass: all counts are taken before any mark is cleared; the
// outer ring of the block grid is never counted.
void dropLoneMarks(Pass& p) {
    const Shape sh = p.shape;
    IntList& mask = p.result.mask;
    for (int bc = 1; bc <= sh.blockCols - 2; ++bc) {
        for (int br = 1; br <= sh.blockRows - 2; ++br) {
            const int b = bc * sh.blockRows + br;
            if (mask[at(b)] != 1) continue;
            int unmarked = 0;
            for (int m = 1; m < 9; ++m) {
                const int64_t n = int64_t{b} + p.neighbourOffsets[at(m)];
                if (inside(n, sh.N) && mask[at(n)] == 0) ++unmarked;
            }
            p.scratch.isolationCount[at(b)] = unmarked;
        }
    }
    for (int b = 0; b < sh.N; ++b) {
        if (p.scratch.isolationCount[at(b)] > kIsolationLimit) mask[at(b)] = 0;
    }
}

// Displacement pass over the marked inner blocks, a run of marked blocks of
// one column at a time from the byte copies.
void findShiftsBatched(Pass& p) {
    const Shape sh = p.shape;
    const IntList& mask = p.result.mask;
    const int searchCols = p.args.searchCols;
    const int searchRows = p.args.searchRows;
    std::array<int32_t, kBatchSlots * kBatchBlocks> across;
    std::array<int32_t, kBatchSlots * kBatchBlocks> down;
    for (int bc = sh.firstBc; bc <= sh.lastBc; ++bc) {
        int br0 = sh.firstBr;
        while (br0 <= sh.lastBr) {
            // The next run of marked blocks in this column, at most one sh.chunk long.
            if (mask[at(bc * sh.blockRows + br0)] == 0) {
                ++br0;
                continue;
            }
            int count = 1;
            while (count < sh.chunk && br0 + count <= sh.lastBr &&
                   mask[at(bc * sh.blockRows + br0 + count)] != 0) {
                ++count;
            }
            for (int d = -searchCols; d <= searchCols; ++d) {
                if (d != 0)
                    batchCosts(p.g, bc, br0, count, d, 0,
                               &across[at((d + searchCols) * kBatchBlocks)]);
            }
            for (int d = -searchRows; d <= searchRows; ++d) {
                if (d != 0)
                    batchCosts(p.g, bc, br0, count, 0, d,
                               &down[at((d + searchRows) * kBatchBlocks)]);
            }
            for (int k = 0; k < count; ++k) {
                const int b = bc * sh.blockRows + br0 + k;
                const int zeroCost = p.scratch.zeroShiftCost[at(b)];
                const int dx = searchAxis(searchCols, zeroCost, true, [&](int d, int) {
                    return across[at((d + searchCols) * kBatchBlocks + k)];
                });
                const int dy = searchAxis(searchRows, zeroCost, false, [&](int d, int) {
                    return down[at((d + searchRows) * kBatchBlocks + k)];
                });
                storeShift(p.result, b, dx, dy);
            }
            br0 += count;
        }
    }
}

// Displacement pass block by block, with early-out costs.
void findShiftsDirect(Pass& p) {
    const Shape sh = p.shape;
    const IntList& mask = p.result.mask;
    const int searchCols = p.args.searchCols;
    const int searchRows = p.args.searchRows;
    const int32_t* cur = p.cur;
    const int32_t* prev = p.prev;
    const Runs runs = p.runs;
    for (int bc = sh.firstBc; bc <= sh.lastBc; ++bc) {
        for (int br = sh.firstBr; br <= sh.lastBr; ++br) {
            const int b = bc * sh.blockRows + br;
            if (mask[at(b)] == 0) continue;
            const int s = bc * sh.bw * sh.R + br * sh.bh;
            if (!p.readable(s)) continue;
            const int zeroCost = p.scratch.zeroShiftCost[at(b)];
            const int dx = searchAxis(searchCols, zeroCost, true, [&](int d, int limit) {
                return blockCost(prev, cur, s, d * sh.R, runs, limit);
            });
            const int dy = searchAxis(searchRows, zeroCost, false, [&](int d, int limit) {
                return blockCost(prev, cur, s, d, runs, limit);
            });
            storeShift(p.result, b, dx, dy);
        }
    }
}

// Lone-displacement pass. Only inner blocks hold non-zero values, so only
// they look at neighbours; a neighbour already marked counts as non-zero.
void dropLoneShifts(Pass& p) {
    const Shape sh = p.shape;
    FeatureSet& result = p.result;
    IntList* shifts[] = {&result.leftShift, &result.rightShift, &result.upShift, &result.downShift};
    for (int bc = 1; bc <= sh.blockCols - 1; ++bc) {
        for (int br = 1; br <= sh.blockRows - 1; ++br) {
            const int b = bc * sh.blockRows + br;
            for (IntList* arr : shifts) {
                IntList& v = *arr;
                if (v[at(b)] == 0) continue;
                bool shared = false;
                for (int m = 1; m < 9 && !shared; ++m) {
                    const int64_t n = int64_t{b} + p.neighbourOffsets[at(m)];
                    shared = inside(n, sh.N) && v[at(n)] != 0;
                }
                if (!shared) v[at(b)] = kLoneMarker;
            }
        }
    }
    for (IntList* arr : shifts) {
        for (int b = 0; b < sh.N; ++b) {
            if ((*arr)[at(b)] == kLoneMarker) (*arr)[at(b)] = 0;
        }
    }
}

}  // namespace

// Motion by block matching: mark changed blocks, drop lone marks, search each
// marked block's displacement axis by axis, drop displacements no neighbour shares.
void sampleBlocks(const BlockSamplerArgs& args, const IntList& current, const IntList& previous,
                  FeatureSet& result, const IntList& blockOffsets,
                  const std::array<int32_t, 9>& neighbourOffsets, SamplerScratch& scratch) {
    const int bw = args.blockWidth;
    const int bh = args.blockHeight;
    const int R = args.gridRows;
    const bool shapeOk = bw > 0 && bh > 0 && R > 0 && args.gridCols > 0 && args.searchCols >= 0 &&
                         args.searchRows >= 0 &&
                         int64_t{R} * args.gridCols <= std::numeric_limits<int>::max();
    const int blockCols = shapeOk ? args.gridCols / bw : 0;
    const int blockRows = shapeOk ? R / bh : 0;
    const int N = blockRows * blockCols;
    const int A = bw * bh;

    // Step one clears N entries of every result array; a result that cannot
    // hold N entries gets what fits cleared and nothing else.
    IntList* arrays[] = {&result.mask, &result.upShift, &result.downShift, &result.leftShift,
                         &result.rightShift};
    bool resultOk = true;
    for (IntList* a : arrays) {
        const size_t n = std::min(a->size(), at(N));
        std::fill(a->begin(), a->begin() + static_cast<std::ptrdiff_t>(n), 0);
        if (a->size() < at(N)) resultOk = false;
    }
    if (!shapeOk || !resultOk || N == 0 || static_cast<int>(blockOffsets.size()) < A) return;

    scratch.zeroShiftCost.assign(at(N), 0);
    scratch.isolationCount.assign(at(N), 0);

    const int colMargin = args.searchCols <= bw ? 1 : (args.searchCols + bw - 1) / bw;
    const int rowMargin = args.searchRows <= bh ? 1 : (args.searchRows + bh - 1) / bh;
    Shape sh;
    sh.bw = bw;
    sh.bh = bh;
    sh.R = R;
    sh.blockCols = blockCols;
    sh.blockRows = blockRows;
    sh.N = N;
    sh.A = A;
    sh.firstBc = colMargin;
    sh.lastBc = blockCols - colMargin - 1;
    sh.firstBr = rowMargin;
    sh.lastBr = blockRows - rowMargin - 1;
    sh.chunk = std::min(kBatchBlocks, kBatchRows / bh);
    Pass p{args, result, neighbourOffsets, scratch, sh};

    // Every index a block reads lies in [s + reachLow, s + reachHigh]. A block
    // whose reach leaves either grid (a caller's too-small grid or an offset
    // list that does not fit it) is left as unchanged rather than read.
    const auto [offMin, offMax] =
        std::minmax_element(blockOffsets.begin(), blockOffsets.begin() + A);
    const int64_t spread = int64_t{args.searchCols} * R + args.searchRows;
    p.reachLow = *offMin - spread;
    p.reachHigh = *offMax + spread;
    p.gridSize = static_cast<int64_t>(std::min(current.size(), previous.size()));
    p.cur = current.data();
    p.prev = previous.data();

    // previousBlock holds the offset list as runs and, when the batched
    // search applies, byte copies of both grids.
    const bool batchable = args.searchCols <= kBatchMaxSearch &&
                           args.searchRows <= kBatchMaxSearch && bw <= kBatchMaxWidth &&
                           bh <= kBatchRows && sh.firstBc <= sh.lastBc && sh.firstBr <= sh.lastBr &&
                           isSquareList(blockOffsets, bw, bh, R) &&
                           p.readable(sh.firstBc * bw * R + sh.firstBr * bh) &&
                           p.readable(sh.lastBc * bw * R + sh.lastBr * bh);
    const int64_t planeInts = (p.gridSize + 3) / 4;
    scratch.previousBlock.resize(at(2 * int64_t{A} + (batchable ? 2 * planeInts : 0)));
    p.runs = buildRuns(blockOffsets, A, scratch.previousBlock.data());

    // Byte copies of both grids for the batched passes, if every sample fits.
    p.g = Batch{nullptr, nullptr, R, bw, bh};
    if (batchable) {
        auto* bytes = reinterpret_cast<unsigned char*>(scratch.previousBlock.data() + 2 * A);
        p.batch = packBytes(current, p.gridSize, bytes) &&
                  packBytes(previous, p.gridSize, bytes + planeInts * 4);
        p.g.current = bytes;
        p.g.previous = bytes + planeInts * 4;
    }

    markChangedBlocks(p);
    dropLoneMarks(p);
    if (p.batch) {
        findShiftsBatched(p);
    } else {
        findShiftsDirect(p);
    }
    dropLoneShifts(p);
}

}  // namespace quil
