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
                      &FaceTemplate::circleScratch, &FaceTemplate::eyePatchIndices,
                      &FaceTemplate::eyePatchCurrent, &FaceTemplate::eyePatchPrevious,
                      &FaceTemplate::eyePatchBlock, &FaceTemplate::mouthPatchIndices,
                      &FaceTemplate::mouthPatchCurrent, &FaceTemplate::mouthPatchPrevious,
                      &FaceTemplate::mouthPatchBlock}) {
        keepStorage(this->*list, fresh.*list);
    }
    keepStorage(latticeRecords, fresh.latticeRecords);
    keepStorage(searchWindow.indices, fresh.searchWindow.indices);
    keepStorage(distanceMap.values, fresh.distanceMap.values);
    keepStorage(eyeMotion, fresh.eyeMotion);
    keepStorage(mouthMotion, fresh.mouthMotion);
    *this = std::move(fresh);
}

}  // namespace quil
