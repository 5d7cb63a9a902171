#include "prediction/predictor.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <utility>

#include "prediction/text.h"

namespace quil::predict {

namespace {

// Ranking: a sum of shares, each a probability-like number so they add up
// fairly:
//   the word's share of the list's counts (written Spanish at large),
//   its share of what this user wrote (their own words rise as they use them),
//   the share of the previous word's successors it was, for this user and in
//   the texts the list was counted from (what follows what).
// The user's share starts small (a prior of that many uses) so that one use
// does not outweigh the language; a pair seen twice already says a lot.
constexpr double kUserWeight = 1.0;
constexpr double kUserPrior = 50.0;
constexpr double kNextWeight = 1.5;
constexpr double kNextPrior = 1.0;
// The texts' own pairs (what follows what in written Spanish), as a share
// of the previous word's uses.
constexpr double kListNextWeight = 1.0;
// How many of each source's best fitting words are weighed further (the
// list's most frequent, the user's most used, the previous word's commonest
// followers): a word can only reach the few shown by being near the top of
// one of them.
constexpr std::size_t kCandidatesPerSource = 16;
// A word the list lacks is offered once the user has written it this often,
// so that a single slip is not suggested back.
constexpr std::uint32_t kUsesBeforeOffered = 2;

bool opensSentence(char32_t cp) {
    return cp == '.' || cp == '!' || cp == '?' || cp == '\n' || cp == '\r' || cp == 0x2026;
}

// Marks that may sit between two words of one phrase without breaking it.
bool joinsWords(char32_t cp) {
    return cp == ' ' || cp == '\t' || cp == '"' || cp == '\'' || cp == 0xAB || cp == 0xBB ||
           cp == 0xA1 || cp == 0xBF || cp == 0x201C || cp == 0x201D;
}

struct Candidate {
    std::string lower;
    std::string spelling;
    std::optional<std::size_t> listIndex;
    double score = 0.0;
};

// The N items with the largest counts offered, largest first; for picking
// the few worth weighing out of a long run without sorting it.
template <typename T, std::size_t N>
class Best {
public:
    [[nodiscard]] bool wouldKeep(std::uint64_t count) const {
        return kept_ < N || count > best_[N - 1].first;
    }
    void offer(std::uint64_t count, T item) {
        if (!wouldKeep(count)) return;
        std::size_t slot = std::min(kept_, N - 1);
        while (slot > 0 && best_[slot - 1].first < count) {
            best_[slot] = best_[slot - 1];
            --slot;
        }
        best_[slot] = {count, item};
        kept_ = std::min(kept_ + 1, N);
    }
    [[nodiscard]] std::span<const std::pair<std::uint64_t, T>> items() const {
        return {best_.data(), kept_};
    }

private:
    std::array<std::pair<std::uint64_t, T>, N> best_{};
    std::size_t kept_ = 0;
};

}  // namespace

TypingContext readContext(std::string_view text) {
    TypingContext context;
    std::size_t start = text.size();
    while (start > 0 && text.size() - start <= kMaxWordBytes) {
        const std::size_t before = previousStart(text, start);
        if (!isLetter(decodeAt(text, before).cp)) break;
        start = before;
    }
    context.tooLong = text.size() - start > kMaxWordBytes;
    if (context.tooLong) return context;
    context.partial = std::string(text.substr(start));

    // Back over spaces and quotes to whatever ends the word before.
    std::size_t at = start;
    bool joined = true;
    while (at > 0) {
        const std::size_t before = previousStart(text, at);
        const char32_t cp = decodeAt(text, before).cp;
        if (isLetter(cp)) break;
        if (opensSentence(cp)) {
            context.sentenceStart = true;
            return context;
        }
        if (!joinsWords(cp)) joined = false;
        at = before;
    }
    context.sentenceStart = at == 0 && joined;  // nothing but spaces before: the text's start
    if (at == 0 || !joined) return context;
    std::size_t wordStart = at;
    while (wordStart > 0) {
        const std::size_t before = previousStart(text, wordStart);
        if (!isLetter(decodeAt(text, before).cp)) break;
        wordStart = before;
    }
    if (at - wordStart <= kMaxWordBytes)
        context.previous = std::string(text.substr(wordStart, at - wordStart));
    return context;
}

Completion completionFor(std::string_view partial, std::string_view word) {
    std::size_t p = 0;
    std::size_t w = 0;
    while (p < partial.size() && w < word.size()) {
        const Decoded a = decodeAt(partial, p);
        const Decoded b = decodeAt(word, w);
        if (a.cp != b.cp || a.length != b.length) break;
        p += a.length;
        w += b.length;
    }
    Completion c;
    c.backspaces = countCodePoints(partial.substr(p));
    c.text = std::string(word.substr(w)) + " ";
    return c;
}

namespace {

// One key press's candidates: gathered from each source, then scored.
class Gathering {
public:
    Gathering(const WordList& list, const UserWords& user, const TypingContext& context)
        : list_(list),
          user_(user),
          key_(folded(context.partial)),
          lowerPartial_(lowered(context.partial)),
          accentsTyped_(key_ != lowerPartial_) {}

