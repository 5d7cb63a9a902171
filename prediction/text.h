// The few pieces of Unicode that word prediction needs, on UTF-8 strings:
// reading and writing code points, telling letters from the rest, lower and
// upper case and the accent-free key words are matched by. Covers Latin
// (Basic, Latin-1, Extended-A and B), Greek and Cyrillic case; other scripts
// are letters without case. Malformed UTF-8 reads as U+FFFD, one byte at a
// time, so no input can make a reader step past its end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quil::predict {

inline constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at text[at], and how many bytes it took (at least
// one while at < size). Past the end: 0 and 0 bytes.
struct Decoded {
    char32_t cp = 0;
    std::size_t length = 0;
};
[[nodiscard]] Decoded decodeAt(std::string_view text, std::size_t at);

// The start of the code point that ends at text[end - 1] (0 when end is 0).
[[nodiscard]] std::size_t previousStart(std::string_view text, std::size_t end);

void appendUtf8(std::string& out, char32_t cp);
[[nodiscard]] std::size_t countCodePoints(std::string_view text);
// Whether the text is well-formed UTF-8 (no overlong forms, no surrogates).
[[nodiscard]] bool isValidUtf8(std::string_view text);

[[nodiscard]] bool isLetter(char32_t cp);
[[nodiscard]] char32_t toLower(char32_t cp);
[[nodiscard]] char32_t toUpper(char32_t cp);
[[nodiscard]] bool isUpper(char32_t cp);
// The letter without its accent, in lower case: á, Á -> a; ñ -> n; ü -> u.
[[nodiscard]] char32_t foldLetter(char32_t cp);

[[nodiscard]] std::string lowered(std::string_view text);
// The key a word is matched by: lower case without accents ("Canción" ->
// "cancion"), so a user who leaves the accents out still finds the word.
[[nodiscard]] std::string folded(std::string_view text);
// First letter in capitals ("canción" -> "Canción").
[[nodiscard]] std::string capitalised(std::string_view text);
[[nodiscard]] std::string uppercased(std::string_view text);
// Whether every letter of the text is upper case, and it has at least two.
[[nodiscard]] bool isAllCaps(std::string_view text);
[[nodiscard]] bool startsWithUpper(std::string_view text);
// Whether the text is one word: letters only, at least one.
[[nodiscard]] bool isWord(std::string_view text);

}  // namespace quil::predict
