// The keyboard's side of the keyboard link: hello, docking, hiding, closing,
// and what it does with odd input.
#include <gtest/gtest.h>

#include "keyboard_desktop.h"

namespace quil::osk::wintest {
namespace {

namespace link = quil::keyboard;
using testing::keyOf;

link::Rect placeOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

link::Rect dock(unsigned code) {
    return *link::dockRect(code, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

TEST(KeyboardLink, SaysHelloWithItsWindowThenDocksAtTheBottomCentre) {
    FakeTracker tracker;
    RunningKeyboard k = startKeyboard("hello");
    ASSERT_NE(k.window, nullptr);
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock));
    const auto got = tracker.received();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0].message, link::kMsgKeyboardHello);
    EXPECT_EQ(got[0].wParam, reinterpret_cast<WPARAM>(k.window));
    EXPECT_EQ(got[1].message, link::kMsgKeyboardDock);
    EXPECT_EQ(got[1].wParam, link::kDockBottomCentre);
    EXPECT_EQ(placeOf(k.window), dock(link::kDockBottomCentre));
    const LONG_PTR style = GetWindowLongPtrW(k.window, GWL_EXSTYLE);
    const LONG_PTR wanted = WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_TRUE(IsWindowVisible(k.window));

    EXPECT_TRUE(tell(k.window, WM_CLOSE));
    EXPECT_EQ(k.program->waitExit(), 0);
}

TEST(KeyboardLink, FindsATrackerThatStartsAfterIt) {
    RunningKeyboard k = startKeyboard("late-tracker");
    ASSERT_NE(k.window, nullptr);
    FakeTracker tracker;
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock));
    EXPECT_EQ(tracker.last(link::kMsgKeyboardHello), reinterpret_cast<WPARAM>(k.window));
}

TEST(KeyboardLink, EachDockKeyMovesItThereAndTellsTheTracker) {
    FakeTracker tracker;
    RunningKeyboard k = startKeyboard("docks");
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock));
    int docks = tracker.count(link::kMsgKeyboardDock);
    for (unsigned code : {link::kDockTopRight, link::kDockTopLeft, link::kDockBottomLeft,
                          link::kDockBottomRight, link::kDockBottomCentre}) {
        SCOPED_TRACE(code);
        pressKey(k.window, keyOf(KeyKind::Dock, static_cast<char16_t>(code)));
        ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock, ++docks));
        EXPECT_EQ(tracker.last(link::kMsgKeyboardDock), code);
        EXPECT_EQ(placeOf(k.window), dock(code));
    }
    // The screen changes (here, to the same size): it stays at its dock and
    // says so.
    tell(k.window, WM_DISPLAYCHANGE, 24,
         MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock, ++docks));
    EXPECT_EQ(tracker.last(link::kMsgKeyboardDock), link::kDockBottomCentre);
    EXPECT_EQ(placeOf(k.window), dock(link::kDockBottomCentre));
}

TEST(KeyboardLink, TheHideKeyHidesItAndTellsTheTrackerAndShowingItReportsTheDock) {
    FakeTracker tracker;
    RunningKeyboard k = startKeyboard("hide");
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock));
    pressKey(k.window, keyOf(KeyKind::Dock, link::kDockTopLeft));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock, 2));

    pressKey(k.window, keyOf(KeyKind::Hide));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardGone));
    EXPECT_FALSE(IsWindowVisible(k.window));

    // The tracker shows it again (and takes it to be at the bottom centre):
    // the keyboard says where it really is.
    ShowWindow(k.window, SW_SHOW);
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock, 3));
    EXPECT_EQ(tracker.last(link::kMsgKeyboardDock), link::kDockTopLeft);
    EXPECT_TRUE(IsWindowVisible(k.window));
    EXPECT_EQ(placeOf(k.window), dock(link::kDockTopLeft));
}

