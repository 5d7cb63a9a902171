// Whether the window under the pointer would ignore our input: Windows
// drops input that a program sends to a program running with higher rights
// (an elevated one, when ours is not), so a click there lands nowhere.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quil::win {

// What a process's token says of its elevation, as far as we may read it.
enum class Elevation {
    NotElevated,
    Elevated,
    // The process or its token would not open for us: it runs with higher
    // rights (or as another user), out of our input's reach too.
    Denied,
    // Gone, or the query failed for another reason: nothing is known.
    Unknown,
};

// Whose window lies under the point: none (the point is off every
// window), one of this process, or another program's.
enum class WindowOwner { Nobody, Us, Other };

struct WindowOwnerFacts {
    WindowOwner owner = WindowOwner::Nobody;
    Elevation theirs = Elevation::Unknown;
    bool weAreElevated = false;
};

// Refused only when the window is another program's, that program has
// higher rights, and we have not: when in doubt, the click goes ahead.
[[nodiscard]] bool refusesInput(const WindowOwnerFacts& facts);

// The facts of the top-level window under the screen point p.
[[nodiscard]] WindowOwnerFacts ownerFactsAt(POINT p);
// The elevation of a process's token; of this process when it is ours.
[[nodiscard]] Elevation processElevation(DWORD processId);

}  // namespace quil::win
