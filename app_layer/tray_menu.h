// The tray icon's menu, described once for both shells: its items in order,
// which are ticked and which greyed, and what the items that only change the
// tracker's settings do. The shells draw it and carry out the rest (opening
// windows, the manual, the log-on entry, the exit).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "tracker/desktop.h"
#include "tracker/tracker_state.h"

namespace quil {

// A Windows menu item's id is kTrayCommandBase plus the value, so the values
// stay as they are: the tests and older builds send those ids.
enum class TrayCommand : int32_t {
    None = 0,
    About = 1,
    Options = 2,
    Exit = 3,
    Manual = 4,
    PreciseTracking = 5,
    CheckGestures = 6,
    SensitivityLow = 7,
    SensitivityMedium = 8,
    SensitivityHigh = 9,
    StartAtLogOn = 10,
    Pause = 11,
    Scroll = 12,
    AllScreens = 13,
    ClickSounds = 14,
    KeepPause = 15,
    PointingTest = 16,
    WordSuggestions = 17,
};
inline constexpr int32_t kTrayCommandBase = 32768;

enum class TrayEntryKind : int32_t { Item, Separator, SubmenuBegin, SubmenuEnd };
// A tick of its own (on or off), or one of a group of which one is ticked.
enum class TrayTick : int32_t { None, Check, Radio };

struct TrayEntry {
    TrayEntryKind kind = TrayEntryKind::Item;
    TrayCommand command = TrayCommand::None;
    const char* text = "";
    TrayTick tick = TrayTick::None;
};

// Linux has one item more, "Start at log-on": on Windows the installer
// makes the log-on shortcut.
enum class TrayPlatform : int32_t { Windows, Linux };

// The menu from top to bottom; a submenu's items lie between its Begin
// (which carries its title) and its End.
[[nodiscard]] std::span<const TrayEntry> trayMenu(TrayPlatform platform);

// What only the shell knows.
struct TrayFacts {
    bool startsAtLogOn = false;
};

struct TrayItemState {
    bool ticked = false;
    bool greyed = false;
};
[[nodiscard]] TrayItemState trayItemState(const TrackerState& s, TrayCommand command,
                                          const TrayFacts& facts = {});

// Carries out an item that only changes the tracker's settings (the engine,
// the gesture check, the sensitivity, the pause and the scroll mode, the
// screens, the sounds, keeping the pause), saving the options file when a
// saved setting changed; a greyed item does nothing. The pause and the
// scroll mode are requests the tracker takes at its next frame. False for the shell's own
// items, which it carries out itself.
bool runTrayCommand(TrackerState& s, TrayCommand command, const std::filesystem::path& optionsFile);

// The "Options" item and a click on the camera view: true when the shell is
// to open the options window now. The rule is requestOptionsWindow's (not
// while the head is searched for or calibrated; a shown keyboard is hidden
// while the window is open). Asked again while the window is open, not even
// the request is made: the keyboard must keep what the first opening found,
// or closing the window would leave it hidden for good.
[[nodiscard]] bool askForOptionsWindow(TrackerState& s, Desktop& desktop);

// Saves the options file when the tracker changed a setting of its own (the
// gesture check's levels); while the options window is open it waits, since
// the window's OK writes the whole table. Called after each frame.
void saveTrackersOptions(TrackerState& s, const std::filesystem::path& optionsFile);

}  // namespace quil
