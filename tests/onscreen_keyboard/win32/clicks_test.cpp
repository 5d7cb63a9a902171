// The armed click keys: the next click outside the keyboard becomes a
// double click or is followed by a right click, whichever comes first, the
// tracker's own left click or its message.
#include <gtest/gtest.h>

#include <vector>

#include "keyboard_desktop.h"

namespace quil::osk::wintest {
namespace {

namespace link = quil::keyboard;
using testing::keyOf;

// A window that keeps the mouse-button messages it receives.
class ClickTarget {
public:
    ClickTarget() {
        WNDCLASSW c{};
        c.style = CS_DBLCLKS;
        c.lpfnWndProc = proc;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        c.lpszClassName = L"QuilClickTargetTest";
        RegisterClassW(&c);
        window_ = CreateWindowExW(0, c.lpszClassName, L"Clicks", WS_POPUP | WS_VISIBLE, 60, 60, 300,
                                  200, nullptr, nullptr, c.hInstance, this);
        SetForegroundWindow(window_);
    }
    ClickTarget(const ClickTarget&) = delete;
    ClickTarget& operator=(const ClickTarget&) = delete;
    ~ClickTarget() { DestroyWindow(window_); }

    void pointAtCentre() const { movePointer(60 + 150, 60 + 100); }
    [[nodiscard]] const std::vector<UINT>& got() const { return got_; }
    [[nodiscard]] bool waitCount(UINT message, std::size_t n) const {
        return pumpUntil([&] { return count(message) >= n; }, 5000);
    }
    [[nodiscard]] std::size_t count(UINT message) const {
        std::size_t n = 0;
        for (UINT m : got_) n += m == message ? 1 : 0;
        return n;
    }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<ClickTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
            case WM_LBUTTONDBLCLK:
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP:
                if (self != nullptr) self->got_.push_back(message);
                return 0;
            default:
                return DefWindowProcW(window, message, wParam, lParam);
        }
    }
    HWND window_ = nullptr;
    std::vector<UINT> got_;
};

void trackerLeftClick() {
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

TEST(ClickKeys, DoubleClickAddsASecondLeftClickOnceWhateverTheOrder) {
    RunningKeyboard k = startKeyboard("double-click");
    ASSERT_NE(k.window, nullptr);
    ClickTarget target;

    // The mouth gesture: the tracker's click, then its message.
    pressKey(k.window, keyOf(KeyKind::DoubleClick));
    target.pointAtCentre();
    trackerLeftClick();
    tell(k.window, link::kMsgClickOutside);
    EXPECT_TRUE(target.waitCount(WM_LBUTTONDBLCLK, 1));
    EXPECT_TRUE(target.waitCount(WM_LBUTTONUP, 2));

    // Disarmed: the next click outside stays a single click.
    pumpFor(800);  // past the double-click time, so clicks do not pair up
    const std::size_t before = target.got().size();
    trackerLeftClick();
    tell(k.window, link::kMsgClickOutside);
    EXPECT_TRUE(target.waitCount(WM_LBUTTONUP, 3));
    pumpFor(400);
    EXPECT_EQ(target.got().size(), before + 2) << "one down, one up";

    // The eye gesture: the message first, then the tracker's click.
    pumpFor(800);
    pressKey(k.window, keyOf(KeyKind::DoubleClick));
    target.pointAtCentre();
    tell(k.window, link::kMsgClickOutside);
    trackerLeftClick();
    EXPECT_TRUE(target.waitCount(WM_LBUTTONDBLCLK, 2));
}

TEST(ClickKeys, RightClickFollowsTheTrackersLeftClickWhateverTheOrder) {
    RunningKeyboard k = startKeyboard("right-click");
    ASSERT_NE(k.window, nullptr);
    ClickTarget target;
    for (bool messageFirst : {false, true}) {
        SCOPED_TRACE(messageFirst);
        const std::size_t from = target.got().size();
        pressKey(k.window, keyOf(KeyKind::RightClick));
        target.pointAtCentre();
        if (messageFirst) tell(k.window, link::kMsgClickOutside);
        trackerLeftClick();
        if (!messageFirst) tell(k.window, link::kMsgClickOutside);
        ASSERT_TRUE(target.waitCount(WM_RBUTTONUP, messageFirst ? 2 : 1));
        const std::vector<UINT> seen(target.got().begin() + static_cast<long>(from),
                                     target.got().end());
        const std::vector<UINT> order{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
        EXPECT_EQ(seen, order);
        pumpFor(800);
    }
    // Pressed twice, the key is disarmed.
    pressKey(k.window, keyOf(KeyKind::RightClick));
    pressKey(k.window, keyOf(KeyKind::RightClick));
    target.pointAtCentre();
    trackerLeftClick();
    tell(k.window, link::kMsgClickOutside);
    EXPECT_TRUE(target.waitCount(WM_LBUTTONUP, 3));
    pumpFor(400);
    EXPECT_EQ(target.count(WM_RBUTTONUP), 2u);
}

}  // namespace
}  // namespace quil::osk::wintest
