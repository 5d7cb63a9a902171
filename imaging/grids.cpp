#include "imaging/grids.h"

#include <algorithm>
#include <cstddef>

namespace quil {

namespace {
size_t at(int i) { return static_cast<size_t>(i); }
}  // namespace

IntList makeBlockOffsets(int w, int h, int L) {
    IntList offsets;
    offsets.reserve(at(w * h));
    for (int j = 0; j < w; ++j) {
        for (int k = 0; k < h; ++k) {
            offsets.push_back(j * L + k);
        }
    }
    return offsets;
}

std::array<int32_t, 9> neighbourOffsetsFor(int R) {
    return {0, -1, 1, R, -R, -R - 1, R - 1, 1 - R, R + 1};
}

void allocFeatureSet(FeatureSet& set, int n) {
    for (IntList* member :
         {&set.mask, &set.upShift, &set.downShift, &set.leftShift, &set.rightShift}) {
        member->assign(at(n), 0);
    }
}

void freeFeatureSet(FeatureSet& set) {
    for (IntList* member :
         {&set.mask, &set.upShift, &set.downShift, &set.leftShift, &set.rightShift}) {
        member->clear();
    }
}

void transposeToRows(const IntList& source, int R, int C, IntList& destination) {
    destination.resize(at(R * C));
    for (int c = 0; c < C; ++c) {
        for (int r = 0; r < R; ++r) {
            destination[at(r * C + c)] = source[at(c * R + r)];
        }
    }
}

void rectIndexList(int top, int bottom, int right, int left, IntList& destination) {
    const int rows = top - bottom + 1;
    const int cols = right - left + 1;
    destination.resize(at(rows * cols));
    size_t n = 0;
    for (int c = left; c <= right; ++c) {
        for (int r = kFrameRows - top; r <= kFrameRows - bottom; ++r) {
            destination[n++] = c * kFrameRows + r;
        }
    }
}

void gather(const Grid& source, IntList& destination, const IntList& index, int count) {
    const auto limit = source.size();
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<size_t>(static_cast<uint32_t>(index[at(i)]));
        destination[at(i)] = k < limit ? source[k] : 0;
    }
}

}  // namespace quil
