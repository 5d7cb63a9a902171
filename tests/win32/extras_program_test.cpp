// The scroll mode through the test build of Quilbrand2, on the stand-in
// camera's "scroll" scene: turned on from the tray menu, the raised head
// scrolls the window under the pointer up by what the wheel's rate gives,
// the pointer stays still, and the head back where it began scrolls nothing
// until the mode ends by itself.
#include <gtest/gtest.h>

#include <functional>

#include "pointer/scroll_wheel.h"
#include "program_run.h"
#include "synthetic_scene.h"

namespace quil::wintest {
namespace {

constexpr WPARAM kCmdScroll = 32768 + 12;
constexpr char kBandClass[] = "QuilbrandViewNotice";
constexpr char kTargetClass[] = "QuilScrollTarget";
// Calibration and the scene's 75 frames after it; a busy machine may take
// twice as long.
constexpr DWORD kRunPatienceMs = 60000;
// The synthetic face's eyes are this far apart: the head's offset is
// measured in shares of it.
constexpr double kSceneEyeGap = 90.0;

struct Wheel {
    int messages = 0;
    int total = 0;
};
Wheel wheel;

LRESULT CALLBACK targetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEWHEEL) {
        ++wheel.messages;
        wheel.total += GET_WHEEL_DELTA_WPARAM(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

bool pumpUntil(const std::function<bool()>& ready, DWORD patienceMs = kPatienceMs) {
    return waitUntil(
        [&] {
            pump();
            return ready();
        },
        patienceMs);
}

HWND band(HWND main) { return FindWindowExA(main, nullptr, kBandClass, nullptr); }

TEST(ScrollMode, TheRaisedHeadScrollsTheWindowUpAndTheHeadAtRestNothing) {
    ProgramRun r = startRunning("scroll", "scene=scroll");
    ASSERT_NE(r.main, nullptr);
    ASSERT_TRUE(waitEvent(r.dir, "capture calibrated-at", kRunPatienceMs)) << "no calibration";

    // The user's window, under the pointer and with the focus.
    WNDCLASSA c{};
    c.lpfnWndProc = targetProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = kTargetClass;
    RegisterClassA(&c);
    const HWND target = CreateWindowExA(0, kTargetClass, "document", WS_POPUP | WS_VISIBLE, 0, 0,
                                        1024, 768, nullptr, nullptr, c.hInstance, nullptr);
    ASSERT_NE(target, nullptr);
    SetForegroundWindow(target);
    SetFocus(target);

    EXPECT_EQ(command(r.main, kCmdScroll), 1);
    ASSERT_TRUE(pumpUntil([&] {
        return band(r.main) != nullptr && IsWindowVisible(band(r.main)) &&
               windowText(band(r.main)) == "Desplazando";
    })) << "the view does not show the scroll mode";
    POINT still{};
    GetCursorPos(&still);
    EXPECT_FALSE(hasEvent(readEvents(r.dir), "scene head-up")) << "turned on too late";

    ASSERT_TRUE(pumpUntil([&] { return waitEvent(r.dir, "scene head-back", 0); }, kRunPatienceMs));
    pump();
    const Wheel raised = wheel;
    // About 40 frames with the head raised by a fifth of the eye gap, each
    // turning the wheel at the rate for that offset.
    const double perFrame = wheelRate(kScrollRaise / kSceneEyeGap);
    const double frames = kScrollBackFrame - kScrollUpFrame;
    EXPECT_GT(raised.total, 0.6 * perFrame * frames) << "raised, the head scrolls up";
    EXPECT_LT(raised.total, 1.4 * perFrame * frames);
    EXPECT_GT(raised.messages, 4) << "in many small turns";
    POINT now{};
    GetCursorPos(&now);
    EXPECT_EQ(now.x, still.x);
    EXPECT_EQ(now.y, still.y);

    // Back where it began, the head rests in the dead zone: nothing scrolls,
    // and after a while the mode ends by itself.
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(band(r.main)); }, kRunPatienceMs));
    pump();
    EXPECT_EQ(wheel.total, raised.total);
    EXPECT_EQ(wheel.messages, raised.messages);

    DestroyWindow(target);
    PostMessageA(r.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(r.program->waitExit(), 0);
}

}  // namespace
}  // namespace quil::wintest
