// The test build of Quilbrand2 started with its stand-in camera driver, and
// the messages a user's clicks on the tray send it.
#pragma once

#include <memory>
#include <string>

#include "event_log.h"
#include "program_harness.h"

namespace quil::wintest {

inline constexpr UINT kTrayId = 100;
inline constexpr UINT kTrayMessage = 600;
inline constexpr WPARAM kCmdAbout = 32769;
inline constexpr WPARAM kCmdOptions = 32770;
inline constexpr WPARAM kCmdExit = 32771;
inline constexpr WPARAM kCmdManual = 32772;

struct ProgramRun {
    std::filesystem::path dir;
    std::unique_ptr<Program> program;
    HWND main = nullptr;
};

// The test build with the stand-in set up by `config`.
inline ProgramRun startTestBuild(const std::string& name, const std::string& config) {
    ProgramRun r;
    r.dir = freshWorkDir(name);
    r.program = std::make_unique<Program>(
        QUIL_TEST_PROGRAM_PATH, r.dir,
        std::vector<std::pair<std::string, std::string>>{{"QUIL_STANDIN", config}});
    r.main = r.program->waitWindow(kMainClass, kMainClass);
    return r;
}

// The test build running its message loop (main window shown).
inline ProgramRun startRunning(const std::string& name, const std::string& config) {
    ProgramRun r = startTestBuild(name, config);
    waitUntil([&] { return r.main != nullptr && IsWindowVisible(r.main); });
    waitEvent(r.dir, "capture first-grab");
    return r;
}

inline LRESULT command(HWND main, WPARAM id) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main, WM_COMMAND, id, 0, SMTO_NORMAL, kPatienceMs, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace quil::wintest
