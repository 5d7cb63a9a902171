#include "prediction/text.h"

#include <gtest/gtest.h>

#include <string>

namespace quil::predict {
namespace {

TEST(Text, DecodesEachLengthAndRefusesMalformedBytesOneAtATime) {
    const std::string text = "a\xC3\xB1\xE2\x82\xAC\xF0\x9F\x98\x80";  // a ñ € 😀
    EXPECT_EQ(decodeAt(text, 0).cp, U'a');
    EXPECT_EQ(decodeAt(text, 1).cp, U'ñ');
    EXPECT_EQ(decodeAt(text, 3).cp, U'€');
    EXPECT_EQ(decodeAt(text, 6).cp, U'\U0001F600');
    EXPECT_EQ(decodeAt(text, 6).length, 4u);
    EXPECT_EQ(decodeAt(text, text.size()).length, 0u);

    for (const std::string bad : {"\xC3", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\x80"}) {
        EXPECT_EQ(decodeAt(bad, 0).cp, kReplacement) << bad.size();
        EXPECT_EQ(decodeAt(bad, 0).length, 1u);
        EXPECT_FALSE(isValidUtf8(bad));
    }
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(countCodePoints(text), 4u);
}

TEST(Text, StepsBackOverWholeCharactersAndSingleBadBytes) {
    const std::string text = "a\xC3\xB1\xF0\x9F\x98\x80";
    EXPECT_EQ(previousStart(text, text.size()), 3u);
    EXPECT_EQ(previousStart(text, 3), 1u);
    EXPECT_EQ(previousStart(text, 1), 0u);
    EXPECT_EQ(previousStart(text, 0), 0u);
    // A stray continuation byte stands alone; a cut-off character too.
    EXPECT_EQ(previousStart("ab\x80", 3), 2u);
    EXPECT_EQ(previousStart("a\xF0\x9F\x98", 4), 3u);
    EXPECT_EQ(previousStart("\x80\x80\x80\x80\x80", 5), 4u);
}

TEST(Text, CaseAndAccentFoldingCoverSpanishAndItsNeighbours) {
    EXPECT_EQ(lowered("CANCIÓN Ñandú"), "canción ñandú");
    EXPECT_EQ(uppercased("canción ñandú ü"), "CANCIÓN ÑANDÚ Ü");
    EXPECT_EQ(folded("Canción Ñandú Pingüino"), "cancion nandu pinguino");
    EXPECT_EQ(folded("ŁÓDŹ Ĳ"), "łodz ĳ");  // ł has no plain base
    EXPECT_EQ(capitalised("ámbito"), "Ámbito");
    EXPECT_EQ(lowered("ΑΘΗΝΑ Москва"), "αθηνα москва");
    EXPECT_EQ(capitalised(""), "");
    EXPECT_TRUE(isAllCaps("ONU"));
    EXPECT_FALSE(isAllCaps("O"));
    EXPECT_FALSE(isAllCaps("OnU"));
    EXPECT_TRUE(startsWithUpper("Ánimo"));
}

TEST(Text, LettersAreWordsAndMarksAreNot) {
    EXPECT_TRUE(isWord("pingüino"));
    EXPECT_TRUE(isWord("Ñ"));
    EXPECT_TRUE(isWord("москва"));
    for (const char* notWord : {"", "a b", "¿qué", "dos2", "«sí»", "—", "x\xFF"}) {
        EXPECT_FALSE(isWord(notWord)) << notWord;
    }
}

}  // namespace
}  // namespace quil::predict
