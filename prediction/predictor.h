// Word prediction for the on-screen keyboard: after every key, the few words
// the user most likely means, and the keys that finish the chosen one.
//
// The keyboard keeps the text it typed since the focus last changed and
// hands it in whole; the predictor reads the word being typed and the one
// before it from its end. Choosing a suggestion sends its Completion, which
// leaves exactly the chosen word and a space; then, as after any word the
// user finishes, the keyboard calls learnFinishedWord.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "prediction/user_words.h"
#include "prediction/word_list.h"

namespace quil::predict {

// What the end of the typed text says.
struct TypingContext {
    std::string partial;        // the letters at the very end: the word being typed
    std::string previous;       // the word before it, when only spaces or quotes lie between
    bool sentenceStart = true;  // nothing before, or a sentence's end, or a new line
    bool tooLong = false;       // the partial is longer than any word we keep
};
[[nodiscard]] TypingContext readContext(std::string_view textBefore);

// The keys that turn the typed partial into the word and a space: this many
// backspaces, then the text. Only what differs is taken back, so
// "cancion" -> "canción" is two backspaces and "ón ".
struct Completion {
    std::size_t backspaces = 0;
    std::string text;
    friend bool operator==(const Completion&, const Completion&) = default;
};
[[nodiscard]] Completion completionFor(std::string_view partial, std::string_view word);

struct Suggestion {
    std::string word;  // as it will be typed, capitals included
    Completion keys;
};

class Predictor {
public:
    Predictor() = default;
    explicit Predictor(WordList list) : list_(std::move(list)) {}

    // The best `count` words for the text typed so far, best first: words
    // whose accent-free spelling starts with the partial word (or, with no
    // partial, the likely next words), ranked by how often they occur in
    // Spanish, how often this user writes them and how often they followed
    // the previous word. Empty when nothing fits.
    [[nodiscard]] std::vector<Suggestion> suggest(std::string_view textBefore,
                                                  std::size_t count) const;

    // The user finished the word at the end of the text (typed a space or a
    // mark after it, or chose a suggestion): counts it and the pair it
    // makes with the word before.
    void learnFinishedWord(std::string_view textBefore);

    [[nodiscard]] const WordList& list() const { return list_; }
    [[nodiscard]] UserWords& userWords() { return user_; }
    [[nodiscard]] const UserWords& userWords() const { return user_; }

private:
    WordList list_;
    UserWords user_;
};

}  // namespace quil::predict
