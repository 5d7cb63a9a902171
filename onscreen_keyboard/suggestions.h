// The suggested words above the keys. The keyboard cannot read the text
// where it types, so it keeps what it sent itself since the user last
// clicked elsewhere or pressed Intro, and asks the predictor after every
// key. Choosing a word sends the keys that complete it; every finished word
// is learnt and the user's words saved at once (a few kilobytes, rewritten
// safely), so a crash or a pulled plug loses nothing learnt.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "onscreen_keyboard/layout.h"
#include "onscreen_keyboard/typing.h"
#include "prediction/predictor.h"

namespace quil::osk {

// The word list's file name, looked for beside the keyboard program.
inline constexpr std::string_view kWordListFile = "spanish.words";
// The user's learnt words' file name, in the user's own folder.
inline constexpr std::string_view kUserWordsFile = "palabras.txt";

// The text kept: past this many bytes the oldest half goes; the predictor
// reads only the last two words of it.
inline constexpr std::size_t kMaxKeptTextBytes = 512;

class Suggestions {
public:
    // No list and nowhere to save: an empty row, learning nothing kept.
    Suggestions() = default;
    Suggestions(predict::Predictor predictor, std::filesystem::path userFile);
    // The list from listFile (none when missing or damaged: the row then
    // offers only what the user wrote) and the user's words from userFile.
    static Suggestions load(const std::filesystem::path& listFile, std::filesystem::path userFile);

    // What the keyboard typed: characters, or a special key.
    void typed(const Typed& t);
    // The place typed into is no longer known (a click elsewhere, the
    // keyboard hidden): start afresh as at a sentence's start.
    void lostPlace();
    // The keys for the word in this slot, the text and what was learnt
    // updated as if they had been typed; nothing for an empty slot.
    [[nodiscard]] std::optional<predict::Completion> choose(std::size_t slot);
    // The forget key: the first press arms it, the second forgets every
    // learnt word and removes the file; any other key disarms it. Returns
    // whether it forgot.
    bool forgetPressed();

    [[nodiscard]] std::u16string_view word(std::size_t slot) const;
    [[nodiscard]] bool forgetArmed() const { return forgetArmed_; }
    [[nodiscard]] const std::string& text() const { return text_; }
    [[nodiscard]] const predict::Predictor& predictor() const { return predictor_; }

private:
    void append(char32_t c);
    void eraseLast();
    void finishWord();
    void refresh();

    predict::Predictor predictor_;
    std::filesystem::path userFile_;
    std::string text_;  // UTF-8
    std::vector<predict::Suggestion> offered_;
    std::array<std::u16string, kSuggestionSlots> shown_;
    bool forgetArmed_ = false;
};

}  // namespace quil::osk
