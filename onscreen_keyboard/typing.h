// The typing rules: what pressing a key produces, given the one-shot shift,
// caps lock and a pending accent.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "onscreen_keyboard/layout.h"

namespace quil::osk {

// A key that is not a character, sent as itself.
enum class SpecialKey { None, Backspace, Enter };

// A request the keyboard passes on to the tracker.
enum class TrackerRequest { None, Scroll, Pause };

// What a key press asks of the program: characters to type, or one special
// key, or one of the window's commands, or a request to the tracker. At most
// one of them is set.
struct Typed {
    std::u16string text;
    SpecialKey special = SpecialKey::None;
    bool hide = false;
    unsigned dock = 0;  // a dock code ('1'..'5'), or 0
    TrackerRequest request = TrackerRequest::None;
    std::optional<std::size_t> suggestion;  // the suggested word chosen, by its slot
    bool forget = false;                    // forget the learnt words
    friend bool operator==(const Typed&, const Typed&) = default;
};

class TypingState {
public:
    // Applies a key press and says what to send.
    Typed press(const Key& key);

    [[nodiscard]] bool shift() const { return shift_; }
    [[nodiscard]] bool capsLock() const { return capsLock_; }
    // The accent waiting for its vowel (the acute or the diaeresis), or 0.
    [[nodiscard]] char16_t pendingAccent() const { return accent_; }

private:
    char16_t characterOf(const Key& key) const;
    std::u16string withAccent(char16_t c);

    bool shift_ = false;
    bool capsLock_ = false;
    char16_t accent_ = 0;
};

// The vowel with the accent on it (á, Ü...), or 0 when the pair does not
// make one letter.
char16_t composeAccent(char16_t accent, char16_t vowel);

}  // namespace quil::osk
