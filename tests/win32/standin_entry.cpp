// Entry of the test build of Quilbrand2: the program's own start-up and
// loop, then a note of how it ended, taken at the very moment the program
// would end: the exit code and whether its tray icon is still there.
#include <string>

#include "event_log.h"
#include "shell/app.h"
#include "shell/main_window.h"
#include "standin_driver.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    const int code = quil::win::runQuilbrand(instance);
    const HWND main = quil::win::standInParent();
    const bool icon =
        main != nullptr && quil::wintest::trayIconExists(main, quil::win::kTrayIconId);
    quil::wintest::logEvent(std::string("program tray-at-exit ") + (icon ? "present" : "absent"));
    quil::wintest::logEvent("program exit " + std::to_string(code));
    ExitProcess(static_cast<UINT>(code));
}
