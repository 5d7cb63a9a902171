// Counting the words of Spanish text, for the word list the build makes:
// every run of letters is a word; how a word is spelt (lower case, or a
// name's capital) is told by how the text writes it away from the few
// places where any word takes a capital.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "prediction/word_list.h"

namespace quil::predict {

class WordCounter {
public:
    // Counts every word of the text, each use as `weight` uses, and every
    // pair of words with only spaces between them.
    void addText(std::string_view text, std::uint32_t weight = 1);
    // A word known to be Spanish (a dictionary's), kept even if no text
    // uses it, with this many uses added.
    void addKnownWord(std::string_view word, std::uint32_t uses);

    // The words, most used first, at most maxWords of them: the known ones,
    // and the others the texts used at least minUses times (a word of one
    // letter only if known: elsewhere it is a variable, a key or a unit).
    [[nodiscard]] std::vector<WordCount> result(std::uint32_t minUses, std::size_t maxWords) const;
    // The pairs seen at least minUses times, in lower case.
    [[nodiscard]] std::vector<PairCount> pairs(std::uint32_t minUses) const;

private:
    struct Forms {
        std::uint64_t lowerUses = 0;
        std::unordered_map<std::string, std::uint64_t> capitalUses;  // by spelling
        std::uint64_t knownUses = 0;
        std::string knownSpelling;  // as the dictionary writes it
        bool known = false;
    };
    std::string count(std::string_view word, std::uint64_t uses, bool known);

    std::unordered_map<std::string, Forms> byLower_;
    std::unordered_map<std::string, std::uint64_t> pairs_;  // "previous\tnext"
};

}  // namespace quil::predict
