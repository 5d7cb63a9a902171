#include "onscreen_keyboard/layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "keyboard_link/protocol.h"
#include "keys_for_tests.h"

namespace quil::osk {
namespace {

using testing::centreOf;
using testing::keyOf;

constexpr int kWidth = keyboard::kKeyboardWidth;
constexpr int kHeight = keyboard::kKeyboardHeight;

TEST(Layout, KeysLieInsideTheWindowAreLargeEnoughAndDoNotOverlap) {
    const auto keys = allKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Key& a = keys[i];
        SCOPED_TRACE(i);
        EXPECT_GE(a.left, 0);
        EXPECT_GE(a.top, 0);
        EXPECT_LE(a.right, kWidth);
        EXPECT_LE(a.bottom, kHeight);
        EXPECT_GE(a.right - a.left, kMinKeyWidth);
        EXPECT_GE(a.bottom - a.top, kMinKeyHeight);
        for (std::size_t j = i + 1; j < keys.size(); ++j) {
            const Key& b = keys[j];
            const bool apart =
                a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
            EXPECT_TRUE(apart) << "keys " << i << " and " << j << " overlap";
        }
    }
}

// Every pixel of the window and a frame around it, against a plain search
// of the key rectangles: borders, margins and the outside give no key.
TEST(Layout, KeyAtAgreesWithTheRectanglesOnEveryPixel) {
    const auto keys = allKeys();
    int onKeys = 0;
    for (int y = -3; y < kHeight + 3; ++y) {
        for (int x = -3; x < kWidth + 3; ++x) {
            std::optional<std::size_t> expected;
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (keys[i].contains(x, y)) expected = i;
            }
            ASSERT_EQ(keyAt(x, y), expected) << x << "," << y;
            if (expected) ++onKeys;
        }
    }
    // The dead lines between keys stay thin: most of the window types.
    EXPECT_GT(onKeys, kWidth * kHeight * 9 / 10);
}

TEST(Layout, BordersBetweenKeysAndTheWindowEdgesTypeNothing) {
    const Key& q = keyOf(KeyKind::Letter, u'q');
    const Key& w = keyOf(KeyKind::Letter, u'w');
    ASSERT_EQ(q.right, w.left);
    const int y = centreOf(q).second;
    EXPECT_FALSE(keyAt(q.right, y));
    EXPECT_EQ(keyAt(q.right - 1, y), testing::indexOf(KeyKind::Letter, u'q'));
    EXPECT_EQ(keyAt(w.left + 1, y), testing::indexOf(KeyKind::Letter, u'w'));
    const Key& a = keyOf(KeyKind::Letter, u'a');
    EXPECT_FALSE(keyAt(centreOf(a).first, a.top)) << "between the rows";
    for (const auto& [x, y2] : {std::pair{0, 0},
                                {kWidth - 1, kHeight - 1},
                                {-1, 50},
                                {50, -1},
                                {kWidth, 50},
                                {50, kHeight},
                                {INT_MIN, INT_MIN},
                                {INT_MAX, INT_MAX},
                                {INT_MIN, 50},
                                {50, INT_MAX}}) {
        EXPECT_FALSE(keyAt(x, y2)) << x << "," << y2;
    }
}

TEST(Layout, HoldsTheSpanishLettersDigitsAndEveryCommandOnce) {
    std::multiset<char16_t> letters;
    std::multiset<char16_t> symbols;
    std::multiset<KeyKind> commands;
    std::multiset<char16_t> docks;
    for (const Key& k : allKeys()) {
        if (k.kind == KeyKind::Letter) letters.insert(k.base);
        if (k.kind == KeyKind::Symbol) symbols.insert(k.base);
        if (k.kind == KeyKind::Dock) docks.insert(k.base);
        if (k.kind != KeyKind::Letter && k.kind != KeyKind::Symbol && k.kind != KeyKind::Dock)
            commands.insert(k.kind);
    }
    std::multiset<char16_t> spanish{u'\u00F1'};
    for (char16_t c = u'a'; c <= u'z'; ++c) spanish.insert(c);
    EXPECT_EQ(letters, spanish);
    for (char16_t c = u'0'; c <= u'9'; ++c) EXPECT_EQ(symbols.count(c), 1u) << char(c);
    for (char16_t c : {u',', u'.', u'-', u'\''}) EXPECT_EQ(symbols.count(c), 1u) << char(c);
    EXPECT_EQ(docks, (std::multiset<char16_t>{u'1', u'2', u'3', u'4', u'5'}));
    for (KeyKind kind : {KeyKind::DeadAccent, KeyKind::Space, KeyKind::Backspace, KeyKind::Enter,
                         KeyKind::Shift, KeyKind::CapsLock, KeyKind::Hide, KeyKind::DoubleClick,
                         KeyKind::RightClick, KeyKind::Scroll, KeyKind::Pause}) {
        EXPECT_EQ(commands.count(kind), 1u) << static_cast<int>(kind);
    }
    EXPECT_EQ(keyOf(KeyKind::Letter, u'\u00F1').shifted, u'\u00D1');
}

// The tracker keys sit in the bottom row with the pointer's other keys,
// away from the letters; Desplazar, the longest word, has the wider key.
TEST(Layout, TheTrackerKeysSitInTheBottomRowBesideTheClickKeys) {
    const Key& scroll = keyOf(KeyKind::Scroll);
    const Key& pause = keyOf(KeyKind::Pause);
    const Key& dbl = keyOf(KeyKind::DoubleClick);
    const Key& hide = keyOf(KeyKind::Hide);
    for (const Key* k : {&scroll, &pause}) EXPECT_EQ(k->top, dbl.top);
    EXPECT_EQ(hide.right, pause.left);
    EXPECT_EQ(pause.right, scroll.left);
    EXPECT_EQ(scroll.right, dbl.left);
    EXPECT_GT(scroll.right - scroll.left, pause.right - pause.left);
    EXPECT_EQ(scroll.label, kScrollKeyWord);
    EXPECT_EQ(pause.label, kPauseKeyWord);
    // Caps lock moved up beside A, as on a desk keyboard.
    EXPECT_EQ(keyOf(KeyKind::CapsLock).right, keyOf(KeyKind::Letter, u'a').left);
}

// The dock keys name the tracker's dock codes; on the 1024 x 768 test
// screen they place the keyboard where the tracker expects it.
TEST(Layout, DockKeysPlaceTheKeyboardByTheTrackersTable) {
    const std::pair<char16_t, keyboard::Rect> expected[] = {
        {u'1', {306, 546, 718, 738}}, {u'2', {0, 546, 412, 738}},    {u'3', {0, 0, 412, 192}},
        {u'4', {612, 0, 1024, 192}},  {u'5', {612, 546, 1024, 738}},
    };
    for (const auto& [code, rect] : expected) {
        const Key& k = keyOf(KeyKind::Dock, code);
        EXPECT_EQ(keyboard::dockRect(k.base, 1024, 768), rect) << char(code);
    }
    EXPECT_FALSE(keyboard::dockRect(u'6', 1024, 768));
}

}  // namespace
}  // namespace quil::osk
