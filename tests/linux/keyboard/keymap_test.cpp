// The X keymap lookups and the spare keycodes lent to characters, and the
// keyboard's text split into characters, apart from any X server.
#include "linux/keyboard/keymap.h"

#include <gtest/gtest.h>

#include "linux/keyboard/key_sink.h"
#include "recording.h"

namespace quil::lnxtest {
namespace {

using lnx::KeyStroke;
using lnx::KeySym32;
using lnx::KeyTable;
using lnx::kNoSymbol;

constexpr KeySym32 kA = 'a';
constexpr KeySym32 kUpperA = 'A';
constexpr KeySym32 kAt = '@';
constexpr KeySym32 kTwo = '2';
constexpr KeySym32 kQuote = '"';
constexpr KeySym32 kShiftL = 0xFFE1;

// Keycodes 8..12, four keysyms each: a/A, 2/"/-/-/@ (AltGr), empty,
// Shift_L, empty.
KeyTable sampleTable() {
    KeyTable t;
    t.firstKeycode = 8;
    t.perKeycode = 4;
    t.syms = {kA,        kUpperA,   kNoSymbol, kNoSymbol,  //
              kTwo,      kQuote,    kNoSymbol, kAt,        //
              kNoSymbol, kNoSymbol, kNoSymbol, kNoSymbol,  //
              kShiftL,   kNoSymbol, kNoSymbol, kNoSymbol,  //
              kNoSymbol, kNoSymbol, kNoSymbol, kNoSymbol};
    return t;
}

TEST(KeymapTest, LatinOneIsItsOwnKeysymAndTheRestIsUnicode) {
    EXPECT_EQ(lnx::keysymForCharacter(U' '), 0x20U);
    EXPECT_EQ(lnx::keysymForCharacter(U'~'), 0x7EU);
    EXPECT_EQ(lnx::keysymForCharacter(U'\u00F1'), 0xF1U);
    EXPECT_EQ(lnx::keysymForCharacter(U'\u00FF'), 0xFFU);
    EXPECT_EQ(lnx::keysymForCharacter(U'\u0100'), 0x01000100U);
    EXPECT_EQ(lnx::keysymForCharacter(U'\u00B7'), 0xB7U);
    EXPECT_EQ(lnx::keysymForCharacter(U'\u20AC'), 0x010020ACU);
    // Control characters are not Latin-1 keysyms.
    EXPECT_EQ(lnx::keysymForCharacter(U'\u007F'), 0x0100007FU);
}

TEST(KeymapTest, AKeysymIsFoundPlainOrShiftedButNotBehindAltGr) {
    const KeyTable t = sampleTable();
    EXPECT_EQ(lnx::findStroke(t, kA), (KeyStroke{8, false}));
    EXPECT_EQ(lnx::findStroke(t, kUpperA), (KeyStroke{8, true}));
    EXPECT_EQ(lnx::findStroke(t, kQuote), (KeyStroke{9, true}));
    EXPECT_EQ(lnx::findStroke(t, kShiftL), (KeyStroke{11, false}));
    EXPECT_FALSE(lnx::findStroke(t, kAt).has_value());
    EXPECT_FALSE(lnx::findStroke(t, kNoSymbol).has_value());
}

TEST(KeymapTest, APlainKeyIsPreferredToAShiftedOneEarlierInTheTable) {
    KeyTable t;
    t.firstKeycode = 8;
    t.perKeycode = 2;
    t.syms = {kTwo, kA, kA, kNoSymbol};
    EXPECT_EQ(lnx::findStroke(t, kA), (KeyStroke{9, false}));
}

TEST(KeymapTest, TableEdgesReadAsNoSymbol) {
    const KeyTable t = sampleTable();
    EXPECT_EQ(t.keycodeCount(), 5);
    EXPECT_EQ(t.at(7, 0), kNoSymbol);
    EXPECT_EQ(t.at(13, 0), kNoSymbol);
    EXPECT_EQ(t.at(8, -1), kNoSymbol);
    EXPECT_EQ(t.at(9, 4), kNoSymbol);
    EXPECT_EQ(t.at(9, 3), kAt);
    EXPECT_EQ(t.at(12, 3), kNoSymbol);
    // A ragged table (not whole rows) ignores its incomplete last row.
    KeyTable ragged = t;
    ragged.syms.pop_back();
    EXPECT_EQ(ragged.keycodeCount(), 4);
    EXPECT_EQ(ragged.at(12, 0), kNoSymbol);
    EXPECT_EQ(lnx::spareKeycodes(ragged, 8), (std::vector<int>{10}));
    // No columns at all: nothing found, nothing spare, nothing read.
    KeyTable empty;
    EXPECT_EQ(empty.keycodeCount(), 0);
    EXPECT_FALSE(lnx::findStroke(empty, kA).has_value());
    EXPECT_TRUE(lnx::spareKeycodes(empty, 8).empty());
}

TEST(KeymapTest, SpareKeycodesAreTheEmptyOnesUpToTheLimit) {
    const KeyTable t = sampleTable();
    EXPECT_EQ(lnx::spareKeycodes(t, 8), (std::vector<int>{10, 12}));
    EXPECT_EQ(lnx::spareKeycodes(t, 1), (std::vector<int>{10}));
    EXPECT_TRUE(lnx::spareKeycodes(t, 0).empty());
}

TEST(KeymapTest, SpareKeysKeepTheirCharacterAndLendTheLeastRecentlyUsed) {
    lnx::SpareKeys spares({10, 12});
    EXPECT_TRUE(spares.lent().empty());
    const auto n = spares.lend(0xF1);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(n->keycode, 10);
    EXPECT_TRUE(n->remap);
    EXPECT_EQ(spares.lend(0xE9)->keycode, 12);
    // ñ again: still on its key, no remapping.
    const auto again = spares.lend(0xF1);
    EXPECT_EQ(again->keycode, 10);
    EXPECT_FALSE(again->remap);
    // A third character takes the key used longest ago (é's).
    const auto third = spares.lend(0xFC);
    EXPECT_EQ(third->keycode, 12);
    EXPECT_TRUE(third->remap);
    EXPECT_EQ(spares.lent(), (std::vector<int>{10, 12}));
}

TEST(KeymapTest, WithoutSpareKeysNothingIsLent) {
    lnx::SpareKeys none({});
    EXPECT_FALSE(none.lend(0xF1).has_value());
    EXPECT_TRUE(none.lent().empty());
}

TEST(TypeTextTest, SurrogatePairsJoinAndLoneHalvesAreDropped) {
    RecordingSink sink;
    lnx::typeText(sink, u"a\u00F1");
    EXPECT_EQ(sink.typed, U"a\u00F1");
    sink.typed.clear();
    const std::u16string pair{u'x', 0xD83D, 0xDE00, u'y'};
    lnx::typeText(sink, pair);
    EXPECT_EQ(sink.typed, U"x\U0001F600y");
    sink.typed.clear();
    // A high half at the very end, a low half alone, a high half before a
    // plain character.
    const std::u16string lone{u'a', 0xDC00, u'b', 0xD800, u'c', 0xD800};
    lnx::typeText(sink, lone);
    EXPECT_EQ(sink.typed, U"abc");
    sink.typed.clear();
    lnx::typeText(sink, u"");
    EXPECT_TRUE(sink.typed.empty());
}

}  // namespace
}  // namespace quil::lnxtest
