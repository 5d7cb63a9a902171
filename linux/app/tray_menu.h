// The tray icon's menu on Linux: the portable menu drawn as a QMenu, its
// ticks and greying read again each time it opens, its settings items
// carried out by the portable layer and the rest handed to the program.
#pragma once

#include <QAction>
#include <QMenu>
#include <filesystem>
#include <functional>
#include <map>

#include "app_layer/tray_menu.h"
#include "tracker/tracker_state.h"

namespace quil::lnx {

class TrayMenu {
public:
    // `facts` says what only the program knows; `shellCommand` carries out
    // the items the portable layer leaves to it (Options, Manual, ...).
    TrayMenu(QMenu& menu, TrackerState& s, std::filesystem::path optionsFile,
             std::function<TrayFacts()> facts, std::function<void(TrayCommand)> shellCommand);

    // Ticks and greys the items as the state now stands.
    void refresh();
    [[nodiscard]] QAction* action(TrayCommand command) const;

private:
    void choose(TrayCommand command);

    TrackerState& s_;
    std::filesystem::path optionsFile_;
    std::function<TrayFacts()> facts_;
    std::function<void(TrayCommand)> shellCommand_;
    std::map<TrayCommand, QAction*> actions_;
};

}  // namespace quil::lnx
