#include "tracker/tracker_state.h"

#include <utility>

#include "imaging/grids.h"

namespace quil {

namespace {

// A reset starts a record over from its defaults, but hands each buffer's
// storage to the fresh record, emptied: the next run of its phase fills it
// without allocating.
template <typename T>
void keepStorage(std::vector<T>& from, std::vector<T>& to) {
    to = std::move(from);
    to.clear();
}

void keepStorage(FeatureSet& from, FeatureSet& to) {
    keepStorage(from.mask, to.mask);
    keepStorage(from.upShift, to.upShift);
    keepStorage(from.downShift, to.downShift);
    keepStorage(from.leftShift, to.leftShift);
    keepStorage(from.rightShift, to.rightShift);
}

}  // namespace

OptionsSnapshot OptionFlags::snapshot() const {
    constexpr std::array<double, 3> kRangeScales{0.7, 0.6, 0.5};
    constexpr std::array<double, 3> kSpeedDivisors{30.0, 45.0, 60.0};
    const auto firstTicked = [this](OptionRow row) {
        for (int c = 0; c + 1 < kOptionColumns; ++c) {
            if (ticked(row, c)) return static_cast<size_t>(c);
        }
        return static_cast<size_t>(kOptionColumns - 1);
    };
    OptionsSnapshot o;
    o.mirrorX = !ticked(MirrorRow, 0);
    o.rangeScale = kRangeScales[firstTicked(RangeRow)];
    o.speedDivisor = kSpeedDivisors[firstTicked(SpeedRow)];
    for (int c = 0; c < kOptionColumns; ++c) {
        o.click[static_cast<size_t>(c)] = ticked(ClickRow, c);
        o.drag[static_cast<size_t>(c)] = ticked(DragRow, c);
    }
    return o;
}

void FrameState::restartDetection(int blockRows) {
    currentGrid.clear();
    previousGrid.clear();
    neighbourOffsets = neighbourOffsetsFor(blockRows);
    pauseActive = true;
    pauseFrames = 0;
}

void DetectionState::reset() {
    DetectionState fresh;
    for (auto list :
         {&DetectionState::blockOffsets, &DetectionState::motionRows, &DetectionState::rowProfile,
          &DetectionState::colProfile, &DetectionState::headIndices, &DetectionState::headCurrent,
          &DetectionState::headPrevious, &DetectionState::headRowProfile,
          &DetectionState::headColProfile, &DetectionState::headRowIndices,
          &DetectionState::headColStarts}) {
        keepStorage(this->*list, fresh.*list);
    }
    keepStorage(frameMotion, fresh.frameMotion);
    keepStorage(headMotion, fresh.headMotion);
    *this = std::move(fresh);
}

void FaceTemplate::reset() {
    FaceTemplate fresh;
    for (auto list : {&FaceTemplate::latticeOffsets, &FaceTemplate::latticeReference,
                      &FaceTemplate::circleScratch}) {
        keepStorage(this->*list, fresh.*list);
    }
    keepStorage(latticeRecords, fresh.latticeRecords);
    keepStorage(searchWindow.indices, fresh.searchWindow.indices);
    keepStorage(distanceMap.values, fresh.distanceMap.values);
    *this = std::move(fresh);
}

void ClickPatches::reset() {
    ClickPatches fresh;
    for (auto list : {&ClickPatches::eyePatchIndices, &ClickPatches::eyePatchCurrent,
                      &ClickPatches::eyePatchPrevious, &ClickPatches::eyePatchBlock,
                      &ClickPatches::mouthPatchIndices, &ClickPatches::mouthPatchCurrent,
                      &ClickPatches::mouthPatchPrevious, &ClickPatches::mouthPatchBlock}) {
        keepStorage(this->*list, fresh.*list);
    }
    keepStorage(eyeMotion, fresh.eyeMotion);
    keepStorage(mouthMotion, fresh.mouthMotion);
    *this = std::move(fresh);
}

}  // namespace quil
