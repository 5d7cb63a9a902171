// What ends a run of tracking, and what each ending resets: the one place
// that says it, for both engines. A face loss, a shake and an idle loss all
// end through the Lost state, on the frame after the one that found them;
// a camera loss and an engine switch end from outside a frame. Each ends
// back at head detection (the Restart state).
//
//   ending        button  keyboard  face, track,  options  idle count       warm-up pause
//                 held    told      detection     re-read  (classic/precise) (classic/precise)
//   face loss     up      yes       forgotten     yes      kept / zeroed    waits / skipped
//   shake         up      yes       forgotten     yes      kept / zeroed    waits / skipped
//   idle loss     up      yes       forgotten     yes      kept / zeroed    waits / skipped
//   camera loss   up      if shown  forgotten     no       zeroed / zeroed  waits / skipped
//   engine switch up      if shown  forgotten     no       zeroed / zeroed  waits / skipped
//
// Where the engines differ, and why: the classic engine keeps its idle count
// across a loss and waits out its warm-up, as it always has (its users' and
// its recorded traces' behaviour); the precise engine finds a face in a
// single frame, so it looks again at once, and a new calibration does not
// inherit an idle count that would end it early. Every ending also ends a
// gesture check and forgets the precise engine's face.
//
//   every ending  scroll mode  dwell ring  head tilt   pause
//                 ended        hidden      forgotten   kept
//
// The pause outlives them all: the user asked for it, and the tracker must
// find the face again only to watch for the way back. A program's restart
// keeps nothing but the options file (which keeps the pause when the user
// chose so).
#pragma once

#include <cstdint>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// A face loss, a shake and an idle loss are one ending, TrackingLost: they
// reset alike (the frame report's LossReason tells them apart).
enum class Ending : uint8_t { TrackingLost, CameraLost, EngineSwitch };

// What an ending resets beyond what every ending does (the held button
// released, the face, track and detection forgotten, the preview's dwell
// zeroed, a gesture check ended).
struct EndingRule {
    bool rereadOptions = false;  // the options window's changes taken up
    bool zeroIdleCount = false;  // the idle frames counted so far
    bool skipWarmUp = false;     // head detection looks at the very next frame
    bool onlyIfShown = false;    // the keyboard told only if tracking had shown it
};

[[nodiscard]] EndingRule endingRule(Ending ending, int32_t engine);

// Ends tracking by the rule of this ending and the engine now running, and
// goes to the Restart state.
void endTracking(TrackerState& s, Desktop& desktop, Ending ending);

}  // namespace quil
