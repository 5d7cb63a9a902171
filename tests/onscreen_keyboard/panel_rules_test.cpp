// What the keyboard does with each call of the tracker, each key press and
// each timer, on Windows and Linux alike, checked against recording
// stand-ins for the window and the typing.
#include "onscreen_keyboard/panel_rules.h"

#include <gtest/gtest.h>

#include "keys_for_tests.h"
#include "recording.h"

namespace quil::osk {
namespace {

namespace link = quil::keyboard;
using testing::keyOf;
using testing::RecordingSink;
using testing::RecordingWindow;

struct Message {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    friend bool operator==(const Message&, const Message&) = default;
};

class PanelRulesTest : public ::testing::Test {
protected:
    PanelRulesTest() {
        events = asTrackerMessages([this](unsigned m, std::uintptr_t w, std::intptr_t l) {
            messages.push_back({m, w, l});
        });
    }

    // Launched and announced, with the messages of the start forgotten.
    void start() {
        rules.launch();
        window.runQueued();
        messages.clear();
    }
    // The pointer over the middle of a key, on the screen.
    void pointAt(const Key& k) {
        const Point o = window.origin();
        window.pointerAt = {o.x + (k.left + k.right) / 2, o.y + (k.top + k.bottom) / 2};
    }
    void press(KeyKind kind, char16_t base = 0) {
        pointAt(keyOf(kind, base));
        rules.pressKey();
    }

    RecordingWindow window;
    RecordingSink sink;
    KeyboardEvents events;
    PanelRules rules{window, sink, events};
    std::vector<Message> messages;
};

TEST_F(PanelRulesTest, LaunchShowsAtTheBottomCentreAndAnnouncesOnlyFromTheEventLoop) {
    rules.launch();
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomCentre, 1024, 768));
    EXPECT_TRUE(messages.empty());
    window.runQueued();
    const std::vector<Message> expected{
        {link::kMsgKeyboardHello, RecordingWindow::kHandle, 0},
        {link::kMsgKeyboardDock, link::kDockBottomCentre, 0},
    };
    EXPECT_EQ(messages, expected);
}

// A second start while hidden does not show it, as the Windows program's
// second copy only has the first greet the tracker again.
TEST_F(PanelRulesTest, LaunchedAgainAnnouncesItsOwnDockWithoutShowing) {
    start();
    press(KeyKind::Dock, u'3');
    rules.hide();
    messages.clear();
    rules.launch();
    EXPECT_FALSE(window.visible);
    window.runQueued();
    const std::vector<Message> expected{
        {link::kMsgKeyboardHello, RecordingWindow::kHandle, 0},
        {link::kMsgKeyboardDock, link::kDockTopLeft, 0},
    };
    EXPECT_EQ(messages, expected);
}

TEST_F(PanelRulesTest, AppearingTellsTheDockAfterTheCallReturns) {
    start();
    rules.hide();
    rules.show();
    EXPECT_TRUE(window.visible);
    EXPECT_TRUE(messages.empty());
    window.runQueued();
    EXPECT_EQ(messages,
              (std::vector<Message>{{link::kMsgKeyboardDock, link::kDockBottomCentre, 0}}));
    // Shown again while showing: nothing to tell.
    messages.clear();
    rules.show();
    window.runQueued();
    EXPECT_TRUE(messages.empty());
}

// Where the tracker shows and hides the window itself and the window
// reports it (Windows): the first showing, the keyboard's own, tells
// nothing; each showing by the tracker tells the dock once; hiding drops
// the highlight; a tracker found only later hears hello and dock at once.
TEST_F(PanelRulesTest, AWindowThatReportsItsOwnShowingIsToldEachChangeOnce) {
    window.onVisibility = [this](bool shown) {
        if (shown) {
            rules.appeared();
        } else {
            rules.disappeared();
        }
    };
    rules.launch();
    window.runQueued();
    const std::vector<Message> greeting{
        {link::kMsgKeyboardHello, RecordingWindow::kHandle, 0},
        {link::kMsgKeyboardDock, link::kDockBottomCentre, 0},
    };
    EXPECT_EQ(messages, greeting);

    messages.clear();
    pointAt(keyOf(KeyKind::Letter, u'q'));
    rules.pointerOver(window.pointerAt.x, window.pointerAt.y);
    window.setVisible(false);
    EXPECT_FALSE(rules.keys().highlighted().has_value());
    window.setVisible(true);
    EXPECT_TRUE(messages.empty());
    window.runQueued();
    EXPECT_EQ(messages,
              (std::vector<Message>{{link::kMsgKeyboardDock, link::kDockBottomCentre, 0}}));

    messages.clear();
    press(KeyKind::Hide);
    window.runQueued();
    EXPECT_EQ(messages, (std::vector<Message>{{link::kMsgKeyboardGone, 0, 0}}));

    messages.clear();
    rules.announce();
    EXPECT_EQ(messages, greeting);
    EXPECT_TRUE(window.queued.empty());
}

