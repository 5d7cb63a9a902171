// The options window as the user meets it: a real window on its own thread,
// clicked through its window procedure, under Wine.
#include "options/window/options_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "options/options_file.h"
#include "options/options_window_logic.h"
#include "tests/support/recording_desktop.h"
#include "win32ui_test_support.h"

namespace quil::win {
namespace {

namespace fs = std::filesystem;
using quil::testing::DesktopCall;
using quil::testing::RecordingDesktop;

constexpr WindowHandle kFakeKeyboard = 0x4242;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A stand-in for the program's main window, on a thread of its own (as the
// real one is, seen from the options thread), that notes WM_DESTROY.
class FakeMainWindow {
public:
    FakeMainWindow() {
        thread_ = std::thread([this] { run(); });
        while (window_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~FakeMainWindow() {
        PostMessageA(window_, WM_QUIT, 0, 0);
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }
    static std::atomic<int> destroys;

private:
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_DESTROY) {
            ++destroys;
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    void run() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuilTestMain";
        RegisterClassA(&wc);
        threadId_ = GetCurrentThreadId();
        HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, "QuilTestMain", "QuilTestMain", WS_POPUP, 0, 0,
                                 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        window_ = w;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    }
    std::thread thread_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<DWORD> threadId_{0};
};
std::atomic<int> FakeMainWindow::destroys{0};

class OptionsWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerOptionsClass();
        main_ = new FakeMainWindow();
    }
    static void TearDownTestSuite() {
        delete main_;
        main_ = nullptr;
    }

