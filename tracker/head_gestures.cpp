#include "tracker/head_gestures.h"

#include <cstdlib>
#include <string>

namespace quil {

namespace {

// A gesture is five alternating letters.
constexpr std::size_t kGestureLetters = 5;
// A shake's swings must carry the face more than this many columns past the
// head range centre, and finish within this many frames.
constexpr int kShakeMargin = 5;
constexpr int kShakeFrameBudget = 26;
// A nod step is 3..5 rows between two calls with under 2 columns of sideways
// change; five steps must fall within one window of this many calls.
constexpr int kNodMinStep = 2;      // exclusive
constexpr int kNodMaxStep = 6;      // exclusive
constexpr int kNodMaxSideways = 2;  // exclusive
constexpr int kNodWindow = 30;

constexpr char kLeft = 'L';
constexpr char kRight = 'R';
constexpr char kUp = 'U';
constexpr char kDown = 'D';

// The histories never exceed a handful of letters; reserving once keeps the
// steady state free of allocation even beyond small-string storage.
void reserveHistory(std::string& history) {
    if (history.capacity() < kGestureLetters + 1) history.reserve(kGestureLetters + 1);
}

bool lastIs(const std::string& history, char letter) {
    return !history.empty() && history.back() == letter;
}

}  // namespace

// Shake: alternating swings beyond the centre, L R L R L, counted in frames
// from the history's start; the verdict comes on the call after the fifth.
bool detectShake(TrackerState& s, int faceColumn) {
    GestureHistory& g = s.gestures;
    reserveHistory(g.shakeHistory);
    if (g.shakeHistory.empty()) {
        g.shakeHistory.push_back(kLeft);
        g.shakeFrames = 0;
        return false;
    }
    if (g.shakeHistory.size() >= kGestureLetters) {
        g.shakeHistory.clear();
        return g.shakeFrames < kShakeFrameBudget;
    }
    ++g.shakeFrames;
    const int centre = s.shared.headRangeCentreX.load();
    if (faceColumn < centre - kShakeMargin && lastIs(g.shakeHistory, kRight)) {
        g.shakeHistory.push_back(kLeft);
    } else if (faceColumn > centre + kShakeMargin && lastIs(g.shakeHistory, kLeft)) {
        g.shakeHistory.push_back(kRight);
    }
    return false;
}

// Nod: five alternating small vertical steps within a fixed window of calls;
// the verdict comes on the call that adds the fifth letter.
bool detectNod(GestureHistory& g, int faceRow, int faceColumn) {
    reserveHistory(g.nodHistory);
    // 64-bit differences: rows and columns come from the face search, but a
    // stray value must not overflow.
    const long long d = static_cast<long long>(g.nodLastRow) - faceRow;
    const long long sideways = std::llabs(static_cast<long long>(g.nodLastCol) - faceColumn);
    const long long step = std::llabs(d);
    if (step > kNodMinStep && step < kNodMaxStep && sideways < kNodMaxSideways) {
        if (d > 0 && !lastIs(g.nodHistory, kUp)) {
            g.nodHistory.push_back(kUp);
        } else if (d < 0 && !lastIs(g.nodHistory, kDown)) {
            g.nodHistory.push_back(kDown);
        }
    }
    g.nodLastRow = faceRow;
    g.nodLastCol = faceColumn;

    if (g.nodHistory.size() >= kGestureLetters && g.nodFrames < kNodWindow) {
        g.nodHistory.clear();
        g.nodFrames = 0;
        return true;
    }
    if (g.nodFrames < kNodWindow) {
        ++g.nodFrames;
    } else {
        g.nodHistory.clear();
        g.nodFrames = 0;
    }
    return false;
}

}  // namespace quil