TEST_F(PanelRulesTest, APressFlashesTheKeyAndStartsItsTimer) {
    start();
    press(KeyKind::Letter, u'a');
    ASSERT_TRUE(rules.keys().flashing().has_value());
    EXPECT_EQ(allKeys()[*rules.keys().flashing()].base, u'a');
    ASSERT_EQ(window.timers.size(), 1U);
    EXPECT_EQ(window.timers[0], std::make_pair(PanelTimer::Flash, kFlashMs));
    const int before = window.repaints;
    rules.timerDone(PanelTimer::Flash);
    EXPECT_FALSE(rules.keys().flashing().has_value());
    EXPECT_GT(window.repaints, before);
}

TEST_F(PanelRulesTest, NothingIsPressedWhileHiddenOrOffEveryKey) {
    start();
    rules.hide();
    press(KeyKind::Letter, u'a');
    rules.show();
    const Key& a = keyOf(KeyKind::Letter, u'a');
    const Point o = window.origin();
    // On the key's left border, in the margin, just outside the window.
    for (const Point p : {Point{o.x + a.left, o.y + a.top + 5}, Point{o.x, o.y},
                          Point{o.x - 1, o.y - 1}, Point{o.x + link::kKeyboardWidth, o.y + 100},
                          Point{o.x + 100, o.y + link::kKeyboardHeight}}) {
        window.pointerAt = p;
        rules.pressKey();
    }
    EXPECT_TRUE(sink.typed.empty());
    EXPECT_TRUE(window.timers.empty());
}

// The tracker hears of the new dock while its key press is still being
// handled, as it does from the Windows program.
TEST_F(PanelRulesTest, ADockKeyMovesTheWindowAndTellsTheTrackerAtOnce) {
    start();
    press(KeyKind::Dock, u'4');
    EXPECT_EQ(window.placed, (keyboard::Rect{1024 - 412, 0, 1024, 192}));
    EXPECT_EQ(messages, (std::vector<Message>{{link::kMsgKeyboardDock, link::kDockTopRight, 0}}));
}

TEST_F(PanelRulesTest, TheHideKeyHidesAndSaysSoWithoutAHighlightLeft) {
    start();
    const Key& hide = keyOf(KeyKind::Hide);
    pointAt(hide);
    rules.pointerOver(window.pointerAt.x, window.pointerAt.y);
    rules.pressKey();
    EXPECT_FALSE(window.visible);
    EXPECT_FALSE(rules.keys().highlighted().has_value());
    EXPECT_EQ(messages, (std::vector<Message>{{link::kMsgKeyboardGone, 0, 0}}));
}

TEST_F(PanelRulesTest, AnArmedDoubleClickIsMadeAtOnceAndOnlyOnce) {
    start();
    press(KeyKind::DoubleClick);
    window.pointerAt = {10, 10};
    rules.clickOutside();
    rules.clickOutside();
    EXPECT_EQ(sink.clicks, (std::vector<Latch>{Latch::DoubleClick}));
}

TEST_F(PanelRulesTest, AnArmedRightClickWaitsForTheTrackersOwnClick) {
    start();
    press(KeyKind::RightClick);
    window.pointerAt = {10, 10};
    rules.clickOutside();
    EXPECT_TRUE(sink.clicks.empty());
    EXPECT_EQ(window.timers.back(), std::make_pair(PanelTimer::RightClick, kRightClickDelayMs));
    rules.timerDone(PanelTimer::RightClick);
    EXPECT_EQ(sink.clicks, (std::vector<Latch>{Latch::RightClick}));
}

TEST_F(PanelRulesTest, AnArmedClickOverTheKeyboardItselfIsDropped) {
    start();
    press(KeyKind::DoubleClick);
    const Point o = window.origin();
    window.pointerAt = o;  // the window's own top-left pixel
    rules.clickOutside();
    press(KeyKind::RightClick);
    window.pointerAt = {o.x + link::kKeyboardWidth - 1, o.y + link::kKeyboardHeight - 1};
    rules.clickOutside();
    rules.timerDone(PanelTimer::RightClick);
    EXPECT_TRUE(sink.clicks.empty());
    // Just past the bottom-right corner is outside.
    press(KeyKind::DoubleClick);
    window.pointerAt = {o.x + link::kKeyboardWidth, o.y + link::kKeyboardHeight};
    rules.clickOutside();
    EXPECT_EQ(sink.clicks, (std::vector<Latch>{Latch::DoubleClick}));
}

TEST_F(PanelRulesTest, ANewScreenSizeKeepsTheDockAndTellsIt) {
    start();
    press(KeyKind::Dock, u'5');
    messages.clear();
    window.screen = {1920, 1080};
    rules.screenChanged();
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomRight, 1920, 1080));
    EXPECT_EQ(messages,
              (std::vector<Message>{{link::kMsgKeyboardDock, link::kDockBottomRight, 0}}));
}

