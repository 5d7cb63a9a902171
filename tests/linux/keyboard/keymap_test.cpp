// The X keymap lookups and the spare keycodes lent to characters, apart
// from any X server.
#include "linux/keyboard/keymap.h"

#include <gtest/gtest.h>

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

// Five keycodes from 8, two columns each, all empty.
KeyTable emptyTable() {
    KeyTable t;
    t.firstKeycode = 8;
    t.perKeycode = 2;
    t.syms.assign(10, kNoSymbol);
    return t;
}

// What the server does with XChangeKeyboardMapping.
void give(KeyTable& t, int keycode, KeySym32 lower, KeySym32 upper) {
    const auto row = static_cast<std::size_t>((keycode - t.firstKeycode) * t.perKeycode);
    t.syms[row] = lower;
    t.syms[row + 1] = upper;
}

constexpr KeySym32 kNtilde = 0xF1;
constexpr KeySym32 kUpperNtilde = 0xD1;
constexpr KeySym32 kEacute = 0xE9;
constexpr KeySym32 kUpperEacute = 0xC9;
constexpr KeySym32 kUdiaeresis = 0xFC;
constexpr KeySym32 kUpperUdiaeresis = 0xDC;

TEST(SpareKeysTest, ACharacterKeepsItsKeycodeAndTheLeastRecentlyTypedIsLentAgain) {
    KeyTable t = emptyTable();
    lnx::SpareKeys spares(2);
    const auto n = spares.lend(t, kNtilde, kUpperNtilde);
    ASSERT_EQ(n, 8);
    give(t, 8, kNtilde, kUpperNtilde);
    const auto e = spares.lend(t, kEacute, kUpperEacute);
    ASSERT_EQ(e, 9);
    give(t, 9, kEacute, kUpperEacute);
    spares.touch(8);  // ñ typed again on its key
    // Only two are kept: ü takes é's, typed longest ago.
    EXPECT_EQ(spares.lend(t, kUdiaeresis, kUpperUdiaeresis), 9);
    give(t, 9, kUdiaeresis, kUpperUdiaeresis);
    EXPECT_EQ(spares.lent(t), (std::vector<int>{8, 9}));
}

TEST(SpareKeysTest, AKeymapReplacedUnderThemIsRespected) {
    KeyTable t = emptyTable();
    lnx::SpareKeys spares(2);
    ASSERT_EQ(spares.lend(t, kNtilde, kUpperNtilde), 8);
    give(t, 8, kNtilde, kUpperNtilde);
    ASSERT_EQ(spares.lend(t, kEacute, kUpperEacute), 9);
    give(t, 9, kEacute, kUpperEacute);
    // A new layout: 8 emptied, 9 now a real key, 10 and 11 taken too.
    KeyTable fresh = emptyTable();
    give(fresh, 9, 'x', 'X');
    give(fresh, 10, 'y', 'Y');
    give(fresh, 11, 'z', 'Z');
    EXPECT_TRUE(spares.lent(fresh).empty());
    EXPECT_EQ(spares.lend(fresh, kNtilde, kUpperNtilde), 8);
    give(fresh, 8, kNtilde, kUpperNtilde);
    EXPECT_EQ(spares.lend(fresh, kEacute, kUpperEacute), 12);
    give(fresh, 12, kEacute, kUpperEacute);
    // Nothing left empty: the oldest of ours is lent again, never x's key.
    EXPECT_EQ(spares.lend(fresh, kUdiaeresis, kUpperUdiaeresis), 8);
    EXPECT_EQ(spares.lent(fresh), (std::vector<int>{12}));
}

TEST(SpareKeysTest, AServerRepeatingTheKeysymsStillCountsAsHolding) {
    KeyTable t;
    t.firstKeycode = 8;
    t.perKeycode = 4;
    t.syms = {kNtilde, kUpperNtilde, kNtilde, kUpperNtilde};
    lnx::SpareKeys spares(1);
    KeyTable empty = t;
    empty.syms.assign(4, kNoSymbol);
    ASSERT_EQ(spares.lend(empty, kNtilde, kUpperNtilde), 8);
    EXPECT_EQ(spares.lent(t), (std::vector<int>{8}));
}

TEST(SpareKeysTest, WithoutAnEmptyKeycodeNothingIsLent) {
    const KeyTable full = sampleTable();
    lnx::SpareKeys spares(2);
    KeyTable noSpare = full;
    give(noSpare, 10, 'x', 'X');
    give(noSpare, 12, 'y', 'Y');
    EXPECT_FALSE(spares.lend(noSpare, kNtilde, kUpperNtilde).has_value());
    EXPECT_FALSE(lnx::SpareKeys(0).lend(full, kNtilde, kUpperNtilde).has_value());
}

}  // namespace
}  // namespace quil::lnxtest
