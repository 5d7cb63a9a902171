// The keyboard's look, which both programs draw: the faces, the colours of
// each state, what a key shows and the dock keys' pictures.
#include "onscreen_keyboard/key_look.h"

#include <gtest/gtest.h>

#include "keyboard_link/protocol.h"
#include "keys_for_tests.h"

namespace quil::osk {
namespace {

namespace link = quil::keyboard;
using testing::centreOf;
using testing::indexOf;
using testing::keyOf;

void press(Plakette& p, KeyKind kind, char16_t base = 0) {
    const auto [x, y] = centreOf(keyOf(kind, base));
    p.pressAt(x, y);
}

bool inside(const Box& inner, const Box& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Neighbours share an edge; each face keeps off it, so that a gap of
// background shows between two keys, and stays in the window.
TEST(KeyLook, EveryFaceLiesInsideItsKeyClearOfTheSharedEdges) {
    const Plakette p;
    const Box window{0, 0, link::kKeyboardWidth, link::kKeyboardHeight};
    for (std::size_t i = 0; i < allKeys().size(); ++i) {
        const Key& k = allKeys()[i];
        const KeyLook look = lookOf(p, i);
        EXPECT_EQ(look.face, (Box{k.left + 1, k.top + 1, k.right, k.bottom})) << i;
        EXPECT_TRUE(inside(look.face, window)) << i;
        // At the start only the bottom centre's dock key is latched.
        EXPECT_EQ(look.faceColour, p.latched(k) ? kLatchedFace : kKeyFace) << i;
        EXPECT_EQ(p.latched(k), k.kind == KeyKind::Dock && k.base == link::kDockBottomCentre);
        EXPECT_EQ(look.labelColour, kLabel) << i;
        const int shown = (look.character != 0) + (look.dock ? 1 : 0) + (!look.word.empty());
        EXPECT_EQ(shown, 1) << "key " << i << " shows one thing";
    }
}

// A flashing key shows white over the highlight, the highlight yellow over
// a latched key's blue; on both the label turns dark, the hint too.
TEST(KeyLook, FlashBeatsHighlightWhichBeatsLatchedAndDarkensTheLabels) {
    Plakette p;
    const std::size_t dbl = indexOf(KeyKind::DoubleClick);
    press(p, KeyKind::DoubleClick);
    EXPECT_EQ(lookOf(p, dbl).faceColour, kFlashFace);
    EXPECT_EQ(lookOf(p, dbl).labelColour, kDarkLabel);
    p.flashOver();
    EXPECT_EQ(lookOf(p, dbl).faceColour, kHighlightFace);
    p.pointerLeft();
    EXPECT_EQ(lookOf(p, dbl).faceColour, kLatchedFace);
    EXPECT_EQ(lookOf(p, dbl).labelColour, kLabel);

    const std::size_t one = indexOf(KeyKind::Symbol, u'1');
    EXPECT_EQ(lookOf(p, one).hintColour, kHintLabel);
    const auto [x, y] = centreOf(allKeys()[one]);
    p.pointerOver(x, y);
    EXPECT_EQ(lookOf(p, one).hintColour, kDarkLabel);
}

TEST(KeyLook, KeysShowWhatTheyTypeNowAndSymbolsTheOtherCharacterInTheCorner) {
    Plakette p;
    const std::size_t q = indexOf(KeyKind::Letter, u'q');
    const std::size_t one = indexOf(KeyKind::Symbol, u'1');
    const Key& symbol = allKeys()[one];
    EXPECT_EQ(lookOf(p, q).character, u'q');
    EXPECT_EQ(lookOf(p, q).hint, 0);
    EXPECT_EQ(lookOf(p, one).character, u'1');
    EXPECT_EQ(lookOf(p, one).hint, symbol.shifted);
    const KeyLook plain = lookOf(p, one);
    EXPECT_TRUE(inside(plain.hintPlace, plain.face));
    EXPECT_GT(plain.hintPlace.left, plain.face.left);

    press(p, KeyKind::Shift);
    EXPECT_EQ(lookOf(p, q).character, u'Q');
    EXPECT_EQ(lookOf(p, one).character, symbol.shifted);
    EXPECT_EQ(lookOf(p, one).hint, u'1');
    press(p, KeyKind::CapsLock);  // the shift goes, caps lock stays
    EXPECT_EQ(lookOf(p, q).character, u'Q');
    EXPECT_EQ(lookOf(p, one).character, u'1');
    press(p, KeyKind::Shift);  // with caps lock: small again
    EXPECT_EQ(lookOf(p, q).character, u'q');
}

// Each dock key's picture puts the keyboard where that dock puts it on the
// screen, as the tracker's dock table says.
TEST(KeyLook, EachDockKeyPicturesItsOwnPlaceOnTheScreen) {
    const Plakette p;
    constexpr int kScreenW = 1024;
    constexpr int kScreenH = 768;
    for (const unsigned code : {link::kDockBottomCentre, link::kDockBottomLeft, link::kDockTopLeft,
                                link::kDockTopRight, link::kDockBottomRight}) {
        SCOPED_TRACE(code);
        const KeyLook look = lookOf(p, indexOf(KeyKind::Dock, static_cast<char16_t>(code)));
        ASSERT_TRUE(look.dock);
        EXPECT_TRUE(inside(look.dockScreen, look.face));
        EXPECT_TRUE(inside(look.dockBoard, look.dockScreen));
        const link::Rect r = *link::dockRect(code, kScreenW, kScreenH);
        const Box& s = look.dockScreen;
        const Box& b = look.dockBoard;
        EXPECT_EQ(r.left == 0, b.left - s.left < s.right - b.right);
        EXPECT_EQ(r.right == kScreenW, s.right - b.right < b.left - s.left);
        EXPECT_EQ(r.top == 0, b.top - s.top < s.bottom - b.bottom);
    }
}

// Desplazar and Pausa show their words and, as the keyboard cannot know
// the tracker's mode, never stay lit once pressed.
TEST(KeyLook, TheTrackerKeysShowTheirWordsAndNeverLatch) {
    Plakette p;
    for (const KeyKind kind : {KeyKind::Scroll, KeyKind::Pause}) {
        const std::size_t i = indexOf(kind);
        EXPECT_EQ(lookOf(p, i).word, kind == KeyKind::Scroll ? kScrollKeyWord : kPauseKeyWord);
        press(p, kind);
        p.flashOver();
        p.pointerLeft();
        EXPECT_EQ(lookOf(p, i).faceColour, kKeyFace);
    }
    // Desplazar's key is the wider, as its word is the longer.
    EXPECT_GT(lookOf(p, indexOf(KeyKind::Scroll)).face.width(),
              lookOf(p, indexOf(KeyKind::Pause)).face.width());
}

TEST(KeyLook, AWordFitsWithTwoPixelsFreeOnEachSide) {
    const Plakette p;
    const KeyLook look = lookOf(p, indexOf(KeyKind::Space));
    EXPECT_EQ(look.word, allKeys()[indexOf(KeyKind::Space)].label);
    EXPECT_TRUE(look.wordFits(look.face.width() - 4));
    EXPECT_FALSE(look.wordFits(look.face.width() - 3));
}

}  // namespace
}  // namespace quil::osk
