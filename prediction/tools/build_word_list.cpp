// quil-wordlist-build: makes the predictor's word list file from Spanish
// sources, at build time.
//   quil-wordlist-build --out FILE [--dictionary FILE]... [--counts FILE]...
//                       [--corpus FILE]... [--min-uses N] [--max-words N]
// --dictionary: one word a line, kept even when no text uses it;
// --counts: "word<TAB>count" lines, taken as they are;
// --corpus: text whose words are counted.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "prediction/counting.h"
#include "prediction/word_list.h"

namespace {

using quil::predict::WordCounter;

// A source text larger than this is a mistake in the build, not Spanish.
constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 30;
// Words a text uses fewer times than this are likelier slips, code or
// foreign words than Spanish the dictionary lacks.
constexpr std::uint32_t kDefaultMinUses = 3;
constexpr std::size_t kDefaultMaxWords = 150000;

template <typename Each>
void eachLine(std::string_view text, Each each) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        each(line);
        at = end + 1;
    }
}

bool parseNumber(std::string_view text, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

int usage() {
    std::fputs(
        "usage: quil-wordlist-build --out FILE [--dictionary FILE]... [--counts FILE]...\n"
        "                           [--weight N] [--corpus FILE]... [--min-uses N] [--max-words "
        "N]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::uint64_t minUses = kDefaultMinUses;
    std::uint64_t maxWords = kDefaultMaxWords;
    std::uint64_t weight = 1;
    WordCounter counter;
    std::size_t sources = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string_view value = argv[++i];
        if (option == "--out") {
            out = value;
            continue;
        }
        if (option == "--weight") {
            if (!parseNumber(value, weight) || weight == 0 || weight > 1000) return usage();
            continue;
        }
        if (option == "--min-uses" || option == "--max-words") {
            if (!parseNumber(value, option == "--min-uses" ? minUses : maxWords)) return usage();
            continue;
        }
        const auto text = quil::predict::readFile(std::string(value), kMaxSourceBytes);
        if (!text) {
            std::fprintf(stderr, "quil-wordlist-build: cannot read %s\n", argv[i]);
            return 1;
        }
        ++sources;
        if (option == "--corpus") {
            counter.addText(*text, static_cast<std::uint32_t>(weight));
        } else if (option == "--dictionary") {
            eachLine(*text, [&](std::string_view line) { counter.addKnownWord(line, 0); });
        } else if (option == "--counts") {
            eachLine(*text, [&](std::string_view line) {
                const std::size_t tab = line.find('\t');
                std::uint64_t uses = 0;
                if (tab == std::string_view::npos || !parseNumber(line.substr(tab + 1), uses))
                    return;
                counter.addKnownWord(line.substr(0, tab), static_cast<std::uint32_t>(uses));
            });
        } else {
            return usage();
        }
    }
    if (out.empty() || sources == 0) return usage();
    auto words =
        counter.result(static_cast<std::uint32_t>(minUses), static_cast<std::size_t>(maxWords));
    auto pairs = counter.pairs(static_cast<std::uint32_t>(minUses));
    const std::size_t count = words.size();
    if (!quil::predict::writeWordListFile(out, std::move(words), std::move(pairs))) {
        std::fprintf(stderr, "quil-wordlist-build: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("quil-wordlist-build: %zu words in %s\n", count, out.c_str());
    return 0;
}