    // The list's most frequent fitting words.
    void addListWords() {
        if (key_.empty()) {
            for (const std::uint32_t i : list_.mostFrequent()) addListEntry(i);
            return;
        }
        Best<std::size_t, kCandidatesPerSource> best;
        const auto [first, last] = list_.prefixRange(key_);
        for (std::size_t i = first; i < last; ++i) {
            if (!best.wouldKeep(list_.frequency(i))) continue;
            if (accentsTyped_ && !lowered(list_.word(i)).starts_with(lowerPartial_)) continue;
            best.offer(list_.frequency(i), i);
        }
        for (const auto& [n, i] : best.items()) addListEntry(i);
    }

    // The user's own most used fitting words.
    void addOwnWords() {
        Best<const std::pair<const std::string, UserWords::Word>*, kCandidatesPerSource> own;
        for (const auto& entry : user_.words()) {
            const auto& [lower, w] = entry;
            if (w.count < kUsesBeforeOffered || !own.wouldKeep(w.count) || !fits(lower, w.key)) {
                continue;
            }
            own.offer(w.count, &entry);
        }
        for (const auto& [n, entry] : own.items()) {
            add(entry->first, entry->second.spelling, std::nullopt);
        }
    }

    // The fitting words that most often followed the previous one, in the
    // texts and for this user ("" previous: at a sentence's start).
    void addFollowers(const std::string& previous, bool hasContext) {
        const auto previousEntry = previous.empty() ? std::nullopt : list_.find(previous);
        if (previousEntry) {
            listNext_ = list_.followers(*previousEntry);
            previousUses_ = std::max<double>(1.0, list_.frequency(*previousEntry));
        }
        for (const auto& f : listNext_) {
            if (fits(lowered(list_.word(f.entry)), list_.key(f.entry))) addListEntry(f.entry);
        }
        followers_ = hasContext ? user_.followers(previous) : nullptr;
        if (followers_ == nullptr) return;
        Best<const std::string*, kCandidatesPerSource> next;
        for (const auto& [lower, f] : *followers_) {
            followersTotal_ += f.count;
            if (next.wouldKeep(f.count) && fits(lower, f.key)) next.offer(f.count, &lower);
        }
        for (const auto& [n, lower] : next.items()) {
            const UserWords::Word* w = user_.word(*lower);
            const auto entry = list_.find(*lower);
            if (n >= kUsesBeforeOffered || entry ||
                (w != nullptr && w->count >= kUsesBeforeOffered)) {
                add(*lower, w != nullptr ? std::string_view(w->spelling) : std::string_view(*lower),
                    entry);
            }
        }
    }

