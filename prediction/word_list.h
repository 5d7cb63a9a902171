// The word list the suggestions come from: words with how often they occur,
// sorted by their accent-free key so that every word a typed prefix may
// become sits in one run. Made once by the build (quil-wordlist-build) into
// a compact file that loads with one read and a check, no parsing of text.
//
// The file, little-endian throughout:
//   "QWL2", then count, key bytes, word bytes, pair count (u32 each)
//   count entries of 24 bytes: key offset, word offset, frequency, first
//     pair (u32), key length, word length, pair count, zero (u16)
//   the pairs, 8 bytes each: the following word's entry, its count (u32);
//     each entry's run most frequent first
//   the keys, then the words (UTF-8, back to back)
//   FNV-1a of everything before it (u32)
// A file that breaks any of this, or whose keys are out of order, is
// refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quil::predict {

// A word's longest spelling the list and the learnt words keep; longer runs
// of letters are not words anyone types on this keyboard.
inline constexpr std::size_t kMaxWordBytes = 64;

struct WordCount {
    std::string word;  // as it is written: "canción", "España"
    std::uint32_t frequency = 0;
};

// How often one word followed another in the texts (both in lower case).
struct PairCount {
    std::string previous;
    std::string next;
    std::uint32_t count = 0;
};

// The most frequent followers a word keeps in the file.
inline constexpr std::size_t kMaxListFollowers = 12;

// The file's bytes for these words (a word whose key or spelling is empty,
// over kMaxWordBytes or not valid UTF-8 is left out) and the pairs of them
// (the kMaxListFollowers most frequent after each word).
[[nodiscard]] std::string encodeWordList(std::vector<WordCount> words,
                                         std::vector<PairCount> pairs = {});
// Writes the file through a temporary beside it; false when it could not.
[[nodiscard]] bool writeWordListFile(const std::filesystem::path& path,
                                     std::vector<WordCount> words,
                                     std::vector<PairCount> pairs = {});

class WordList {
public:
    struct Follower {
        std::uint32_t entry = 0;
        std::uint32_t count = 0;
    };

    WordList() = default;
    [[nodiscard]] static std::optional<WordList> fromBytes(std::string bytes);
    [[nodiscard]] static std::optional<WordList> load(const std::filesystem::path& path);

    [[nodiscard]] std::size_t size() const { return entries_.size(); }
    [[nodiscard]] std::string_view key(std::size_t i) const;
    [[nodiscard]] std::string_view word(std::size_t i) const;
    [[nodiscard]] std::uint32_t frequency(std::size_t i) const { return entries_[i].frequency; }
    [[nodiscard]] std::uint64_t totalFrequency() const { return total_; }
    // The words that most often followed entry i in the texts, most often
    // first.
    [[nodiscard]] std::span<const Follower> followers(std::size_t i) const;

    // The entries [first, last) whose key starts with this folded prefix.
    [[nodiscard]] std::pair<std::size_t, std::size_t> prefixRange(
        std::string_view foldedPrefix) const;
    // The entry of this word, compared in lower case with its accents.
    [[nodiscard]] std::optional<std::size_t> find(std::string_view word) const;
    // The most frequent entries, most frequent first: the suggestions when
    // nothing is typed yet and nothing was learnt.
    [[nodiscard]] std::span<const std::uint32_t> mostFrequent() const { return top_; }

private:
    struct Entry {
        std::uint32_t keyOffset = 0;
        std::uint32_t wordOffset = 0;
        std::uint32_t frequency = 0;
        std::uint32_t firstPair = 0;
        std::uint16_t keyLength = 0;
        std::uint16_t wordLength = 0;
        std::uint16_t pairCount = 0;
    };

    std::string bytes_;
    std::size_t keysAt_ = 0;
    std::size_t wordsAt_ = 0;
    std::vector<Entry> entries_;
    std::vector<Follower> pairs_;
    std::vector<std::uint32_t> top_;
    std::uint64_t total_ = 0;
};

// FNV-1a, 32 bits: the files' check against torn and damaged writes.
[[nodiscard]] std::uint32_t fnv1a(std::string_view bytes);

// Writes bytes to path so that a crash leaves either the old file or the
// new one whole: a temporary file beside it, flushed and closed, then
// renamed over it. Makes the folder when it is missing.
[[nodiscard]] bool replaceFile(const std::filesystem::path& path, std::string_view bytes);
// The whole file, or nothing when it cannot be read or is over maxBytes.
[[nodiscard]] std::optional<std::string> readFile(const std::filesystem::path& path,
                                                  std::size_t maxBytes);

}  // namespace quil::predict
