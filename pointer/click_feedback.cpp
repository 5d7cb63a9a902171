#include "pointer/click_feedback.h"

#include <algorithm>

#include "pointer/clicks.h"

namespace quil {

namespace {

// The ring appears only once a gesture is half way to its action: a pointer
// that merely slows down between two moves, or a blink, never flashes it,
// yet it still shows for the longer second half of a dwell (0.75 s of the
// default 1.5 s) and of a held gesture, when the user can still move to
// stop it.
constexpr int32_t kRingShowFrom = 500;
constexpr int32_t kRingFull = 1000;
// A refused window is told of again after this many frames (about 20 s at
// 13 frames a second) even if every click in between was refused: a user
// who comes back to it later is told again, one who keeps trying is not
// told at every click.
constexpr int32_t kRefusalRepeatFrames = 260;

int32_t share(int32_t frames, int32_t limit) {
    if (limit <= 0 || frames <= 0) return 0;
    return std::min(kRingFull, frames * kRingFull / limit);
}

}  // namespace

int32_t dwellRingFill(const TrackerState& s) {
    int32_t fill = 0;
    if (examined(s, GestureDwell)) fill = share(s.pointer.dwellFrames, s.pointer.dwellLimit);
    if (s.engine == PreciseEngine) {
        const DeliberateGestures& d = s.precise.deliberate;
        if (examined(s, GestureEye) && !d.eyesSpent) {
            fill = std::max(fill, share(d.eyesClosedFrames, d.holdLength));
        }
        if (examined(s, GestureMouth) && !d.mouthSpent) {
            fill = std::max(fill, share(d.mouthOpenFrames, d.holdLength));
        }
    }
    return fill >= kRingShowFrom ? fill : 0;
}

void showDwellRing(TrackerState& s, Desktop& desktop, ScreenPoint centre, int32_t thousandths) {
    DwellRingShown& ring = s.handsFree.ring;
    thousandths = std::clamp(thousandths, 0, kRingFull);
    if (thousandths == ring.thousandths && (thousandths == 0 || centre == ring.centre)) return;
    ring.thousandths = thousandths;
    ring.centre = centre;
    desktop.showDwellRing(centre, thousandths);
}

void showDwellOnKeyboard(TrackerState& s, Desktop& desktop, int32_t thousandths) {
    int32_t& told = s.handsFree.keyboardDwell;
    thousandths = std::clamp(thousandths, 0, kRingFull);
    const WindowHandle keyboard = s.keyboard.window.load();
    // The keys fill up only with the suggestions' row, the keyboard's other
    // aid; without it the keyboard hears nothing new.
    if (!s.shared.wordSuggestions.load()) thousandths = 0;
    if (thousandths == told || keyboard == 0) return;
    told = thousandths;
    desktop.tellKeyboardDwell(keyboard, thousandths);
}

void hideDwellRing(TrackerState& s, Desktop& desktop) {
    showDwellRing(s, desktop, s.handsFree.ring.centre, 0);
}

void playClickSound(const TrackerState& s, Desktop& desktop, ClickSound sound) {
    if (s.shared.clickSounds.load()) desktop.playClickSound(sound);
}

bool refusedHere(TrackerState& s, Desktop& desktop, ScreenPoint p) {
    RefusalNotice& refusal = s.handsFree.refusal;
    if (!desktop.windowRefusesInput(p)) {
        // A click went through: the next refusal is a new episode.
        refusal.told = false;
        return false;
    }
    if (!refusal.told || refusal.framesSinceTold >= kRefusalRepeatFrames) {
        desktop.showNotice(DesktopNotice::RefusedWindow);
        refusal.told = true;
        refusal.framesSinceTold = 0;
    }
    return true;
}

void countRefusalTime(RefusalNotice& refusal) {
    if (refusal.told && refusal.framesSinceTold < kRefusalRepeatFrames) ++refusal.framesSinceTold;
}

}  // namespace quil