    // The candidates, best first.
    std::vector<Candidate> ranked() {
        const double listTotal = std::max<double>(1.0, static_cast<double>(list_.totalFrequency()));
        const double userTotal = static_cast<double>(user_.totalCount()) + kUserPrior;
        for (auto& c : candidates_) {
            const double listShare = c.listIndex ? list_.frequency(*c.listIndex) / listTotal : 0.0;
            const UserWords::Word* w = user_.word(c.lower);
            const double userShare = w != nullptr ? w->count / userTotal : 0.0;
            double nextShare = 0.0;
            if (followers_ != nullptr) {
                const auto it = followers_->find(c.lower);
                if (it != followers_->end()) {
                    nextShare = it->second.count / (followersTotal_ + kNextPrior);
                }
            }
            double listNextShare = 0.0;
            for (const auto& f : listNext_) {
                if (c.listIndex && f.entry == *c.listIndex) listNextShare = f.count / previousUses_;
            }
            c.score = listShare + kUserWeight * userShare + kNextWeight * nextShare +
                      kListNextWeight * listNextShare;
        }
        std::stable_sort(candidates_.begin(), candidates_.end(),
                         [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
        return std::move(candidates_);
    }

private:
    [[nodiscard]] bool fits(std::string_view lower, std::string_view wordKey) const {
        return wordKey.starts_with(key_) && (!accentsTyped_ || lower.starts_with(lowerPartial_));
    }

    void addListEntry(std::size_t i) { add(lowered(list_.word(i)), list_.word(i), i); }

    void add(std::string_view lower, std::string_view spelling,
             std::optional<std::size_t> listIndex) {
        for (const auto& c : candidates_) {
            if (c.lower == lower) return;
        }
        if (!listIndex) listIndex = list_.find(lower);
        candidates_.push_back({std::string(lower), std::string(spelling), listIndex, 0.0});
    }

    const WordList& list_;
    const UserWords& user_;
    const std::string key_;
    const std::string lowerPartial_;
    // Accents the user typed are meant: then only words that have them fit.
    const bool accentsTyped_;
    std::vector<Candidate> candidates_;
    std::span<const WordList::Follower> listNext_;
    double previousUses_ = 1.0;
    const UserWords::Followers* followers_ = nullptr;
    double followersTotal_ = 0.0;
};

}  // namespace

std::vector<Suggestion> Predictor::suggest(std::string_view textBefore, std::size_t count) const {
    const TypingContext context = readContext(textBefore);
    if (context.tooLong || count == 0) return {};
    Gathering gathering(list_, user_, context);
    gathering.addListWords();
    gathering.addOwnWords();
    const std::string previous = lowered(context.previous);
    gathering.addFollowers(previous, context.sentenceStart || !previous.empty());

    std::vector<Suggestion> out;
    const bool allCaps = isAllCaps(context.partial);
    const bool capital = context.sentenceStart || startsWithUpper(context.partial);
    for (const auto& c : gathering.ranked()) {
        if (out.size() == count) break;
        std::string word = allCaps   ? uppercased(c.spelling)
                           : capital ? capitalised(c.spelling)
                                     : c.spelling;
        const auto duplicate = std::find_if(out.begin(), out.end(),
                                            [&](const Suggestion& s) { return s.word == word; });
        if (duplicate != out.end()) continue;
        Completion keys = completionFor(context.partial, word);
        out.push_back({std::move(word), std::move(keys)});
    }
    return out;
}

void Predictor::learnFinishedWord(std::string_view textBefore) {
    const TypingContext context = readContext(textBefore);
    if (context.tooLong || context.partial.empty()) return;
    user_.learn(context.partial, context.sentenceStart);
    // After a comma or a number the word pairs with nothing.
    if (context.sentenceStart || !context.previous.empty()) {
        user_.learnPair(context.previous, context.partial);
    }
}

}  // namespace quil::predict
