#include "prediction/user_words.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

#include "prediction/text.h"
#include "prediction/word_list.h"

namespace quil::predict {

namespace {

constexpr std::string_view kHeader = "quilbrand-words 1\n";
// When over a cap, trimming goes down to this share of it, so that one more
// word does not trim again at once.
constexpr double kTrimTo = 0.9;
constexpr std::uint32_t kMaxCount = std::numeric_limits<std::uint32_t>::max() / 2;

bool acceptable(std::string_view word) {
    return !word.empty() && word.size() <= kMaxWordBytes && isValidUtf8(word) && isWord(word);
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            fields.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

std::string hexOf(std::uint32_t value) {
    char hex[8] = {};
    const auto [end, error] = std::to_chars(hex, hex + sizeof hex, value, 16);
    return std::string(hex, end);
}

bool parseCount(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Trimming to `keep` entries: those used less than `level` go, and of those
// used exactly `level` times, `spareAtLevel` stay.
struct Cut {
    std::uint32_t level = 0;
    std::size_t spareAtLevel = 0;
};

Cut cutFor(std::vector<std::uint32_t> counts, std::size_t keep) {
    if (counts.size() <= keep || keep == 0) return {std::numeric_limits<std::uint32_t>::max(), 0};
    std::nth_element(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(keep - 1),
                     counts.end(), std::greater<>());
    const std::uint32_t level = counts[keep - 1];
    const auto above = static_cast<std::size_t>(
        std::count_if(counts.begin(), counts.end(), [&](std::uint32_t c) { return c > level; }));
    return {level, keep - above};
}

// Whether an entry used `count` times goes; among equals, the first met
// stay (the map's order, as good as any).
bool goes(std::uint32_t count, const Cut& cut, std::size_t& spare) {
    if (count > cut.level) return false;
    if (count == cut.level && spare > 0) {
        --spare;
        return false;
    }
    return true;
}

}  // namespace

void UserWords::learn(std::string_view word, bool atSentenceStart) {
    if (!acceptable(word)) return;
    std::string lower = lowered(word);
    // A capital only at a sentence's start says nothing of how the word is
    // written; one elsewhere does (a name).
    std::string spelling(atSentenceStart ? std::string_view(lower) : word);
    if (atSentenceStart) {
        if (const Word* known = this->word(lower)) spelling = known->spelling;
    }
    addWord(std::move(lower), std::move(spelling), 1);
    trimWords();
}

void UserWords::learnPair(std::string_view previous, std::string_view word) {
    if (!acceptable(word) || !(previous.empty() || acceptable(previous))) return;
    addPair(lowered(previous), lowered(word), 1);
    trimPairs();
}

void UserWords::clear() {
    words_.clear();
    next_.clear();
    total_ = 0;
    pairs_ = 0;
}

void UserWords::addWord(std::string lower, std::string spelling, std::uint32_t count) {
    Word& w = words_[lower];
    if (w.key.empty()) w.key = folded(lower);
    w.spelling = std::move(spelling);
    const std::uint32_t added = std::min(count, kMaxCount - w.count);
    w.count += added;
    total_ += added;
}

void UserWords::addPair(std::string previous, std::string next, std::uint32_t count) {
    auto& followers = next_[std::move(previous)];
    auto [it, inserted] = followers.try_emplace(std::move(next));
    if (inserted) {
        ++pairs_;
        it->second.key = folded(it->first);
    }
    it->second.count += std::min(count, kMaxCount - it->second.count);
}

void UserWords::trimWords() {
    if (words_.size() <= kMaxUserWords) return;
    std::vector<std::uint32_t> counts;
    counts.reserve(words_.size());
    for (const auto& [lower, w] : words_) counts.push_back(w.count);
    const Cut cut = cutFor(std::move(counts), static_cast<std::size_t>(kMaxUserWords * kTrimTo));
    std::size_t spare = cut.spareAtLevel;
    std::erase_if(words_, [&](const auto& item) {
        if (!goes(item.second.count, cut, spare)) return false;
        total_ -= item.second.count;
        return true;
    });
}

void UserWords::trimPairs() {
    if (pairs_ <= kMaxUserPairs) return;
    std::vector<std::uint32_t> counts;
    counts.reserve(pairs_);
    for (const auto& [previous, followers] : next_) {
        for (const auto& [word, f] : followers) counts.push_back(f.count);
    }
    const Cut cut = cutFor(std::move(counts), static_cast<std::size_t>(kMaxUserPairs * kTrimTo));
    std::size_t spare = cut.spareAtLevel;
    for (auto& [previous, followers] : next_) {
        pairs_ -= std::erase_if(
            followers, [&](const auto& item) { return goes(item.second.count, cut, spare); });
    }
    std::erase_if(next_, [](const auto& item) { return item.second.empty(); });
}

const UserWords::Word* UserWords::word(std::string_view lowerWord) const {
    const auto it = words_.find(std::string(lowerWord));
    return it == words_.end() ? nullptr : &it->second;
}

std::uint32_t UserWords::pairCount(std::string_view previous, std::string_view next) const {
    const auto* f = followers(previous);
    if (f == nullptr) return 0;
    const auto it = f->find(std::string(next));
    return it == f->end() ? 0 : it->second.count;
}

const UserWords::Followers* UserWords::followers(std::string_view previous) const {
    const auto it = next_.find(std::string(previous));
    return it == next_.end() ? nullptr : &it->second;
}

std::string UserWords::serialise() const {
    // Sorted, so that the same words always make the same file.
    std::vector<std::string> lines;
    lines.reserve(words_.size() + pairs_);
    for (const auto& [lower, w] : words_) {
        lines.push_back("w\t" + std::to_string(w.count) + "\t" + w.spelling + "\n");
    }
    for (const auto& [previous, followers] : next_) {
        for (const auto& [word, f] : followers) {
            lines.push_back("b\t" + std::to_string(f.count) + "\t" + previous + "\t" + word + "\n");
        }
    }
    std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return a[0] != b[0] ? a[0] > b[0] : a < b;  // the words first
    });
    std::string out(kHeader);
    for (const auto& line : lines) out += line;
    out += "end\t" + std::to_string(lines.size()) + "\t" + hexOf(fnv1a(out)) + "\n";
    return out;
}

LoadResult UserWords::parse(std::string_view bytes) {
    clear();
    if (bytes.empty()) return LoadResult::Missing;
    UserWords read;
    if (!bytes.starts_with(kHeader) || bytes.back() != '\n') return LoadResult::Ignored;
    std::size_t records = 0;
    for (std::size_t at = kHeader.size(); at < bytes.size();) {
        const std::size_t end = bytes.find('\n', at);
        const std::string_view line = bytes.substr(at, end - at);
        const auto f = splitTabs(line);
        std::uint32_t count = 0;
        if (f.size() == 3 && f[0] == "end") {
            std::uint32_t expected = 0;
            if (end + 1 != bytes.size() || !parseCount(f[1], expected) || expected != records ||
                f[2] != hexOf(fnv1a(bytes.substr(0, at)))) {
                return LoadResult::Ignored;
            }
            *this = std::move(read);
            trimWords();
            trimPairs();
            return LoadResult::Loaded;
        }
        if (f.size() == 3 && f[0] == "w" && parseCount(f[1], count) && acceptable(f[2])) {
            read.addWord(lowered(f[2]), std::string(f[2]), count);
        } else if (f.size() == 4 && f[0] == "b" && parseCount(f[1], count) &&
                   (f[2].empty() || acceptable(f[2])) && acceptable(f[3])) {
            read.addPair(lowered(f[2]), lowered(f[3]), count);
        } else {
            return LoadResult::Ignored;
        }
        ++records;
        at = end + 1;
    }
    return LoadResult::Ignored;  // no closing line: a torn write
}

LoadResult UserWords::load(const std::filesystem::path& path) {
    clear();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return LoadResult::Missing;
    const auto bytes = readFile(path, kMaxUserFileBytes);
    if (!bytes) return LoadResult::Ignored;
    const LoadResult result = parse(*bytes);
    return result == LoadResult::Missing ? LoadResult::Ignored : result;
}

bool UserWords::save(const std::filesystem::path& path) const {
    return replaceFile(path, serialise());
}

bool UserWords::forget(const std::filesystem::path& path) {
    clear();
    std::error_code error;
    std::filesystem::path temporary = path;
    temporary += ".new";
    std::filesystem::remove(temporary, error);
    std::filesystem::remove(path, error);
    return !error;
}

}  // namespace quil::predict
