#include "prediction/word_list.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <unordered_map>

#include "prediction/text.h"

namespace quil::predict {

namespace {

constexpr std::string_view kMagic = "QWL2";
constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kEntryBytes = 24;
constexpr std::size_t kPairBytes = 8;
constexpr std::size_t kChecksumBytes = 4;
// How many of the most frequent words are kept ready for an empty prefix.
constexpr std::size_t kTopWords = 64;
// A list file larger than this is not one of ours.
constexpr std::size_t kMaxListBytes = std::size_t{256} << 20;

void putU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void putU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

std::uint32_t getU32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint16_t getU16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

std::uint32_t fnv1a(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::string encodeWordList(std::vector<WordCount> words, std::vector<PairCount> pairs) {
    struct Keyed {
        std::string key;
        WordCount entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(words.size());
    for (auto& w : words) {
        if (w.word.empty() || w.word.size() > kMaxWordBytes || !isValidUtf8(w.word)) continue;
        std::string key = folded(w.word);
        if (key.size() > kMaxWordBytes) continue;
        keyed.push_back({std::move(key), std::move(w)});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.key != b.key) return a.key < b.key;
        if (a.entry.frequency != b.entry.frequency) return a.entry.frequency > b.entry.frequency;
        return a.entry.word < b.entry.word;
    });

    // Each pair under its first word's entry, the most frequent few kept.
    std::unordered_map<std::string, std::uint32_t> entryOf;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        entryOf.try_emplace(lowered(keyed[i].entry.word), static_cast<std::uint32_t>(i));
    }
    std::vector<std::vector<WordList::Follower>> followers(keyed.size());
    for (const auto& p : pairs) {
        const auto previous = entryOf.find(p.previous);
        const auto next = entryOf.find(p.next);
        if (previous == entryOf.end() || next == entryOf.end() || p.count == 0) continue;
        followers[previous->second].push_back({next->second, p.count});
    }
    std::string table;
    std::string pairTable;
    std::string keys;
    std::string spellings;
    std::uint32_t pairTotal = 0;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        auto& f = followers[i];
        std::sort(f.begin(), f.end(), [](const auto& a, const auto& b) {
            return a.count != b.count ? a.count > b.count : a.entry < b.entry;
        });
        if (f.size() > kMaxListFollowers) f.resize(kMaxListFollowers);
        putU32(table, static_cast<std::uint32_t>(keys.size()));
        putU32(table, static_cast<std::uint32_t>(spellings.size()));
        putU32(table, keyed[i].entry.frequency);
        putU32(table, pairTotal);
        putU16(table, static_cast<std::uint16_t>(keyed[i].key.size()));
        putU16(table, static_cast<std::uint16_t>(keyed[i].entry.word.size()));
        putU16(table, static_cast<std::uint16_t>(f.size()));
        putU16(table, 0);
        for (const auto& follower : f) {
            putU32(pairTable, follower.entry);
            putU32(pairTable, follower.count);
        }
        pairTotal += static_cast<std::uint32_t>(f.size());
        keys += keyed[i].key;
        spellings += keyed[i].entry.word;
    }
    std::string out(kMagic);
    putU32(out, static_cast<std::uint32_t>(keyed.size()));
    putU32(out, static_cast<std::uint32_t>(keys.size()));
    putU32(out, static_cast<std::uint32_t>(spellings.size()));
    putU32(out, pairTotal);
    out += table;
    out += pairTable;
    out += keys;
    out += spellings;
    putU32(out, fnv1a(out));
    return out;
}

bool writeWordListFile(const std::filesystem::path& path, std::vector<WordCount> words,
                       std::vector<PairCount> pairs) {
    return replaceFile(path, encodeWordList(std::move(words), std::move(pairs)));
}

