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

void setNeighbourOffsets(TrackerState& s, int R) { s.neighbourOffsets = neighbourOffsetsFor(R); }

const IntList& activeBlockOffsets(const TrackerState& s) {
    switch (s.blockOffsetsIn) {
        case TrackerState::BlockList::EyePatch:
            return s.eyePatchBlock;
        case TrackerState::BlockList::MouthPatch:
            return s.mouthPatchBlock;
        case TrackerState::BlockList::Own:
            break;
    }
    return s.blockOffsets;
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

void makeFrameProfiles(TrackerState& s) {
    s.rowProfile.assign(at(s.blockRows), 0);
    s.colProfile.assign(at(s.blockCols), 0);
    s.rowStarts.resize(at(s.blockRows));
    for (int r = 0; r < s.blockRows; ++r) {
        s.rowStarts[at(r)] = r * s.blockCols;
    }
    s.colIndices.resize(at(s.blockCols));
    for (int c = 0; c < s.blockCols; ++c) {
        s.colIndices[at(c)] = c;
    }
}

void accumulateProfiles(TrackerState& s, const IntList& rowMajor) {
    for (int r = 0; r < s.blockRows; ++r) {
        for (int c = 0; c < s.blockCols; ++c) {
            s.rowProfile[at(r)] += rowMajor[at(s.rowStarts[at(r)] + s.colIndices[at(c)])];
        }
    }
    for (int c = 0; c < s.blockCols; ++c) {
        for (int r = 0; r < s.blockRows; ++r) {
            s.colProfile[at(c)] += rowMajor[at(c + s.rowStarts[at(r)])];
        }
    }
}

void clearProfiles(TrackerState& s) {
    std::fill(s.rowProfile.begin(), s.rowProfile.end(), 0);
    std::fill(s.colProfile.begin(), s.colProfile.end(), 0);
}

void makeHeadProfiles(TrackerState& s) {
    s.headRowProfile.assign(at(s.headBlockRows), 0);
    s.headColProfile.assign(at(s.headBlockCols), 0);
    s.headRowIndices.resize(at(s.headBlockRows));
    for (int r = 0; r < s.headBlockRows; ++r) {
        s.headRowIndices[at(r)] = r;
    }
    s.headColStarts.resize(at(s.headBlockCols));
    for (int c = 0; c < s.headBlockCols; ++c) {
        s.headColStarts[at(c)] = c * s.headBlockRows;
    }
}

void headRowSums(TrackerState& s, const IntList& grid) {
    for (int r = 0; r < s.headBlockRows; ++r) {
        int32_t sum = 0;
        for (int c = 0; c < s.headBlockCols; ++c) {
            sum += grid[at(s.headColStarts[at(c)] + r)];
        }
        s.headRowProfile[at(r)] = sum;
    }
}

void headColSums(TrackerState& s, const IntList& grid) {
    for (int c = 0; c < s.headBlockCols; ++c) {
        int32_t sum = 0;
        for (int r = 0; r < s.headBlockRows; ++r) {
            sum += grid[at(s.headRowIndices[at(r)] + c * s.headBlockRows)];
        }
        s.headColProfile[at(c)] = sum;
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