// Desplazar and Pausa go to the tracker as they are pressed, type nothing
// and leave a pending shift for the next character.
TEST_F(PanelRulesTest, TheTrackerKeysAskTheTrackerAndTypeNothing) {
    start();
    press(KeyKind::Shift);
    press(KeyKind::Scroll);
    press(KeyKind::Pause);
    press(KeyKind::Scroll);
    const std::vector<Message> expected{
        {link::kMsgKeyboardScroll, 0, 0},
        {link::kMsgKeyboardPause, 0, 0},
        {link::kMsgKeyboardScroll, 0, 0},
    };
    EXPECT_EQ(messages, expected);
    EXPECT_TRUE(sink.typed.empty());
    EXPECT_TRUE(sink.specials.empty());
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomCentre, 1024, 768));
    press(KeyKind::Letter, u'a');
    EXPECT_EQ(sink.typed, U"A");
}

// With the pointer on another monitor the keyboard docks there and tells
// the tracker its place, which the tracker's side reads back to the same
// rectangle; back on the tracker's screen it speaks as it always did.
TEST_F(PanelRulesTest, OnAnotherMonitorItDocksThereAndSaysWhere) {
    start();
    window.monitor = link::Rect{1024, 0, 2304, 1024};  // 1280 x 1024, right of the first
    press(KeyKind::Dock, u'4');
    const link::Rect topRight{2304 - 412, 0, 2304, 192};
    EXPECT_EQ(window.placed, topRight);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].message, link::kMsgKeyboardDock);
    EXPECT_EQ(messages[0].wParam, link::kDockTopRight | link::kDockPlaced);
    EXPECT_EQ(link::placedRect(messages[0].lParam), topRight);

    // Left of and above the first monitor: negative coordinates survive.
    messages.clear();
    window.monitor = link::Rect{-1280, -300, 0, 724};
    press(KeyKind::Dock, u'2');
    const link::Rect bottomLeft{-1280, 724 - 30 - 192, -1280 + 412, 724 - 30};
    EXPECT_EQ(window.placed, bottomLeft);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(link::placedRect(messages[0].lParam), bottomLeft);

    // Hidden, then shown with the pointer back on the tracker's screen: it
    // comes back to the same dock there.
    messages.clear();
    rules.hide();
    window.monitor.reset();
    rules.show();
    window.runQueued();
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomLeft, 1024, 768));
    EXPECT_EQ(messages, (std::vector<Message>{{link::kMsgKeyboardDock, link::kDockBottomLeft, 0}}));
}

TEST_F(PanelRulesTest, TheTrackersMessagesMeanTheirCalls) {
    start();
    pointAt(keyOf(KeyKind::Letter, u'x'));
    EXPECT_TRUE(rules.trackerMessage(link::kMsgPointerOver));
    EXPECT_EQ(allKeys()[*rules.keys().highlighted()].base, u'x');
    EXPECT_TRUE(rules.trackerMessage(link::kMsgKeyPress));
    EXPECT_EQ(sink.typed, U"x");
    EXPECT_TRUE(rules.trackerMessage(link::kMsgPointerLeft));
    EXPECT_FALSE(rules.keys().highlighted().has_value());
    press(KeyKind::DoubleClick);
    window.pointerAt = {0, 0};
    EXPECT_TRUE(rules.trackerMessage(link::kMsgClickOutside));
    EXPECT_EQ(sink.clicks.size(), 1U);
    EXPECT_FALSE(rules.trackerMessage(link::kMsgClose));
    EXPECT_FALSE(rules.trackerMessage(link::kMsgKeyboardHello));
}

TEST(TypeText, SurrogatePairsJoinAndLoneHalvesAreDropped) {
    RecordingSink sink;
    typeText(sink, u"a\u00F1");
    EXPECT_EQ(sink.typed, U"a\u00F1");
    sink.typed.clear();
    const std::u16string pair{u'x', 0xD83D, 0xDE00, u'y'};
    typeText(sink, pair);
    EXPECT_EQ(sink.typed, U"x\U0001F600y");
    sink.typed.clear();
    // A high half at the very end, a low half alone, a high half before a
    // plain character.
    const std::u16string lone{u'a', 0xDC00, u'b', 0xD800, u'c', 0xD800};
    typeText(sink, lone);
    EXPECT_EQ(sink.typed, U"abc");
    sink.typed.clear();
    typeText(sink, u"");
    EXPECT_TRUE(sink.typed.empty());
}

TEST(TypeText, EveryCharacterGoesBackToTheUnitsItCameFrom) {
    for (const char32_t c :
         {U'a', U'\u00F1', U'\uFFFD', U'\U00010000', U'\U0001F600', U'\U0010FFFF'}) {
        RecordingSink sink;
        const std::u16string units = toUtf16(c);
        EXPECT_EQ(units.size(), c < 0x10000 ? 1U : 2U);
        typeText(sink, units);
        EXPECT_EQ(sink.typed, std::u32string(1, c));
    }
}

}  // namespace
}  // namespace quil::osk
