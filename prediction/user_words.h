// What the user writes, learnt as they write it: how often each word was
// used (words the list lacks included) and which word followed which. Kept
// in a small text file in the user's folder that never leaves the machine,
// rewritten whole through a temporary file so a crash loses nothing, and
// capped so it cannot grow without end.
//
// The file, UTF-8, one record a line, fields split by tabs:
//   quilbrand-words 1
//   w <count> <word>            the word as the user writes it
//   b <count> <previous> <word> both in lower case; "" previous = a sentence's start
//   end <records> <FNV-1a of every byte before this line, hex>
// A file that breaks any of this is ignored as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quil::predict {

// How many words and pairs are kept; past either, the least used go.
inline constexpr std::size_t kMaxUserWords = 5000;
inline constexpr std::size_t kMaxUserPairs = 20000;
// A user file larger than this is not one of ours.
inline constexpr std::size_t kMaxUserFileBytes = std::size_t{4} << 20;

enum class LoadResult { Loaded, Missing, Ignored };

class UserWords {
public:
    struct Word {
        std::string spelling;  // as last written away from a sentence's start
        std::string key;       // accent-free lower case, as the list's keys
        std::uint32_t count = 0;
    };
    struct Follower {
        std::uint32_t count = 0;
        std::string key;  // the following word's, accent-free
    };
    using Followers = std::unordered_map<std::string, Follower>;  // by lower-case word

    // One use of a word. atSentenceStart says its capital, if any, may be
    // only the sentence's. Ignores anything that is not one word of at
    // most kMaxWordBytes.
    void learn(std::string_view word, bool atSentenceStart);
    // One more time `word` followed `previous` ("" for a sentence's start).
    void learnPair(std::string_view previous, std::string_view word);
    // Forgets everything learnt (the caller saves or removes the file).
    void clear();

    // The word's entry, looked up in lower case; null when never used.
    [[nodiscard]] const Word* word(std::string_view lowerWord) const;
    // How often `next` followed `previous`, both in lower case.
    [[nodiscard]] std::uint32_t pairCount(std::string_view previous, std::string_view next) const;
    // The words that followed `previous`, with their counts.
    [[nodiscard]] const Followers* followers(std::string_view previous) const;
    [[nodiscard]] const std::unordered_map<std::string, Word>& words() const { return words_; }
    [[nodiscard]] std::uint64_t totalCount() const { return total_; }
    [[nodiscard]] std::size_t pairTotal() const { return pairs_; }

    [[nodiscard]] std::string serialise() const;
    // Replaces what was learnt by the file's content; on Missing or Ignored
    // nothing is learnt.
    LoadResult parse(std::string_view bytes);

    [[nodiscard]] LoadResult load(const std::filesystem::path& path);
    [[nodiscard]] bool save(const std::filesystem::path& path) const;
    // Forgets everything and removes the file (and a temporary left by a
    // write that was cut short).
    bool forget(const std::filesystem::path& path);

private:
    void addWord(std::string lower, std::string spelling, std::uint32_t count);
    void addPair(std::string previous, std::string next, std::uint32_t count);
    void trimWords();
    void trimPairs();

    std::unordered_map<std::string, Word> words_;      // by lower-case word
    std::unordered_map<std::string, Followers> next_;  // by lower-case previous word
    std::uint64_t total_ = 0;
    std::size_t pairs_ = 0;
};

}  // namespace quil::predict
