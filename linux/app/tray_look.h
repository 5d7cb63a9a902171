// How the tray icon shows the head's mode: while paused a greyed icon with
// a pause mark, drawn here from the usual one, and a tip that says so.
#pragma once

#include <QIcon>
#include <QString>

#include "tracker/desktop.h"

namespace quil::lnx {

// The sizes the paused icon is drawn at (tray icons are small).
inline constexpr int kTrayIconSizes[] = {16, 22, 24, 32, 48};

[[nodiscard]] QIcon pausedTrayIcon(const QIcon& normal);
// The program's name, and the mode's word when it is not pointing.
[[nodiscard]] QString trayToolTip(HeadMode mode);
// The corner view's word for the mode; empty while pointing.
[[nodiscard]] QString headModeNotice(HeadMode mode);

}  // namespace quil::lnx
