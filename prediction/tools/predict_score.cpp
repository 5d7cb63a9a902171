// quilbrand-predict-score: how many key presses word prediction saves.
//   quilbrand-predict-score --list FILE --text FILE
// An ideal user types the text on the on-screen keyboard and chooses the
// word as soon as a suggestion shows it. Key presses are the keyboard's: a
// capital takes the one-shot shift too, an accented vowel the accent key
// too (ü: shift, accent, vowel); choosing a suggestion is one press and
// types the word and a space, which a following mark takes back with a
// backspace. Printed for 4 and 5 suggestions: with the list alone, learning
// as it goes, and again after that first pass has been learnt.
#include <cstdio>
#include <string>
#include <string_view>

#include "prediction/predictor.h"
#include "prediction/text.h"

namespace {

using namespace quil::predict;

// The text the ideal user's predictor is shown: the end of what was typed,
// as much as the keyboard keeps.
constexpr std::size_t kKeptText = 256;
constexpr std::size_t kMaxTextBytes = std::size_t{64} << 20;

int pressesFor(char32_t cp) {
    const char32_t lower = toLower(cp);
    const bool capital = lower != cp;
    const bool diaeresis = lower == 0xFC || lower == 0xEF || lower == 0xEB;
    const bool acute =
        lower == 0xE1 || lower == 0xE9 || lower == 0xED || lower == 0xF3 || lower == 0xFA;
    return 1 + (capital ? 1 : 0) + (acute ? 1 : 0) + (diaeresis ? 2 : 0);
}

int pressesFor(std::string_view text) {
    int presses = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        presses += pressesFor(d.cp);
        at += d.length;
    }
    return presses;
}

void keep(std::string& typed) {
    if (typed.size() <= kKeptText) return;
    std::size_t cut = typed.size() - kKeptText / 2;
    while (cut < typed.size() && (static_cast<unsigned char>(typed[cut]) & 0xC0) == 0x80) ++cut;
    typed.erase(0, cut);
}

struct Tally {
    long plain = 0;
    long withPrediction = 0;
    [[nodiscard]] double saved() const {
        return plain == 0 ? 0.0 : 100.0 * (plain - withPrediction) / plain;
    }
};

// Types the whole text once; learns each finished word when asked.
Tally typeText(Predictor& predictor, std::string_view text, std::size_t shown, bool learn) {
    Tally tally;
    std::string typed;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        if (!isLetter(d.cp)) {
            typed.append(text.substr(at, d.length));
            tally.plain += pressesFor(d.cp);
            tally.withPrediction += pressesFor(d.cp);
            at += d.length;
            keep(typed);
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && isLetter(decodeAt(text, end).cp))
            end += decodeAt(text, end).length;
        const std::string_view word = text.substr(at, end - at);
        tally.plain += pressesFor(word);
        bool chosen = false;
        for (std::size_t done = at;;) {
            for (const Suggestion& s : predictor.suggest(typed, shown)) {
                if (s.word == word) chosen = true;
            }
            if (chosen) {
                tally.withPrediction += 1;
                break;
            }
            if (done >= end) break;
            const Decoded letter = decodeAt(text, done);
            tally.withPrediction += pressesFor(letter.cp);
            typed.append(text.substr(done, letter.length));
            done += letter.length;
        }
        // Whatever the way, the typed text now ends with the word.
        const std::size_t partial = readContext(typed).partial.size();
        typed.erase(typed.size() - partial);
        typed.append(word);
        if (learn) predictor.learnFinishedWord(typed);
        if (chosen) {
            // The suggestion's space: the text's own space, or taken back.
            if (end < text.size() && text[end] == ' ') {
                typed.push_back(' ');
                ++end;
            } else {
                tally.withPrediction += 1;
            }
        }
        at = end;
        keep(typed);
    }
    return tally;
}

std::string normalised(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const char s = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
        if (s == ' ' && (out.empty() || out.back() == ' ')) continue;
        out.push_back(s);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string listPath;
    std::string textPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--list") listPath = argv[i + 1];
        if (option == "--text") textPath = argv[i + 1];
    }
    if (listPath.empty() || textPath.empty()) {
        std::fputs("usage: quilbrand-predict-score --list FILE --text FILE\n", stderr);
        return 2;
    }
    auto list = WordList::load(listPath);
    const auto raw = readFile(textPath, kMaxTextBytes);
    if (!list || !raw) {
        std::fputs("quilbrand-predict-score: cannot read the list or the text\n", stderr);
        return 1;
    }
    const std::string text = normalised(*raw);
    std::printf(
        "%zu words in the list; the text: %zu words, %d key presses without prediction\n\n",
        list->size(),
        [&] {
            std::size_t words = 0;
            for (std::size_t at = 0, inWord = 0; at < text.size();
                 at += decodeAt(text, at).length) {
                const bool letter = isLetter(decodeAt(text, at).cp);
                if (letter && !inWord) ++words;
                inWord = letter;
            }
            return words;
        }(),
        pressesFor(text));
    std::printf("| suggestions | list alone | learning as it goes | after a first pass |\n");
    std::printf("|---|---|---|---|\n");
    for (const std::size_t shown : {std::size_t{4}, std::size_t{5}}) {
        Predictor alone(*list);
        const Tally a = typeText(alone, text, shown, false);
        Predictor learning(*list);
        const Tally b = typeText(learning, text, shown, true);
        const Tally c = typeText(learning, text, shown, true);
        std::printf("| %zu | %.1f %% | %.1f %% | %.1f %% |\n", shown, a.saved(), b.saved(),
                    c.saved());
    }
    return 0;
}
