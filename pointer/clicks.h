// Click generation: eye-closing, mouth-opening and dwell gestures become left
// clicks, drag presses and releases, or click messages to the keyboard.
#pragma once

#include "imaging/block_sampler.h"
#include "tracker/desktop.h"
#include "tracker/frame_report.h"
#include "tracker/tracker_state.h"

namespace quil {

enum GestureIndex : int { GestureEye = 0, GestureMouth = 1, GestureDwell = 2 };

// The patches examined for the eye and mouth gestures, in frame columns and
// top-down rows. They follow the face but are kept wholly inside the frame.
inline constexpr int kEyePatchRows = 37;
inline constexpr int kEyePatchCols = 61;
inline constexpr int kMouthPatchRows = 50;
inline constexpr int kMouthPatchCols = 31;
// Vertical block motion (sum of up and down shifts) that makes an event.
inline constexpr int kEyeEventMotion = 56;
inline constexpr int kMouthEventMotion = 61;
// Frames detection rests after an action.
inline constexpr int kClickCooldownFrames = 10;

struct PatchRect {
    int left = 0;  // first frame column
    int top = 0;   // first top-down frame row
    int cols = 0;
    int rows = 0;
    friend bool operator==(const PatchRect&, const PatchRect&) = default;
};

// The eye patch over the eye on the side the face turns away from, swung by
// the face's offset from the head range centre; the mouth patch below the
// face. Both clamped into the 640 x 480 frame.
[[nodiscard]] PatchRect eyePatchRect(const TrackerState& s, double faceX, double faceY);
[[nodiscard]] PatchRect mouthPatchRect(const TrackerState& s, double faceX, double faceY);

// The motion measurement of one patch, with the patch's block offsets and
// the frame's neighbour offsets (pointed at the patch) and scratch. The block
// sampler in the tracker; tests put a stand-in here.
using PatchSampler = void (*)(const BlockSamplerArgs& args, const IntList& current,
                              const IntList& previous, FeatureSet& result,
                              const IntList& blockOffsets,
                              const std::array<int32_t, 9>& neighbourOffsets,
                              SamplerScratch& scratch);

// Updates the event flags, the cooldown and dwellFrames for this frame's face
// position (currentGrid and previousGrid hold this and the previous frame).
// A patch whose buffers are not held (no calibration yet) raises no event.
void detectEvents(TrackerState& s, double faceX, double faceY);
void detectEvents(TrackerState& s, double faceX, double faceY, PatchSampler sampler);

// Whether the user's options give gesture k an action (a click or a drag):
// only those are looked for.
[[nodiscard]] bool examined(const TrackerState& s, int gesture);

// Counts one frame of the rest after an action. True while the rest goes on.
bool restAfterAction(PointerState& pointer);

// The first pending gesture in the order eye, mouth, dwell, or -1.
[[nodiscard]] int pendingGesture(const TrackerState& s);

// Performs gesture k's action (a click, a keyboard key press, or the drag
// toggle), clears its event and starts the cooldown. Returns what it did. frameStart is the
// pointer position read at the start of the frame.
GestureAction runGestureAction(TrackerState& s, Desktop& desktop, int gesture,
                               ScreenPoint frameStart);
// Drops gesture k's event without acting on it.
void clearEvent(PointerState& pointer, int gesture);
void leftClick(Desktop& desktop);
void toggleDrag(PointerState& pointer, Desktop& desktop);
// A held button up, if one is held: the only way the tracker lets go of a
// drag outside a gesture.
void releaseHeldButton(PointerState& pointer, Desktop& desktop);

}  // namespace quil