// Desplazar and Pausa reach the tracker's window as its own messages, with
// nothing else: no typing, no move, no hiding.
TEST(KeyboardLink, TheTrackerKeysSendScrollAndPause) {
    FakeTracker tracker;
    RunningKeyboard k = startKeyboard("tracker-keys");
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock));
    const std::size_t before = tracker.received().size();
    pressKey(k.window, keyOf(KeyKind::Scroll));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardScroll));
    pressKey(k.window, keyOf(KeyKind::Pause));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardPause));
    pressKey(k.window, keyOf(KeyKind::Scroll));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardScroll, 2));
    const auto got = tracker.received();
    ASSERT_EQ(got.size(), before + 3);
    const UINT expected[] = {link::kMsgKeyboardScroll, link::kMsgKeyboardPause,
                             link::kMsgKeyboardScroll};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(got[before + i].message, expected[i]);
        EXPECT_EQ(got[before + i].wParam, 0u);
        EXPECT_EQ(got[before + i].lParam, 0);
    }
    EXPECT_TRUE(IsWindowVisible(k.window));
    EXPECT_EQ(placeOf(k.window), dock(link::kDockBottomCentre));
}

// With one monitor the dock messages are as they always were: the code
// alone, no place.
TEST(KeyboardLink, OnOneMonitorTheDockIsToldByItsCodeAlone) {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 1) << "this test's display has one monitor";
    FakeTracker tracker;
    RunningKeyboard k = startKeyboard("one-monitor");
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock));
    pressKey(k.window, keyOf(KeyKind::Dock, link::kDockTopRight));
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardDock, 2));
    for (const Received& r : tracker.received()) {
        if (r.message != link::kMsgKeyboardDock) continue;
        EXPECT_EQ(r.wParam & link::kDockPlaced, 0u);
        EXPECT_EQ(r.lParam, 0);
    }
    EXPECT_EQ(placeOf(k.window), dock(link::kDockTopRight));
}

// Without a tracker it is a plain keyboard; messages with the pointer away
// from it, or in any order, change nothing and are answered at once.
TEST(KeyboardLink, OddMessagesWithoutATrackerAreHarmless) {
    RunningKeyboard k = startKeyboard("odd");
    ASSERT_NE(k.window, nullptr);
    const link::Rect before = placeOf(k.window);
    movePointer(5, 5);
    for (UINT message : {link::kMsgKeyPress, link::kMsgPointerOver, link::kMsgPointerLeft,
                         link::kMsgClickOutside, link::kMsgKeyPress, link::kMsgPointerLeft}) {
        EXPECT_TRUE(tell(k.window, message, 0xFFFF, -1)) << message;
    }
    pressKey(k.window, keyOf(KeyKind::Dock, link::kDockTopRight));
    EXPECT_EQ(placeOf(k.window), dock(link::kDockTopRight)) << "docks without a tracker";
    EXPECT_NE(placeOf(k.window), before);
    EXPECT_TRUE(k.program->running());
}

TEST(KeyboardLink, ASecondCopyLeavesTheFirstAloneButHasItGreetTheTrackerAgain) {
    FakeTracker tracker;
    RunningKeyboard first = startKeyboard("single");
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardHello));
    Program second(QUIL_KEYBOARD_PATH, quil::wintest::freshWorkDir("single-2"));
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitExit(), 0);
    EXPECT_EQ(keyboardWindows().size(), 1u);
    ASSERT_TRUE(tracker.waitFor(link::kMsgKeyboardHello, 2));
    EXPECT_EQ(tracker.last(link::kMsgKeyboardHello), reinterpret_cast<WPARAM>(first.window));
    EXPECT_TRUE(first.program->running());
}

// The tracker ends; a new one starts and, having no keyboard, starts the
// program again: the running keyboard greets the new tracker.
TEST(KeyboardLink, OutlivesItsTrackerAndGreetsTheNextOne) {
    auto tracker = std::make_unique<FakeTracker>();
    RunningKeyboard k = startKeyboard("tracker-gone");
    ASSERT_TRUE(tracker->waitFor(link::kMsgKeyboardDock));
    tracker.reset();
    pressKey(k.window, keyOf(KeyKind::Dock, link::kDockBottomLeft));
    pressKey(k.window, keyOf(KeyKind::Hide));
    EXPECT_TRUE(k.program->running());

    FakeTracker next;
    Program launched(QUIL_KEYBOARD_PATH, quil::wintest::freshWorkDir("tracker-gone-2"));
    EXPECT_EQ(launched.waitExit(), 0);
    ASSERT_TRUE(next.waitFor(link::kMsgKeyboardDock));
    EXPECT_EQ(next.last(link::kMsgKeyboardHello), reinterpret_cast<WPARAM>(k.window));
    EXPECT_EQ(next.last(link::kMsgKeyboardDock), link::kDockBottomLeft);
}

}  // namespace
}  // namespace quil::osk::wintest