std::optional<WordList> WordList::fromBytes(std::string bytes) {
    const std::string_view b = bytes;
    if (b.size() < kHeaderBytes + kChecksumBytes || b.substr(0, 4) != kMagic) return std::nullopt;
    const std::uint64_t count = getU32(b, 4);
    const std::uint64_t keyBytes = getU32(b, 8);
    const std::uint64_t wordBytes = getU32(b, 12);
    const std::uint64_t pairs = getU32(b, 16);
    const std::uint64_t expected = kHeaderBytes + count * kEntryBytes + pairs * kPairBytes +
                                   keyBytes + wordBytes + kChecksumBytes;
    if (expected != b.size()) return std::nullopt;
    const std::size_t body = b.size() - kChecksumBytes;
    if (fnv1a(b.substr(0, body)) != getU32(b, body)) return std::nullopt;

    WordList list;
    const std::size_t pairsAt = kHeaderBytes + static_cast<std::size_t>(count) * kEntryBytes;
    list.keysAt_ = pairsAt + static_cast<std::size_t>(pairs) * kPairBytes;
    list.wordsAt_ = list.keysAt_ + static_cast<std::size_t>(keyBytes);
    list.entries_.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < list.entries_.size(); ++i) {
        const std::size_t at = kHeaderBytes + i * kEntryBytes;
        Entry& e = list.entries_[i];
        e.keyOffset = getU32(b, at);
        e.wordOffset = getU32(b, at + 4);
        e.frequency = getU32(b, at + 8);
        e.firstPair = getU32(b, at + 12);
        e.keyLength = getU16(b, at + 16);
        e.wordLength = getU16(b, at + 18);
        e.pairCount = getU16(b, at + 20);
        if (std::uint64_t{e.keyOffset} + e.keyLength > keyBytes ||
            std::uint64_t{e.wordOffset} + e.wordLength > wordBytes || e.keyLength == 0 ||
            e.wordLength == 0 || std::uint64_t{e.firstPair} + e.pairCount > pairs) {
            return std::nullopt;
        }
        list.total_ += e.frequency;
    }
    list.pairs_.resize(static_cast<std::size_t>(pairs));
    for (std::size_t i = 0; i < list.pairs_.size(); ++i) {
        const std::size_t at = pairsAt + i * kPairBytes;
        list.pairs_[i] = {getU32(b, at), getU32(b, at + 4)};
        if (list.pairs_[i].entry >= count) return std::nullopt;
    }
    list.bytes_ = std::move(bytes);
    for (std::size_t i = 1; i < list.entries_.size(); ++i) {
        if (list.key(i - 1) > list.key(i)) return std::nullopt;
    }

    std::vector<std::uint32_t> order(list.entries_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
    const std::size_t top = std::min(kTopWords, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(top), order.end(),
                      [&list](std::uint32_t a, std::uint32_t c) {
                          return list.entries_[a].frequency > list.entries_[c].frequency;
                      });
    order.resize(top);
    list.top_ = std::move(order);
    return list;
}

std::optional<WordList> WordList::load(const std::filesystem::path& path) {
    auto bytes = readFile(path, kMaxListBytes);
    if (!bytes) return std::nullopt;
    return fromBytes(std::move(*bytes));
}

std::span<const WordList::Follower> WordList::followers(std::size_t i) const {
    const Entry& e = entries_[i];
    return std::span<const Follower>(pairs_).subspan(e.firstPair, e.pairCount);
}

std::string_view WordList::key(std::size_t i) const {
    const Entry& e = entries_[i];
    return std::string_view(bytes_).substr(keysAt_ + e.keyOffset, e.keyLength);
}

std::string_view WordList::word(std::size_t i) const {
    const Entry& e = entries_[i];
    return std::string_view(bytes_).substr(wordsAt_ + e.wordOffset, e.wordLength);
}

std::pair<std::size_t, std::size_t> WordList::prefixRange(std::string_view foldedPrefix) const {
    // Binary search over the keys: the first not below the prefix, then the
    // first that no longer starts with it.
    std::size_t lo = 0;
    std::size_t hi = entries_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (key(mid) < foldedPrefix)
            lo = mid + 1;
        else
            hi = mid;
    }
    const std::size_t first = lo;
    hi = entries_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (key(mid).starts_with(foldedPrefix))
            lo = mid + 1;
        else
            hi = mid;
    }
    return {first, lo};
}

std::optional<std::size_t> WordList::find(std::string_view text) const {
    const std::string key = folded(text);
    const std::string lower = lowered(text);
    auto [first, last] = prefixRange(key);
    for (std::size_t i = first; i < last && this->key(i) == key; ++i) {
        if (lowered(word(i)) == lower) return i;
    }
    return std::nullopt;
}

bool replaceFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temporary = path;
    temporary += ".new";
    if (path.has_parent_path()) {
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
    }
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

std::optional<std::string> readFile(const std::filesystem::path& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return std::nullopt;
    in.seekg(0, std::ios::beg);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), size);
    if (!in) return std::nullopt;
    return bytes;
}

}  // namespace quil::predict
