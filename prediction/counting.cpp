#include "prediction/counting.h"

#include <algorithm>
#include <limits>

#include "prediction/text.h"

namespace quil::predict {

void WordCounter::addText(std::string_view text, std::uint32_t weight) {
    std::size_t start = 0;
    bool inWord = false;
    std::string previous;  // empty when a mark broke the phrase
    for (std::size_t at = 0; at <= text.size();) {
        const Decoded d = decodeAt(text, at);
        const bool letter = at < text.size() && isLetter(d.cp);
        if (letter && !inWord) start = at, inWord = true;
        if (!letter && inWord) {
            inWord = false;
            const std::string_view word = text.substr(start, at - start);
            if (word.size() > kMaxWordBytes) {
                previous.clear();
            } else {
                std::string lower = count(word, weight, false);
                if (!previous.empty()) pairs_[previous + '\t' + lower] += weight;
                previous = std::move(lower);
            }
        }
        if (!letter && at < text.size() && !(d.cp == ' ' || d.cp == '\t' || d.cp == '\n')) {
            previous.clear();
        }
        if (at == text.size()) break;
        at += d.length;
    }
}

std::vector<PairCount> WordCounter::pairs(std::uint32_t minUses) const {
    std::vector<PairCount> out;
    for (const auto& [pair, uses] : pairs_) {
        if (uses < minUses) continue;
        const std::size_t tab = pair.find('\t');
        out.push_back({pair.substr(0, tab), pair.substr(tab + 1),
                       static_cast<std::uint32_t>(std::min<std::uint64_t>(
                           uses, std::numeric_limits<std::uint32_t>::max()))});
    }
    return out;
}

void WordCounter::addKnownWord(std::string_view word, std::uint32_t uses) {
    if (!isWord(word) || word.size() > kMaxWordBytes) return;
    count(word, uses, true);
}

std::string WordCounter::count(std::string_view word, std::uint64_t uses, bool known) {
    std::string lower = lowered(word);
    Forms& forms = byLower_[lower];  // a copy of the key: `lower` is returned
    if (known) {
        forms.known = true;
        forms.knownUses += uses;
        forms.knownSpelling = std::string(word);
    } else if (lower == word) {
        forms.lowerUses += uses;
    } else {
        forms.capitalUses[std::string(word)] += uses;
    }
    return lower;
}

std::vector<WordCount> WordCounter::result(std::uint32_t minUses, std::size_t maxWords) const {
    std::vector<WordCount> out;
    out.reserve(byLower_.size());
    for (const auto& [lower, forms] : byLower_) {
        std::uint64_t capitals = 0;
        const std::pair<const std::string, std::uint64_t>* commonest = nullptr;
        for (const auto& form : forms.capitalUses) {
            capitals += form.second;
            if (commonest == nullptr || form.second > commonest->second ||
                (form.second == commonest->second && form.first < commonest->first)) {
                commonest = &form;
            }
        }
        const std::uint64_t used = forms.lowerUses + capitals;
        if (!forms.known && (used < minUses || countCodePoints(lower) < 2)) continue;
        // A word the text writes in lower case is a common word: its
        // capitals were a sentence's or a title's. A dictionary's spelling
        // stands.
        const bool common = forms.lowerUses > 0 || commonest == nullptr;
        const std::uint64_t total = std::min<std::uint64_t>(
            used + forms.knownUses, std::numeric_limits<std::uint32_t>::max());
        const std::string& spelling = forms.known ? forms.knownSpelling
                                      : common    ? lower
                                                  : commonest->first;
        out.push_back({spelling, static_cast<std::uint32_t>(total)});
    }
    std::sort(out.begin(), out.end(), [](const WordCount& a, const WordCount& b) {
        return a.frequency != b.frequency ? a.frequency > b.frequency : a.word < b.word;
    });
    if (out.size() > maxWords) out.resize(maxWords);
    return out;
}

}  // namespace quil::predict
