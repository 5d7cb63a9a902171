#include "pointer/clicks.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "imaging/grids.h"
#include "pointer/click_feedback.h"
#include "pointer/pointer_mapping.h"
#include "tracker/imaging_steps.h"

namespace quil {

namespace {

// Block motion inside the patches: 5 x 5 blocks, shifts of up to 5 tried on
// each axis.
constexpr int kPatchBlock = 5;
constexpr int kPatchSearch = 5;

// The eye patch spans 30 columns each side of the eye and runs from 9 rows
// above to 27 rows below the face row; the sine offsets swing it by up to 5
// pixels as the face leaves the range centre.
constexpr int kEyeHalfWidth = 30;
constexpr int kEyeRowsAbove = 9;
constexpr double kSwingAmplitude = 5.0;
constexpr double kSwingScaleX = 90.0 / 70.0;
constexpr double kSwingScaleY = 90.0 / 60.0;
// The eye choice compares the face's offset to each eye, corrected by this.
constexpr int kEyeSideCorrection = 30;
// The mouth patch is 15 columns each side of the face, starting two eye gaps
// below the face row.
constexpr int kMouthHalfWidth = 15;
constexpr int kMouthGapFactor = 2;

// Below one pixel of face motion the head counts as still.
constexpr double kStillDistance = 1.0;

// Truncation toward zero that saturates instead of overflowing.
int64_t truncate(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kLimit = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (v >= kLimit) return std::numeric_limits<int32_t>::max();
    if (v <= -kLimit) return -std::numeric_limits<int32_t>::max();
    return static_cast<int64_t>(v);
}

int clampStart(int64_t start, int size, int frameSize) {
    if (start < 0) return 0;
    if (start > frameSize - size) return frameSize - size;
    return static_cast<int>(start);
}

PatchRect placePatch(int64_t left, int64_t top, int cols, int rows) {
    return {clampStart(left, cols, kFrameCols), clampStart(top, rows, kFrameRows), cols, rows};
}

bool featureSetHolds(const FeatureSet& set, std::size_t n) {
    return set.mask.size() >= n && set.upShift.size() >= n && set.downShift.size() >= n &&
           set.leftShift.size() >= n && set.rightShift.size() >= n;
}

struct Patch {
    IntList& indices;
    IntList& current;
    IntList& previous;
    const IntList& block;
    FeatureSet& motion;
};

// Samples the patch and returns its vertical motion, or -1 when its buffers
// are not held (the gathers and the sampler would run past them).
int64_t patchMotion(TrackerState& s, const Patch& patch, const PatchRect& rect,
                    PatchSampler sampler) {
    const int size = rect.cols * rect.rows;
    const int blockRows = rect.rows / kPatchBlock;
    const int blockCols = rect.cols / kPatchBlock;
    const auto blocks = static_cast<std::size_t>(blockRows * blockCols);
    const auto cells = static_cast<std::size_t>(size);
    if (patch.current.size() < cells || patch.previous.size() < cells ||
        patch.block.size() < static_cast<std::size_t>(kPatchBlock * kPatchBlock) ||
        !featureSetHolds(patch.motion, blocks)) {
        return -1;
    }
    // Heights above the bottom edge, as the index list expects.
    const int top = kFrameRows - rect.top;
    const int bottom = kFrameRows - (rect.top + rect.rows - 1);
    rectIndexList(top, bottom, rect.left + rect.cols - 1, rect.left, patch.indices);
    gather(s.frame.currentGrid, patch.current, patch.indices, size);
    gather(s.frame.previousGrid, patch.previous, patch.indices, size);

    setNeighbourOffsets(s.frame, blockRows);
    const BlockSamplerArgs args{kPatchBlock,  kPatchBlock, kPatchSearch,
                                kPatchSearch, rect.rows,   rect.cols};
    sampler(args, patch.current, patch.previous, patch.motion, patch.block,
            s.frame.neighbourOffsets, s.frame.samplerScratch);

    int64_t sum = 0;
    for (std::size_t i = 0; i < blocks; ++i) {
        sum += int64_t{patch.motion.upShift[i]} + patch.motion.downShift[i];
    }
    return sum;
}

// The keyboard hears of a gesture only once it has announced its window.
void pressKey(const TrackerState& s, Desktop& desktop) {
    if (const WindowHandle keyboard = s.keyboard.window.load()) desktop.pressKeyboardKey(keyboard);
}

void tellClickOutside(const TrackerState& s, Desktop& desktop) {
    if (const WindowHandle keyboard = s.keyboard.window.load()) {
        desktop.tellKeyboardClickOutside(keyboard);
    }
}

}  // namespace

// The eye on the side the face is turned from is the one less foreshortened;
// the sine offsets follow the face's swing within the head range.
PatchRect eyePatchRect(const TrackerState& s, double faceX, double faceY) {
    const int64_t rx = roundNearest(faceX);
    const int64_t ry = roundNearest(faceY);
    const double centreX = s.shared.headRangeCentreX.load();
    const double centreY = s.shared.headRangeCentreY.load();
    const int64_t sx = truncate(kSwingAmplitude * std::sin((faceX - centreX) * kSwingScaleX));
    const int64_t sy = truncate(-kSwingAmplitude * std::sin((faceY - centreY) * kSwingScaleY));
    const int64_t gap = s.face.halfEyeGap;
    const int64_t a = std::llabs(truncate(faceX - gap + kEyeSideCorrection - centreX));
    const int64_t b = std::llabs(truncate(faceX + gap - kEyeSideCorrection - centreX));
    const int64_t cx = a > b ? rx + gap + sx : rx - gap + sx;
    return placePatch(cx - kEyeHalfWidth, ry - kEyeRowsAbove - sy, kEyePatchCols, kEyePatchRows);
}

PatchRect mouthPatchRect(const TrackerState& s, double faceX, double faceY) {
    const int64_t rx = roundNearest(faceX);
    const int64_t ry = roundNearest(faceY);
    return placePatch(rx - kMouthHalfWidth, ry + int64_t{kMouthGapFactor} * s.face.halfEyeGap,
                      kMouthPatchCols, kMouthPatchRows);
}

bool examined(const TrackerState& s, int gesture) {
    const auto k = static_cast<std::size_t>(gesture);
    return s.shared.clickGestures[k] == 1 || s.shared.dragGestures[k] == 1;
}

bool restAfterAction(PointerState& pointer) {
    if (!pointer.clickCooldown) return false;
    if (++pointer.cooldownFrames >= kClickCooldownFrames) {
        pointer.cooldownFrames = 0;
        pointer.clickCooldown = false;
    }
    return true;
}

// Events: after an action detection rests; otherwise a still face is
// examined for eye motion, then (if the eyes did not fire) mouth motion, and
// counted toward a dwell.
void detectEvents(TrackerState& s, double faceX, double faceY, PatchSampler sampler) {
    if (restAfterAction(s.pointer)) return;
    if (s.pointer.moveDistance >= kStillDistance) {
        s.pointer.dwellFrames = 0;
        return;
    }
    if (examined(s, GestureEye)) {
        const Patch eye{s.clickPatches.eyePatchIndices, s.clickPatches.eyePatchCurrent,
                        s.clickPatches.eyePatchPrevious, s.clickPatches.eyePatchBlock,
                        s.clickPatches.eyeMotion};
        s.pointer.eyeEvent =
            patchMotion(s, eye, eyePatchRect(s, faceX, faceY), sampler) >= kEyeEventMotion;
    }
    if (examined(s, GestureMouth) && !s.pointer.eyeEvent) {
        const Patch mouth{s.clickPatches.mouthPatchIndices, s.clickPatches.mouthPatchCurrent,
                          s.clickPatches.mouthPatchPrevious, s.clickPatches.mouthPatchBlock,
                          s.clickPatches.mouthMotion};
        s.pointer.mouthEvent =
            patchMotion(s, mouth, mouthPatchRect(s, faceX, faceY), sampler) >= kMouthEventMotion;
    }
    if (examined(s, GestureDwell)) {
        if (++s.pointer.dwellFrames >= s.pointer.dwellLimit) {
            s.pointer.dwellEvent = true;
            s.pointer.dwellFrames = 0;
        }
    }
}

int pendingGesture(const TrackerState& s) {
    if (s.pointer.eyeEvent) return GestureEye;
    if (s.pointer.mouthEvent) return GestureMouth;
    if (s.pointer.dwellEvent) return GestureDwell;
    return -1;
}

GestureAction runGestureAction(TrackerState& s, Desktop& desktop, int gesture,
                               ScreenPoint frameStart) {
    if (gesture < GestureEye || gesture > GestureDwell) return GestureAction::None;
    GestureAction action = GestureAction::None;
    const bool clicks = s.shared.clickGestures[static_cast<std::size_t>(gesture)] == 1;
    const bool presses = !clicks && s.shared.dragGestures[static_cast<std::size_t>(gesture)] == 1 &&
                         !s.pointer.buttonHeld;
    const bool overOurKeyboard = keyboardShown(s) && insideKeyboard(s, frameStart);
    // A click or a press into a window that ignores us would be lost without
    // a word; a release always goes, so that no button stays down.
    if ((clicks || presses) && !overOurKeyboard && refusedHere(s, desktop, frameStart)) {
        clearEvent(s.pointer, gesture);
        s.pointer.clickCooldown = true;
        return GestureAction::None;
    }
    if (clicks) {
        action = GestureAction::Click;
        if (!keyboardShown(s)) {
            leftClick(desktop);
        } else if (insideKeyboard(s, frameStart)) {
            // The key press makes no mouse event, so a held drag is released
            // here: the button must never stay down unaccounted for.
            if (s.pointer.buttonHeld) desktop.leftButtonUp();
            pressKey(s, desktop);
            action = GestureAction::KeyPress;
        } else if (gesture == GestureEye) {
            tellClickOutside(s, desktop);
            leftClick(desktop);
        } else {
            leftClick(desktop);
            tellClickOutside(s, desktop);
        }
        // A click's own button-up ends a held drag.
        s.pointer.buttonHeld = false;
        playClickSound(s, desktop, ClickSound::Click);
    } else if (s.shared.dragGestures[static_cast<std::size_t>(gesture)] == 1) {
        toggleDrag(s.pointer, desktop);
        action = s.pointer.buttonHeld ? GestureAction::DragPress : GestureAction::DragRelease;
        playClickSound(s, desktop, s.pointer.buttonHeld ? ClickSound::Press : ClickSound::Release);
    }
    // A gesture taken out of both sets since its event was found does
    // nothing; its event is dropped all the same.
    clearEvent(s.pointer, gesture);
    s.pointer.clickCooldown = true;
    return action;
}

void clearEvent(PointerState& pointer, int gesture) {
    switch (gesture) {
        case GestureEye:
            pointer.eyeEvent = false;
            break;
        case GestureMouth:
            pointer.mouthEvent = false;
            break;
        default:
            pointer.dwellEvent = false;
            break;
    }
}

void leftClick(Desktop& desktop) {
    desktop.leftButtonDown();
    desktop.leftButtonUp();
}

void releaseHeldButton(PointerState& pointer, Desktop& desktop) {
    if (!pointer.buttonHeld) return;
    desktop.leftButtonUp();
    pointer.buttonHeld = false;
}

void toggleDrag(PointerState& pointer, Desktop& desktop) {
    if (pointer.buttonHeld) {
        releaseHeldButton(pointer, desktop);
    } else {
        desktop.leftButtonDown();
        pointer.buttonHeld = true;
    }
}

}  // namespace quil
