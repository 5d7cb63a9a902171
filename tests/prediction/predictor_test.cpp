#include "prediction/predictor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_list.h"

namespace quil::predict {
namespace {

std::vector<std::string> words(const Predictor& p, std::string_view text, std::size_t count = 5) {
    std::vector<std::string> out;
    for (const auto& s : p.suggest(text, count)) out.push_back(s.word);
    return out;
}

using W = std::vector<std::string>;

TEST(Context, ReadsThePartialThePreviousWordAndTheSentencesStart) {
    const auto c = readContext("Hola, ¿cómo est");
    EXPECT_EQ(c.partial, "est");
    EXPECT_EQ(c.previous, "cómo");
    EXPECT_FALSE(c.sentenceStart);
    EXPECT_EQ(readContext("la casa ").previous, "casa");
    EXPECT_EQ(readContext("la casa ").partial, "");
    EXPECT_TRUE(readContext("").sentenceStart);
    EXPECT_TRUE(readContext("   ").sentenceStart);
    EXPECT_TRUE(readContext("Fin. ¿Qu").sentenceStart);
    EXPECT_TRUE(readContext("Fin.\n\n").sentenceStart);
    EXPECT_TRUE(readContext("uno\ndos").sentenceStart);
    // A comma or a number breaks the phrase: no previous word, no capital.
    EXPECT_EQ(readContext("sí, se").previous, "");
    EXPECT_FALSE(readContext("sí, se").sentenceStart);
    EXPECT_EQ(readContext("12 ca").previous, "");
    EXPECT_EQ(readContext("dijo «ca").previous, "dijo");
    // Malformed bytes are marks, not letters, and never read past the text.
    EXPECT_EQ(readContext("ca\xFF"
                          "sa")
                  .partial,
              "sa");
    EXPECT_EQ(readContext("\xC3").partial, "");
}

TEST(Predictor, OffersTheMostFrequentWordsOfTheFoldedPrefix) {
    Predictor p(testing::spanish());
    EXPECT_EQ(words(p, "la can"), (W{"canción", "canal", "cancha", "cansado", "cantar"}));
    EXPECT_EQ(words(p, "la can", 3), (W{"canción", "canal", "cancha"}));
    EXPECT_EQ(words(p, "la cancion"), (W{"canción"}));
    EXPECT_EQ(words(p, "un nin"), (W{"niño"}));
    EXPECT_EQ(words(p, "el ano"), (W{"año", "ano"}));
    EXPECT_EQ(words(p, "un pingui"), (W{"pingüino"}));
    EXPECT_EQ(words(p, "la zzz"), W{});
    EXPECT_EQ(words(p, "la can", 0), W{});
}

TEST(Predictor, AnAccentTypedIsMeant) {
    Predictor p(testing::spanish());
    EXPECT_EQ(words(p, "el añ"), (W{"año"}));
    EXPECT_EQ(words(p, "la canc"), (W{"canción", "cancha"}));
    EXPECT_EQ(words(p, "la cancí"), W{});
    EXPECT_EQ(words(p, "qu"), (W{"Que", "Qué", "Quedar"}));
    EXPECT_EQ(words(p, "y qué"), (W{"qué"}));
}

TEST(Predictor, CapitalisesAtASentencesStartAndKeepsTheUsersCapitals) {
    Predictor p(testing::spanish());
    EXPECT_EQ(words(p, "", 3), (W{"De", "La", "Que"}));
    EXPECT_EQ(words(p, "Hola. ¿Qu", 2), (W{"Que", "Qué"}));
    EXPECT_EQ(words(p, "la Ca", 2), (W{"Casa", "Canción"}));
    EXPECT_EQ(words(p, "la CA", 2), (W{"CASA", "CANCIÓN"}));
    EXPECT_EQ(words(p, "en esp"), (W{"España"}));
    EXPECT_EQ(words(p, "y la ", 2), (W{"de", "la"}));
}

TEST(Predictor, EdgesGiveNothingOrSomethingSaneButNeverFail) {
    Predictor empty;
    EXPECT_EQ(words(empty, "la ca"), W{});
    EXPECT_EQ(words(empty, ""), W{});
    Predictor p(testing::spanish());
    EXPECT_EQ(words(p, "la " + std::string(kMaxWordBytes + 1, 'c')), W{});
    EXPECT_EQ(words(p, std::string(100000, 'x') + " de l", 1), (W{"la"}));
    EXPECT_EQ(words(p, "3,5 €, ca", 2), (W{"casa", "canción"}));
    EXPECT_EQ(words(p, "москва ").size(), 5u);
    EXPECT_EQ(words(p, "!!!", 1), (W{"De"}));
    p.learnFinishedWord("");
    p.learnFinishedWord("!!! ");
    p.learnFinishedWord("la " + std::string(kMaxWordBytes + 1, 'c'));
    EXPECT_TRUE(p.userWords().words().empty());
}

TEST(Predictor, OffersWhatFollowsInTheTextsBeforeTheCommonestWords) {
    const Predictor p(*WordList::fromBytes(
        encodeWordList({{"de", 1000}, {"la", 900}, {"que", 800}, {"buenos", 50}, {"días", 40}},
                       {{"buenos", "días", 30}, {"de", "la", 200}})));
    EXPECT_EQ(words(p, "muy ", 2), (W{"de", "la"}));
    EXPECT_EQ(words(p, "Muy buenos ", 2), (W{"días", "de"}));
    EXPECT_EQ(words(p, "Muy buenos d", 2), (W{"días", "de"}));
    EXPECT_EQ(words(p, "Muy buenos, ", 1), (W{"de"}));  // a comma breaks the pair
}

TEST(Predictor, LearnsTheUsersNewWordsAfterTwoUses) {
    Predictor p(testing::spanish());
    p.learnFinishedWord("Mi perro Quilbrand");
    EXPECT_EQ(words(p, "el qui"), W{});  // once may be a slip
    p.learnFinishedWord("con Quilbrand");
    EXPECT_EQ(words(p, "el qui"), (W{"Quilbrand"}));
    // Two uses of their own already weigh as much as a common word.
    EXPECT_EQ(words(p, "el qu", 3), (W{"que", "Quilbrand", "qué"}));
}

TEST(Predictor, WordsChosenOftenRiseAndWhatFollowsIsLearnt) {
    Predictor p(testing::spanish());
    EXPECT_EQ(words(p, "la can", 1), (W{"canción"}));
    for (int i = 0; i < 5; ++i) p.learnFinishedWord("una cansado");
    EXPECT_EQ(words(p, "la can", 1), (W{"cansado"}));

    // Next words: what followed "mi" comes first with nothing typed.
    EXPECT_EQ(words(p, "mi ", 1), (W{"de"}));
    p.learnFinishedWord("mi casa");
    p.learnFinishedWord("mi casa");
    EXPECT_EQ(words(p, "mi ", 1), (W{"casa"}));
    EXPECT_EQ(words(p, "Mi ", 1), (W{"casa"}));
    EXPECT_EQ(words(p, "mi c", 1), (W{"casa"}));
    EXPECT_EQ(words(p, "tu ", 1), (W{"de"}));
    // A sentence's first words are learnt as such.
    p.learnFinishedWord("Fin. Mañana");
    p.learnFinishedWord("Mañana");
    EXPECT_EQ(words(p, "Bien. ", 1), (W{"Mañana"}));
    EXPECT_EQ(p.userWords().word("mañana")->spelling, "mañana");
}

}  // namespace
}  // namespace quil::predict
