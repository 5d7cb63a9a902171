#include "onscreen_keyboard/plakette.h"

#include <gtest/gtest.h>

#include "keys_for_tests.h"

namespace quil::osk {
namespace {

using testing::centreOf;
using testing::indexOf;
using testing::keyOf;

KeyResult pressKey(Plakette& p, KeyKind kind, char16_t base = 0) {
    const auto [x, y] = centreOf(keyOf(kind, base));
    return p.pressAt(x, y);
}

TEST(Plakette, APressOnAKeyTypesItAndFlashesItAndABorderDoesNothing) {
    Plakette p;
    const Key& a = keyOf(KeyKind::Letter, u'a');
    const KeyResult hit = p.pressAt(a.left + 1, a.bottom - 1);
    EXPECT_EQ(hit.key, indexOf(KeyKind::Letter, u'a'));
    EXPECT_EQ(hit.typed.text, u"a");
    EXPECT_TRUE(hit.repaint);
    EXPECT_EQ(p.flashing(), hit.key);
    EXPECT_TRUE(p.flashOver());
    EXPECT_FALSE(p.flashing());
    EXPECT_FALSE(p.flashOver());

    for (const auto& [x, y] :
         {std::pair{a.left, a.top + 5}, {a.left + 5, a.bottom}, {-10, 50}, {500, 50}}) {
        const KeyResult miss = p.pressAt(x, y);
        EXPECT_FALSE(miss.key);
        EXPECT_EQ(miss.typed, Typed{});
        EXPECT_FALSE(miss.repaint);
    }
    EXPECT_FALSE(p.flashing());
}

TEST(Plakette, TheHighlightFollowsThePointerAndGoesWhenItLeavesOrClicksOutside) {
    Plakette p;
    const auto [x, y] = centreOf(keyOf(KeyKind::Letter, u'g'));
    EXPECT_TRUE(p.pointerOver(x, y));
    EXPECT_EQ(p.highlighted(), indexOf(KeyKind::Letter, u'g'));
    EXPECT_FALSE(p.pointerOver(x + 1, y)) << "the same key: nothing to repaint";
    EXPECT_TRUE(p.pointerOver(keyOf(KeyKind::Letter, u'g').left, y)) << "onto the border";
    EXPECT_FALSE(p.highlighted());
    EXPECT_TRUE(p.pointerOver(x, y));
    EXPECT_TRUE(p.pointerLeft());
    EXPECT_FALSE(p.pointerLeft());
    p.pointerOver(x, y);
    EXPECT_EQ(p.clickOutside(), Latch::None);
    EXPECT_FALSE(p.highlighted());
}

TEST(Plakette, AClickKeyArmsTheNextClickOutsideOnceAndDisarmsWhenPressedAgain) {
    Plakette p;
    const Key& dbl = keyOf(KeyKind::DoubleClick);
    const Key& right = keyOf(KeyKind::RightClick);
    pressKey(p, KeyKind::DoubleClick);
    EXPECT_EQ(p.latch(), Latch::DoubleClick);
    EXPECT_TRUE(p.latched(dbl));
    EXPECT_EQ(p.clickOutside(), Latch::DoubleClick);
    EXPECT_FALSE(p.latched(dbl));
    EXPECT_EQ(p.clickOutside(), Latch::None) << "one click only";

    pressKey(p, KeyKind::RightClick);
    pressKey(p, KeyKind::RightClick);
    EXPECT_EQ(p.clickOutside(), Latch::None);

    pressKey(p, KeyKind::DoubleClick);
    pressKey(p, KeyKind::Letter, u'x');
    pressKey(p, KeyKind::RightClick);
    EXPECT_TRUE(p.latched(right));
    EXPECT_FALSE(p.latched(dbl)) << "the other kind replaces it";
    EXPECT_EQ(p.clickOutside(), Latch::RightClick);
}

TEST(Plakette, DockAndStateKeysShowLatched) {
    Plakette p;
    EXPECT_EQ(p.dock(), u'1');
    EXPECT_TRUE(p.latched(keyOf(KeyKind::Dock, u'1')));
    const KeyResult r = pressKey(p, KeyKind::Dock, u'3');
    EXPECT_EQ(r.typed.dock, u'3');
    EXPECT_EQ(p.dock(), u'3');
    EXPECT_TRUE(p.latched(keyOf(KeyKind::Dock, u'3')));
    EXPECT_FALSE(p.latched(keyOf(KeyKind::Dock, u'1')));

    pressKey(p, KeyKind::Shift);
    pressKey(p, KeyKind::CapsLock);
    EXPECT_TRUE(p.latched(keyOf(KeyKind::CapsLock)));
    EXPECT_FALSE(p.latched(keyOf(KeyKind::Shift))) << "caps lock uses up the shift";
    pressKey(p, KeyKind::DeadAccent);
    EXPECT_TRUE(p.latched(keyOf(KeyKind::DeadAccent)));
    EXPECT_EQ(pressKey(p, KeyKind::Letter, u'a').typed.text, u"\u00C1");
    EXPECT_FALSE(p.latched(keyOf(KeyKind::DeadAccent)));
    EXPECT_FALSE(p.latched(keyOf(KeyKind::Letter, u'a')));
    EXPECT_TRUE(pressKey(p, KeyKind::Hide).typed.hide);
}

}  // namespace
}  // namespace quil::osk
