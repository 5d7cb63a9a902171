// Our boxes used by the head alone: the About box and both start-up warnings
// close by a dwell click, that is the pointer taken onto their button by the
// tracker's own desktop calls (Win32Desktop: SetCursorPos step by step, then
// the left button down and up as the tracker sends it), with no key and no
// message to the box.
#include <gtest/gtest.h>

#include <string>

#include "program_harness.h"
#include "program_run.h"
#include "shell/win32_desktop.h"

namespace quil::wintest {
namespace {

// The pointer crosses to the button in this many frames, then holds still
// for the dwell before the click, as the tracker would.
constexpr int kPathSteps = 12;
constexpr DWORD kFrameMs = 33;
constexpr DWORD kDwellMs = 300;

// The box's push button: a message box with one button has no other.
HWND buttonOf(HWND box) { return FindWindowExA(box, nullptr, "Button", nullptr); }

// The class of the window under `p`: the button's own when nothing lies
// over it.
std::string classAt(POINT p) {
    char name[128] = {};
    GetClassNameA(GetAncestor(WindowFromPoint(p), GA_ROOT), name, sizeof name);
    return name;
}

// Takes the pointer to the middle of `button` and clicks there, through the
// tracker's desktop.
void dwellClick(HWND button) {
    TrackerState state;
    win::Win32Desktop desktop(state, GetModuleHandleA(nullptr));
    RECT r{};
    ASSERT_TRUE(GetWindowRect(button, &r));
    const POINT target{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    const ScreenPoint from = desktop.cursorPos();
    for (int i = 1; i <= kPathSteps; ++i) {
        desktop.setCursorPos(from.x + (target.x - from.x) * i / kPathSteps,
                             from.y + (target.y - from.y) * i / kPathSteps);
        pause(kFrameMs);
    }
    ASSERT_TRUE(waitUntil([&] {
        const ScreenPoint p = desktop.cursorPos();
        return p.x == target.x && p.y == target.y;
    })) << "the pointer did not reach the button";
    EXPECT_EQ(WindowFromPoint(target), button)
        << "covered by a window of class " << classAt(target);
    pause(kDwellMs);
    desktop.leftButtonDown();
    desktop.leftButtonUp();
}

// The box is on the screen, whole, and its button is the window at its own
// middle.
void expectReachable(HWND box) {
    RECT r{};
    ASSERT_TRUE(GetWindowRect(box, &r));
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(r.bottom, GetSystemMetrics(SM_CYSCREEN));
}

TEST(DwellBoxes, TheAboutBoxClosesByADwellClick) {
    ProgramRun r = startRunning("dwell-about", "scene=still");
    ASSERT_NE(r.main, nullptr);
    EXPECT_EQ(command(r.main, kCmdAbout), 1);
    const HWND about = r.program->waitWindow(kBoxClass, "Quilbrand 2", true, 5000);
    ASSERT_NE(about, nullptr);
    expectReachable(about);
    const HWND ok = buttonOf(about);
    ASSERT_NE(ok, nullptr);
    dwellClick(ok);
    EXPECT_TRUE(waitUntil(
        [&] { return windowsOf(r.program->id(), kBoxClass, "Quilbrand 2").empty(); }, 5000));
    EXPECT_TRUE(r.program->running()) << "only the box closed";
}

// Each warning ends the program once closed; closed by a click it does too.
TEST(DwellBoxes, BothWarningsCloseByADwellClick) {
    const struct {
        const char* name;
        const char* config;
        const char* text;
    } warnings[] = {
        {"dwell-no-camera", "drivers=", "La camara no esta conectada"},
        {"dwell-no-format", "format=yuy2;refuse=1", "La camara no soporta 640x480"},
    };
    for (const auto& w : warnings) {
        SCOPED_TRACE(w.name);
        ProgramRun r = startTestBuild(w.name, w.config);
        const HWND box = r.program->waitWindow(kBoxClass, kWarning, true);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(messageBoxText(box), w.text);
        expectReachable(box);
        const HWND ok = buttonOf(box);
        ASSERT_NE(ok, nullptr);
        dwellClick(ok);
        EXPECT_EQ(r.program->waitExit(), 0);
    }
}

}  // namespace
}  // namespace quil::wintest
