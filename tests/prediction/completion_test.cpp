#include <gtest/gtest.h>

#include <string>

#include "prediction/predictor.h"
#include "prediction/text.h"

namespace quil::predict {
namespace {

// What the text becomes when the keyboard sends these keys.
std::string applied(std::string text, const Completion& keys) {
    for (std::size_t i = 0; i < keys.backspaces && !text.empty(); ++i) {
        text.erase(previousStart(text, text.size()));
    }
    return text + keys.text;
}

TEST(Completion, TakesBackOnlyWhatDiffersAndEndsWithASpace) {
    EXPECT_EQ(completionFor("can", "canción"), (Completion{0, "ción "}));
    EXPECT_EQ(completionFor("cancion", "canción"), (Completion{2, "ón "}));
    EXPECT_EQ(completionFor("nino", "niño"), (Completion{2, "ño "}));
    EXPECT_EQ(completionFor("", "de"), (Completion{0, "de "}));
    EXPECT_EQ(completionFor("de", "de"), (Completion{0, " "}));
    EXPECT_EQ(completionFor("espana", "España"), (Completion{6, "España "}));
    EXPECT_EQ(completionFor("Esp", "España"), (Completion{0, "aña "}));
    // A cut-off character in the typed text is taken back whole.
    EXPECT_EQ(completionFor("ca\xC3", "canción"), (Completion{1, "nción "}));
}

TEST(Completion, TheTypedResultIsExactlyTheChosenWordForEverySuggestion) {
    Predictor predictor(*WordList::fromBytes(encodeWordList({{"canción", 9},
                                                             {"camión", 8},
                                                             {"niño", 7},
                                                             {"España", 6},
                                                             {"pingüino", 5},
                                                             {"ÑANDÚ", 4}})));
    for (const std::string text : {"", "la can", "la cancion", "El cami", "un nin", "en esp",
                                   "Un ping", "Mi ñan", "¿Can", "CAN", "«esp", "fin. ni"}) {
        const TypingContext context = readContext(text);
        const std::string before = text.substr(0, text.size() - context.partial.size());
        for (const Suggestion& s : predictor.suggest(text, 5)) {
            EXPECT_EQ(applied(text, s.keys), before + s.word + " ") << text << " -> " << s.word;
        }
    }
}

}  // namespace
}  // namespace quil::predict
