#include "prediction/word_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "prediction/counting.h"
#include "test_list.h"

namespace quil::predict {
namespace {

using testing::listOf;
using testing::spanish;

std::vector<std::string> wordsIn(const WordList& list, std::pair<std::size_t, std::size_t> range) {
    std::vector<std::string> out;
    for (std::size_t i = range.first; i < range.second; ++i) out.emplace_back(list.word(i));
    return out;
}

TEST(WordList, FindsEveryWordOfAFoldedPrefixInOneRun) {
    const WordList list = spanish();
    EXPECT_EQ(wordsIn(list, list.prefixRange("cancion")), (std::vector<std::string>{"canción"}));
    // Same key: the more frequent first.
    EXPECT_EQ(wordsIn(list, list.prefixRange("ano")), (std::vector<std::string>{"año", "ano"}));
    EXPECT_EQ(wordsIn(list, list.prefixRange("can")).size(), 5u);
    EXPECT_EQ(wordsIn(list, list.prefixRange("zz")).size(), 0u);
    EXPECT_EQ(wordsIn(list, list.prefixRange("")).size(), list.size());
    EXPECT_EQ(list.find("CANCIÓN"), list.prefixRange("cancion").first);
    EXPECT_FALSE(list.find("cancion").has_value());  // the accent tells them apart
    EXPECT_EQ(list.word(*list.find("españa")), "España");
    EXPECT_EQ(list.word(list.mostFrequent()[0]), "de");
    EXPECT_EQ(list.word(list.mostFrequent()[1]), "la");
}

TEST(WordList, KeepsTheMostFrequentFollowersOfEachWord) {
    std::vector<PairCount> pairs = {{"la", "casa", 5},
                                    {"la", "canción", 9},
                                    {"la", "nada", 50},
                                    {"casa", "de", 2},
                                    {"de", "la", 0}};
    for (std::uint32_t n = 1; n <= kMaxListFollowers + 3; ++n) {
        pairs.push_back({"de", std::string(n, 'z'), n});  // "z", "zz", ...
    }
    std::vector<WordCount> words = {{"la", 9}, {"casa", 5}, {"canción", 3}, {"de", 10}};
    for (std::uint32_t n = 1; n <= kMaxListFollowers + 3; ++n)
        words.push_back({std::string(n, 'z'), 1});
    const auto list = WordList::fromBytes(encodeWordList(words, pairs));
    ASSERT_TRUE(list.has_value());
    const auto after = [&](std::string_view w) {
        std::vector<std::string> out;
        for (const auto& f : list->followers(*list->find(w))) {
            out.push_back(std::string(list->word(f.entry)) + ":" + std::to_string(f.count));
        }
        return out;
    };
    // "nada" is no word of the list; a count of nothing is no pair.
    EXPECT_EQ(after("la"), (std::vector<std::string>{"canción:9", "casa:5"}));
    EXPECT_EQ(after("casa"), (std::vector<std::string>{"de:2"}));
    EXPECT_EQ(after("canción"), std::vector<std::string>{});
    ASSERT_EQ(after("de").size(), kMaxListFollowers);
    EXPECT_EQ(after("de").front(), std::string(kMaxListFollowers + 3, 'z') + ":" +
                                       std::to_string(kMaxListFollowers + 3));
}

TEST(WordList, LeavesOutWhatIsNoWordAndKeepsTheRest) {
    const std::string longWord(kMaxWordBytes + 1, 'a');
    const WordList list = listOf({{"", 5}, {longWord, 5}, {"bad\xFF", 5}, {"ok", 5}});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.word(0), "ok");
    EXPECT_EQ(list.totalFrequency(), 5u);
    const WordList empty = listOf({});
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.prefixRange("a"), std::make_pair(std::size_t{0}, std::size_t{0}));
}

TEST(WordList, RefusesEveryTruncationAndAnyChangedByte) {
    const std::string bytes =
        encodeWordList({{"canción", 3}, {"casa", 9}, {"de", 20}}, {{"de", "casa", 4}});
    ASSERT_TRUE(WordList::fromBytes(bytes).has_value());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(WordList::fromBytes(bytes.substr(0, n)).has_value()) << n;
        std::string changed = bytes;
        changed[n] = static_cast<char>(changed[n] ^ 0x41);
        EXPECT_FALSE(WordList::fromBytes(changed).has_value()) << n;
    }
    EXPECT_FALSE(WordList::fromBytes(bytes + "x").has_value());
}

TEST(WordList, TheFileRoundTripsAndTheCommittedFallbackLoads) {
    const auto path = std::filesystem::temp_directory_path() / "quil_prediction_list_test.words";
    ASSERT_TRUE(writeWordListFile(path, {{"mañana", 7}, {"mano", 3}}));
    const auto list = WordList::load(path);
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(wordsIn(*list, list->prefixRange("man")),
              (std::vector<std::string>{"mañana", "mano"}));
    std::filesystem::remove(path);
    EXPECT_FALSE(WordList::load(path).has_value());

    const auto fallback = WordList::load(QUIL_FALLBACK_WORD_LIST);
    ASSERT_TRUE(fallback.has_value());
    EXPECT_GT(fallback->size(), 300u);
    EXPECT_TRUE(fallback->find("canción").has_value());
}

TEST(WordCounter, CountsWordsAndKeepsANamesCapitalButNotASentences) {
    WordCounter counter;
    counter.addText("La casa. La casa de María, en la CASA. María vino; x x x x. Wxyz Wxyz Wxyz");
    counter.addText("la casa", 3);
    counter.addKnownWord("pingüino", 0);
    counter.addKnownWord("España", 4);
    const auto words = counter.result(2, 100);
    const auto use = [&](std::string_view w) -> std::uint32_t {
        for (const auto& c : words) {
            if (c.word == w) return c.frequency;
        }
        return 0;
    };
    EXPECT_EQ(use("la"), 6u);
    EXPECT_EQ(use("casa"), 6u);
    EXPECT_EQ(use("María"), 2u);
    EXPECT_EQ(use("Wxyz"), 3u);
    EXPECT_EQ(use("España"), 4u);
    EXPECT_EQ(use("pingüino"), 0u);  // kept, never used
    EXPECT_NE(std::find_if(words.begin(), words.end(),
                           [](const WordCount& c) { return c.word == "pingüino"; }),
              words.end());
    EXPECT_EQ(use("x"), 0u);     // one letter, unknown
    EXPECT_EQ(use("vino"), 0u);  // once: under the minimum
    EXPECT_EQ(counter.result(1, 2).size(), 2u);
    // Pairs: only across spaces, in lower case, weighed as their text.
    std::vector<std::string> pairs;
    for (const auto& p : counter.pairs(2)) {
        pairs.push_back(p.previous + " " + p.next + ":" + std::to_string(p.count));
    }
    std::sort(pairs.begin(), pairs.end());
    EXPECT_EQ(pairs, (std::vector<std::string>{"la casa:6", "wxyz wxyz:2", "x x:3"}));
}

}  // namespace
}  // namespace quil::predict
