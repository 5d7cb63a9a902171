// The whole system under Wine: Quilbrand2 with the stand-in camera, and
// the real keyboard program, which the tracker starts. The person in front
// of the camera calibrates, lowers the head onto the keyboard and opens the
// mouth, raises the head, and nods every few seconds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "keyboard_desktop.h"

namespace quil::osk::wintest {
namespace {

using quil::wintest::waitEvent;

// The tracker calibrates within about ten seconds of a start, and its script
// after calibration takes about twelve; a busy machine may take twice that.
constexpr DWORD kCalibrationPatienceMs = 60000;
constexpr DWORD kScriptPatienceMs = 45000;

// The character the key under the pointer types, or 0.
char16_t characterUnderPointer(HWND keyboard) {
    POINT p{};
    GetCursorPos(&p);
    RECT r{};
    GetWindowRect(keyboard, &r);
    const auto key = keyAt(p.x - r.left, p.y - r.top);
    if (!key) return 0;
    const Key& k = allKeys()[*key];
    if (k.kind == KeyKind::Space) return u' ';
    return (k.kind == KeyKind::Letter || k.kind == KeyKind::Symbol) ? k.base : 0;
}

// The keyboard the tracker started is no child of ours: should the test
// stop half-way, it is ended here, so that it does not stand in the way of
// the next test's keyboard.
class EndsAtScopeExit {
public:
    explicit EndsAtScopeExit(DWORD id) : id_(id) {}
    EndsAtScopeExit(const EndsAtScopeExit&) = delete;
    EndsAtScopeExit& operator=(const EndsAtScopeExit&) = delete;
    ~EndsAtScopeExit() {
        const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id_);
        if (process == nullptr) return;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, kPatienceMs);
        }
        CloseHandle(process);
    }

private:
    DWORD id_;
};

bool processExited(DWORD id, DWORD patienceMs) {
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return true;
    DWORD code = 1;
    const bool ended = WaitForSingleObject(process, patienceMs) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process, &code) != FALSE && code == 0;
    CloseHandle(process);
    return ended;
}

// A picture for the documentation, when asked for: taken once the typed
// key's flash is over, before the pointer drifts to a neighbour.
void picture(const char* name) {
    char dir[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QUIL_SCREENSHOTS", dir, MAX_PATH) == 0) return;
    constexpr DWORD kAfterFlashMs = 250;
    pumpFor(kAfterFlashMs);
    quil::wintest::saveScreen(std::filesystem::path(dir) / (std::string(name) + ".bmp"));
}

TEST(WholeSystem, TheTrackerStartsTheKeyboardTheMouthTypesANodHidesAndShowsItExitClosesIt) {
    const auto dir = quil::wintest::freshWorkDir("whole-system");
    Program tracker(QUIL_SYSTEM_PROGRAM_PATH, dir, {{"QUIL_STANDIN", "scene=typing"}});
    const HWND main = tracker.waitWindow("Quilbrand2", "Quilbrand2");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitEvent(dir, "capture calibrated-at", kCalibrationPatienceMs));

    // Calibration has started the keyboard program, which docks and shows.
    HWND keyboard = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        const auto all = keyboardWindows();
        keyboard = all.empty() ? nullptr : all.front();
        return keyboard != nullptr && IsWindowVisible(keyboard) != FALSE;
    }));
    DWORD keyboardProcess = 0;
    GetWindowThreadProcessId(keyboard, &keyboardProcess);
    const EndsAtScopeExit keyboardEnds(keyboardProcess);
    TextBox box;
    ASSERT_TRUE(box.hasFocus());

    // The open mouth over the keyboard types the key under the pointer:
    // the tracker has had the keyboard's hello, or it would have clicked.
    ASSERT_TRUE(pumpUntil([&] { return !box.text().empty(); }, kScriptPatienceMs));
    const char16_t expected = characterUnderPointer(keyboard);
    EXPECT_NE(expected, 0);
    EXPECT_EQ(box.text(), std::u16string(1, expected));
    EXPECT_TRUE(box.hasFocus());
    picture("keyboard_typing");

    // A nod hides it, a later one shows it again.
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(keyboard) == FALSE; }, kScriptPatienceMs));
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(keyboard) != FALSE; }, kScriptPatienceMs));
    EXPECT_TRUE(box.hasFocus());
    EXPECT_EQ(box.text().size(), 1u);
    // Still tracking: a lost user would have brought the large view back.
    RECT view{};
    GetWindowRect(main, &view);
    EXPECT_EQ(view.right - view.left, GetSystemMetrics(SM_CXSCREEN) / 8);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(tracker.waitExit(), 0);
    EXPECT_TRUE(processExited(keyboardProcess, kPatienceMs)) << "the keyboard was not closed";
}

}  // namespace
}  // namespace quil::osk::wintest