    void SetUp() override {
        dir_ =
            fs::temp_directory_path() / ("quil_options_" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(dir_);
        file_ = dir_ / "options.cfg";
        fs::remove(file_);
        s_ = std::make_unique<TrackerState>();
        s_->session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        s_->session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
        restorePointerBounds(*s_);
        loadOptions(*s_, file_);
        s_->session.mainWindow = reinterpret_cast<WindowHandle>(main_->window());
    }
    void TearDown() override {
        if (optionsThreadRunning()) {
            if (HWND w = optionsWindow()) click(w, buttonCentre(1));  // CANCEL
            waitClosed();
        }
        fs::remove_all(dir_);
    }

    HWND open() {
        EXPECT_TRUE(startOptionsWindow(*s_, desktop_, GetModuleHandleA(nullptr), file_));
        HWND w = nullptr;
        for (int i = 0; i < 500 && (w == nullptr || !s_->shared.optionsOpen); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            w = optionsWindow();
        }
        EXPECT_NE(w, nullptr);
        EXPECT_TRUE(s_->shared.optionsOpen);
        return w;
    }
    static void click(HWND w, POINT p) { SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
    static POINT buttonCentre(int k) {
        const OptionRect& r = kOptionLayout[kButtonRow].cells[static_cast<std::size_t>(k)];
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static POINT cellCentre(int row, int col) {
        const OptionRect& r =
            kOptionLayout[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(col)];
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    int value(int row, int col) const { return s_->shared.optionFlags[row * 3 + col]; }

    static FakeMainWindow* main_;
    fs::path dir_;
    fs::path file_;
    std::unique_ptr<TrackerState> s_;
    RecordingDesktop desktop_;
};
FakeMainWindow* OptionsWindowTest::main_ = nullptr;

TEST_F(OptionsWindowTest, OpensCentredConfinesThePointerAndGivesItBackOnClose) {
    const int sw = s_->session.screenWidth;
    const int sh = s_->session.screenHeight;
    HWND w = open();
    const int left = (sw - kOptionsWindowWidth) / 2;
    const int top = (sh - kOptionsWindowHeight) / 2;
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, kOptionsWindowWidth);
    EXPECT_EQ(r.bottom - r.top, kOptionsWindowHeight);
    EXPECT_EQ(GetWindowLongPtrA(w, GWL_STYLE) & (WS_POPUP | WS_BORDER | WS_CAPTION),
              static_cast<LONG_PTR>(WS_POPUP | WS_BORDER));
    EXPECT_EQ(GetWindow(w, GW_OWNER), main_->window());
    EXPECT_EQ(s_->shared.clampMinX, left);
    EXPECT_EQ(s_->shared.clampMaxX, left + 607);
    EXPECT_EQ(s_->shared.clampMinY, top);
    EXPECT_EQ(s_->shared.clampMaxY, top + 513);

    // The window moving (as it does when shown) confines the system cursor.
    SendMessageA(w, WM_MOVE, 0, 0);
    RECT clip;
    GetClipCursor(&clip);
    EXPECT_EQ(clip.left, left);
    EXPECT_EQ(clip.top, top);
    EXPECT_EQ(clip.right, left + kOptionsWindowWidth);
    EXPECT_EQ(clip.bottom, top + kOptionsWindowHeight);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(s_->shared.lastCursor.load(), (ScreenPoint{cursor.x, cursor.y}));

    // A second window cannot be started while this one is up.
    EXPECT_FALSE(startOptionsWindow(*s_, desktop_, GetModuleHandleA(nullptr), file_));

    click(w, buttonCentre(1));
    waitClosed();
    EXPECT_FALSE(s_->shared.optionsOpen);
    EXPECT_EQ(optionsWindow(), nullptr);
    EXPECT_EQ(s_->shared.clampMinX, 1);
    EXPECT_EQ(s_->shared.clampMaxX, sw - 10);
    EXPECT_EQ(s_->shared.clampMinY, 1);
    EXPECT_EQ(s_->shared.clampMaxY, sh - 10);
    EXPECT_EQ(s_->shared.mapWidth, sw);
    EXPECT_EQ(s_->shared.mapHeight, sh);
    GetClipCursor(&clip);
    EXPECT_GT(clip.right - clip.left, kOptionsWindowWidth);
}

TEST_F(OptionsWindowTest, BorderLinesAndGreyedPicturesDoNothing) {
    HWND w = open();
    click(w, {441, 50});  // just inside the mirrored picture
    EXPECT_TRUE(s_->shared.mirrorX);
    click(w, {162, 50});   // row 0's left edge: nothing
    click(w, {312, 50});   // its right edge
    click(w, {200, 11});   // its top edge
    click(w, {200, 101});  // its bottom edge
    EXPECT_TRUE(s_->shared.mirrorX);
    EXPECT_EQ(value(0, 1), 1);
    click(w, {163, 50});  // one pixel in: the picture as taken
    EXPECT_FALSE(s_->shared.mirrorX);
    EXPECT_EQ(value(0, 0), 1);
    EXPECT_EQ(value(0, 1), 0);

    // Row 2's third cell is one pixel lower: y = 189 misses it, 273 is its edge.
    click(w, {530, 190});
    EXPECT_EQ(value(2, 2), 0);
    click(w, {530, 272});
    EXPECT_EQ(value(2, 2), 1);

    // The greyed eyebrows, the row labels and a captured click far outside
    // (negative client coordinates) change nothing.
    const std::string before = readFile(file_);
    const SavedOptions table = snapshotOptions(*s_);
    click(w, {296, 327});
    click(w, {296, 416});
    click(w, {50, 327});
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(-30, -40));
    EXPECT_EQ(snapshotOptions(*s_), table);
    EXPECT_TRUE(optionsThreadRunning());
    EXPECT_EQ(readFile(file_), before);
}

TEST_F(OptionsWindowTest, GestureRowsKeepAClickAndNeverShareAGesture) {
    HWND w = open();
    // Defaults: click by mouth (row 3, column 1), drag by eye (row 4, column 0).
    click(w, cellCentre(3, 0));  // the eye already drags: refused
    EXPECT_EQ(value(3, 0), 0);
    click(w, cellCentre(3, 1));  // the only click gesture: kept
    EXPECT_EQ(value(3, 1), 1);
    EXPECT_EQ(s_->shared.clickGestures[1], 1);
    click(w, cellCentre(4, 0));  // untick the eye's drag ...
    EXPECT_EQ(value(4, 0), 0);
    EXPECT_EQ(s_->shared.dragGestures[0], 0);  // ... the drag set is now empty
    click(w, cellCentre(3, 0));                // ... and now it may click
    EXPECT_EQ(value(3, 0), 1);
    EXPECT_EQ(s_->shared.clickGestures[0], 1);
    click(w, cellCentre(3, 1));  // two click gestures: one may go
    EXPECT_EQ(value(3, 1), 0);
    click(w, cellCentre(4, 0));  // the eye clicks now, so it cannot drag
    EXPECT_EQ(value(4, 0), 0);
    click(w, cellCentre(4, 2));  // the still head may drag
    EXPECT_EQ(s_->shared.dragGestures[2], 1);
}

TEST_F(OptionsWindowTest, OkSavesTheTableWithoutALineFeedAndShowsTheKeyboardAgain) {
    s_->keyboard.window = kFakeKeyboard;
    s_->keyboard.hidden = true;  // hidden by the opening of the window
    s_->keyboard.stayHidden = false;
    HWND w = open();
    click(w, cellCentre(1, 2));
    click(w, cellCentre(2, 0));
    click(w, cellCentre(0, 1));
    EXPECT_DOUBLE_EQ(s_->shared.rangeScale, 0.5);
    EXPECT_DOUBLE_EQ(s_->shared.speedDivisor, 30.0);
    click(w, buttonCentre(0));
    waitClosed();
    EXPECT_EQ(readFile(file_), "0 1 0 0 0 1 1 0 0 0 1 0 1 0 0");
    EXPECT_FALSE(s_->shared.optionsOpen);
    EXPECT_TRUE(s_->keyboard.stayHidden);
    EXPECT_FALSE(s_->keyboard.hidden);
    const auto shows = desktop_.of(DesktopCall::Show);
    ASSERT_EQ(shows.size(), 1u);
    EXPECT_EQ(shows[0].window, kFakeKeyboard);
    EXPECT_EQ(shows[0].a, static_cast<int32_t>(ShowMode::Show));
    EXPECT_EQ(FakeMainWindow::destroys, 0);
}

TEST_F(OptionsWindowTest, CancelPutsEverythingBackAndLeavesTheFileAlone) {
    const std::string before = readFile(file_);
    const bool mirror = s_->shared.mirrorX;
    const double range = s_->shared.rangeScale;
    const double speed = s_->shared.speedDivisor;
    HWND w = open();
    click(w, cellCentre(0, 1));
    click(w, cellCentre(1, 0));
    click(w, cellCentre(2, 2));
    click(w, cellCentre(4, 0));
    click(w, cellCentre(3, 0));
    click(w, cellCentre(4, 2));
    click(w, buttonCentre(1));
    waitClosed();
    EXPECT_EQ(readFile(file_), before);
    EXPECT_EQ(s_->shared.mirrorX, mirror);
    EXPECT_DOUBLE_EQ(s_->shared.rangeScale, range);
    EXPECT_DOUBLE_EQ(s_->shared.speedDivisor, speed);
    const int defaults[15] = {1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(s_->shared.optionFlags[i], defaults[i]) << "value " << i;
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(s_->shared.clickGestures[k], defaults[9 + k]);
        EXPECT_EQ(s_->shared.dragGestures[k], defaults[12 + k]);
    }
    EXPECT_FALSE(s_->shared.optionsOpen);
}

TEST_F(OptionsWindowTest, ExitTearsTheProgramDown) {
    const int before = FakeMainWindow::destroys;
    HWND w = open();
    click(w, buttonCentre(2));
    waitClosed();
    EXPECT_EQ(FakeMainWindow::destroys, before + 1);
    EXPECT_EQ(optionsWindow(), nullptr);
    EXPECT_EQ(s_->shared.clampMaxX, s_->session.screenWidth - 10);
}

// The window as painted on the screen: ticks on the chosen cells only.
TEST_F(OptionsWindowTest, PaintsTheTicksOfTheChosenCells) {
    HWND w = open();
    click(w, cellCentre(1, 2));
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const Pixels screen = grabClient(w);
    const Pixels tick = loadBitmapPixels("checkbox");
    ASSERT_EQ(tick.width, 25);
    for (int row = 0; row < kButtonRow; ++row) {
        const auto& cells = kOptionLayout[static_cast<std::size_t>(row)];
        for (int col = 0; col < cells.count; ++col) {
            const OptionPoint p = tickPosition(row, col);
            const bool ticked = value(row, col) == 1;
            EXPECT_EQ(sameArea(screen, p.x, p.y, tick, 0, 0, 25, 23), ticked)
                << "row " << row << " column " << col;
        }
    }
    if (const char* dir = std::getenv("QUIL_SCREENSHOT_DIR")) {
        savePixels(screen, fs::path(dir) / "options_window.bmp");
    }
}

}  // namespace
}  // namespace quil::win
