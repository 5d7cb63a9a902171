#include "onscreen_keyboard/suggestions.h"

#include <utility>

#include "onscreen_keyboard/key_sink.h"
#include "prediction/text.h"

namespace quil::osk {

namespace {

constexpr char16_t kHighSurrogateFirst = 0xD800;
constexpr char16_t kLowSurrogateFirst = 0xDC00;
constexpr char16_t kSurrogateEnd = 0xE000;
constexpr int kSurrogateBits = 10;
constexpr char32_t kSupplementaryFirst = 0x10000;

// The keyboard's UTF-16 as code points; a lone surrogate is dropped, as
// typeText drops it.
template <typename Each>
void forEachCodePoint(std::u16string_view text, Each each) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < kHighSurrogateFirst || c >= kSurrogateEnd) {
            each(static_cast<char32_t>(c));
        } else if (c < kLowSurrogateFirst && i + 1 < text.size() &&
                   text[i + 1] >= kLowSurrogateFirst && text[i + 1] < kSurrogateEnd) {
            each(kSupplementaryFirst +
                 ((static_cast<char32_t>(c - kHighSurrogateFirst) << kSurrogateBits) |
                  static_cast<char32_t>(text[i + 1] - kLowSurrogateFirst)));
            ++i;
        }
    }
}

std::u16string utf16Of(std::string_view utf8) {
    std::u16string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const predict::Decoded d = predict::decodeAt(utf8, at);
        out += toUtf16(d.cp);
        at += d.length;
    }
    return out;
}

bool endsInLetter(std::string_view text) {
    if (text.empty()) return false;
    return predict::isLetter(predict::decodeAt(text, predict::previousStart(text, text.size())).cp);
}

}  // namespace

Suggestions::Suggestions(predict::Predictor predictor, std::filesystem::path userFile)
    : predictor_(std::move(predictor)), userFile_(std::move(userFile)) {
    refresh();
}

Suggestions Suggestions::load(const std::filesystem::path& listFile,
                              std::filesystem::path userFile) {
    auto list = predict::WordList::load(listFile);
    predict::Predictor predictor =
        list ? predict::Predictor(std::move(*list)) : predict::Predictor();
    // A damaged or missing file of the user's is started afresh; it is
    // only overwritten once a new word is learnt.
    (void)predictor.userWords().load(userFile);
    return Suggestions(std::move(predictor), std::move(userFile));
}

void Suggestions::append(char32_t c) {
    // A word ends where something that is not a letter follows it.
    if (!predict::isLetter(c) && endsInLetter(text_)) finishWord();
    predict::appendUtf8(text_, c);
    if (text_.size() > kMaxKeptTextBytes) {
        std::size_t cut = text_.size() - kMaxKeptTextBytes / 2;
        constexpr unsigned char kContinuationMask = 0xC0;
        constexpr unsigned char kContinuation = 0x80;
        while (cut < text_.size() &&
               (static_cast<unsigned char>(text_[cut]) & kContinuationMask) == kContinuation)
            ++cut;
        text_.erase(0, cut);
    }
}

void Suggestions::eraseLast() { text_.erase(predict::previousStart(text_, text_.size())); }

void Suggestions::finishWord() {
    predictor_.learnFinishedWord(text_);
    if (!userFile_.empty()) (void)predictor_.userWords().save(userFile_);
}

void Suggestions::typed(const Typed& t) {
    if (!t.forget) forgetArmed_ = false;
    forEachCodePoint(t.text, [this](char32_t c) { append(c); });
    if (t.special == SpecialKey::Backspace) eraseLast();
    if (t.special == SpecialKey::Enter) {
        if (endsInLetter(text_)) finishWord();
        text_.clear();
    }
    refresh();
}

void Suggestions::lostPlace() {
    forgetArmed_ = false;
    text_.clear();
    refresh();
}

std::optional<predict::Completion> Suggestions::choose(std::size_t slot) {
    forgetArmed_ = false;
    if (slot >= offered_.size()) return std::nullopt;
    predict::Completion keys = offered_[slot].keys;
    for (std::size_t i = 0; i < keys.backspaces; ++i) eraseLast();
    // The completion ends in its space, which finishes the word.
    for (std::size_t at = 0; at < keys.text.size();) {
        const predict::Decoded d = predict::decodeAt(keys.text, at);
        append(d.cp);
        at += d.length;
    }
    refresh();
    return keys;
}

bool Suggestions::forgetPressed() {
    if (!forgetArmed_) {
        forgetArmed_ = true;
        return false;
    }
    forgetArmed_ = false;
    if (userFile_.empty()) {
        predictor_.userWords().clear();
    } else {
        (void)predictor_.userWords().forget(userFile_);
    }
    refresh();
    return true;
}

std::u16string_view Suggestions::word(std::size_t slot) const {
    return slot < shown_.size() ? std::u16string_view(shown_[slot]) : std::u16string_view();
}

void Suggestions::refresh() {
    offered_ = predictor_.suggest(text_, kSuggestionSlots);
    for (std::size_t i = 0; i < shown_.size(); ++i)
        shown_[i] = i < offered_.size() ? utf16Of(offered_[i].word) : std::u16string();
}

}  // namespace quil::osk
