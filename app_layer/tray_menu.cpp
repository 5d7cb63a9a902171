#include "app_layer/tray_menu.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <system_error>

#include "options/options_file.h"
#include "options/options_window_logic.h"

namespace quil {

namespace {

using K = TrayEntryKind;
using C = TrayCommand;

constexpr TrayEntry item(C command, const char* text, TrayTick tick = TrayTick::None) {
    return {K::Item, command, text, tick};
}
constexpr TrayEntry kSeparator{K::Separator, C::None, "", TrayTick::None};

// The items both menus share: down to the extras' rule, and from "Pointing test"
// to the rule below "About ...".
constexpr std::array kCommonItems{
    item(C::Options, "Options"),
    item(C::PreciseTracking, "Precise tracking", TrayTick::Check),
    item(C::CheckGestures, "Check gestures"),
    TrayEntry{K::SubmenuBegin, C::None, "Gesture sensitivity", TrayTick::None},
    item(C::SensitivityLow, "Low", TrayTick::Radio),
    item(C::SensitivityMedium, "Medium", TrayTick::Radio),
    item(C::SensitivityHigh, "High", TrayTick::Radio),
    TrayEntry{K::SubmenuEnd, C::None, "", TrayTick::None},
    // The hands-free extras after the items the shells' tests find by place.
    item(C::Pause, "Pause", TrayTick::Check),
    item(C::Scroll, "Scroll", TrayTick::Check),
    item(C::AllScreens, "All screens", TrayTick::Check),
    item(C::ClickSounds, "Click sounds", TrayTick::Check),
    item(C::KeepPause, "Keep pause after restart", TrayTick::Check),
    item(C::WordSuggestions, "Word suggestions", TrayTick::Check),
    kSeparator,
};
constexpr std::array kCommonEnd{
    item(C::PointingTest, "Pointing test"),
    item(C::Manual, "Manual"),
    item(C::About, "About ..."),
    kSeparator,
};

// Linux's menu is the shared part and its own last items, put together at
// compile time so that each menu stays one contiguous list.
template <std::size_t A, std::size_t B>
constexpr std::array<TrayEntry, A + B> join(const std::array<TrayEntry, A>& a,
                                            const std::array<TrayEntry, B>& b) {
    std::array<TrayEntry, A + B> out{};
    for (std::size_t i = 0; i < A; ++i) out[i] = a[i];
    for (std::size_t i = 0; i < B; ++i) out[A + i] = b[i];
    return out;
}

constexpr auto kWindowsMenu =
    join(join(kCommonItems, kCommonEnd), std::array{item(C::Exit, "Exit")});
constexpr auto kLinuxMenu = join(
    join(kCommonItems, kCommonEnd),
    std::array{item(C::StartAtLogOn, "Start at log-on", TrayTick::Check), item(C::Exit, "Exit")});

// The level an item of the sensitivity group stands for, or -1.
int32_t levelOf(C command) {
    switch (command) {
        case C::SensitivityLow:
            return SensitivityLow;
        case C::SensitivityMedium:
            return SensitivityMedium;
        case C::SensitivityHigh:
            return SensitivityHigh;
        default:
            return -1;
    }
}

// The saved choice an item turns on and off.
std::atomic<bool> SharedState::*savedFlagOf(C command) {
    switch (command) {
        case C::AllScreens:
            return &SharedState::allScreens;
        case C::ClickSounds:
            return &SharedState::clickSounds;
        case C::WordSuggestions:
            return &SharedState::wordSuggestions;
        default:
            return &SharedState::keepPause;
    }
}

// A saved setting may change only while the options window is closed: the
// save would write the table the user has not confirmed yet.
bool maySave(const TrackerState& s) { return !s.shared.optionsOpen.load(); }

// The precise engine can be chosen only when its model was loaded.
bool mayChooseEngine(const TrackerState& s) {
    return s.shared.preciseAvailable.load() && maySave(s);
}

// The first save of a new user may find no folder yet (Linux keeps the file
// in a folder of its own).
void save(const TrackerState& s, const std::filesystem::path& file) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    saveOptions(s, file);
}

}  // namespace

std::span<const TrayEntry> trayMenu(TrayPlatform platform) {
    if (platform == TrayPlatform::Linux) return kLinuxMenu;
    return kWindowsMenu;
}

TrayItemState trayItemState(const TrackerState& s, TrayCommand command, const TrayFacts& facts) {
    switch (command) {
        case C::PreciseTracking:
            return {s.shared.engineChoice.load() == PreciseEngine, !mayChooseEngine(s)};
        case C::CheckGestures:
            return {false, !s.shared.gestureCheckAvailable.load()};
        case C::SensitivityLow:
        case C::SensitivityMedium:
        case C::SensitivityHigh:
            return {s.shared.gestureSensitivity.load() == levelOf(command), !maySave(s)};
        case C::StartAtLogOn:
            return {facts.startsAtLogOn, false};
        case C::PointingTest:
            // The options window is answered first; the test covers it.
            return {false, s.shared.optionsOpen.load()};
        case C::Pause:
            return {s.shared.paused.load(), false};
        case C::Scroll:
            // Scrolling needs a face to measure from, and nothing while paused.
            return {s.shared.scrolling.load(), s.shared.paused.load()};
        case C::AllScreens:
        case C::ClickSounds:
        case C::KeepPause:
        case C::WordSuggestions:
            return {(s.shared.*savedFlagOf(command)).load(), !maySave(s)};
        default:
            return {};
    }
}

bool runTrayCommand(TrackerState& s, TrayCommand command,
                    const std::filesystem::path& optionsFile) {
    switch (command) {
        case C::PreciseTracking:
            // The tracker changes engines at its next frame; the file keeps
            // the choice for the next start.
            if (!mayChooseEngine(s)) return true;
            s.shared.engineChoice =
                s.shared.engineChoice.load() == PreciseEngine ? ClassicEngine : PreciseEngine;
            save(s, optionsFile);
            return true;
        case C::CheckGestures:
            // The tracker takes the request up at its next frame.
            if (s.shared.gestureCheckAvailable.load()) s.shared.gestureCheckRequested = true;
            return true;
        case C::SensitivityLow:
        case C::SensitivityMedium:
        case C::SensitivityHigh:
            if (!maySave(s) || s.shared.gestureSensitivity.load() == levelOf(command)) return true;
            s.shared.gestureSensitivity = levelOf(command);
            save(s, optionsFile);
            return true;
        case C::Pause:
            s.shared.pauseToggleRequested = true;
            return true;
        case C::Scroll:
            if (!s.shared.paused.load()) s.shared.scrollToggleRequested = true;
            return true;
        case C::AllScreens:
        case C::ClickSounds:
        case C::KeepPause:
        case C::WordSuggestions: {
            // The tracker follows the screens' choice at its next frame, the
            // keyboard the suggestions' at the shell's next tick.
            if (!maySave(s)) return true;
            std::atomic<bool>& flag = s.shared.*savedFlagOf(command);
            flag = !flag.load();
            save(s, optionsFile);
            return true;
        }
        default:
            return false;
    }
}

bool askForOptionsWindow(TrackerState& s, Desktop& desktop) {
    if (s.shared.optionsOpen.load()) return false;
    return requestOptionsWindow(s, desktop);
}

void saveTrackersOptions(TrackerState& s, const std::filesystem::path& optionsFile) {
    if (maySave(s) && s.shared.optionsToSave.exchange(false)) save(s, optionsFile);
}

}  // namespace quil
