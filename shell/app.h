// The program's one set of run-time objects: the instance, the tracker's
// state, the desktop the tracker drives, and the tray icon record.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include <atomic>
#include <filesystem>

#include "app_layer/lifetime.h"
#include "app_layer/texts.h"
#include "options/options_file.h"
#include "shell/win32_desktop.h"
#include "tracker/tracker_state.h"

namespace quil::win {

// The camera view's class; its title is the shared kMainTitle.
inline constexpr char kMainClassName[] = "Quilbrand2";
inline constexpr char kIconName[] = "Icono";
// The tray icon while the tracker is paused: greyed, with a pause mark.
inline constexpr char kPausedIconName[] = "IconoPausa";
inline constexpr char kEyesOpenName[] = "Ojos1";
inline constexpr char kEyesClosedName[] = "Ojos2";
// The gesture prompt's open mouth.
inline constexpr char kMouthOpenName[] = "Boca";

struct App {
    explicit App(HINSTANCE inst) : instance(inst), desktop(state, inst) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    HINSTANCE instance;
    TrackerState state;
    Win32Desktop desktop;
    NOTIFYICONDATAA trayIcon{};
    bool trayIconShown = false;
    // The head's mode as last shown, so that an icon added again after a
    // shell restart still shows the pause.
    HeadMode headMode = HeadMode::Pointing;
    // Where the options window's OK and the tray menu's engine choice save
    // the options.
    std::filesystem::path optionsFile{kOptionsFileName};
    // Set while the About box is up; its thread clears it.
    std::atomic<bool> aboutOpen{false};
    // The program's end, run once.
    Lifetime lifetime;
};

// Start-up, message loop and exit code of Quilbrand2.
int runQuilbrand(HINSTANCE instance);

}  // namespace quil::win
