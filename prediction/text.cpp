#include "prediction/text.h"

namespace quil::predict {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Accent-free lower-case letters of U+00C0 to U+024F, one a code point; '.'
// where the letter has no plain Latin base (æ, ß, ð, þ...), which then
// stays as it is.
constexpr std::string_view kFoldFromC0 =
    "aaaaaa.ceeeeiiii.nooooo..uuuuy..aaaaaa.ceeeeiiii.nooooo..uuuuy.y"
    "aaaaaaccccccccdd..eeeeeeeeeegggggggghh..iiiiiiiii...jjkk.llllll."
    "...nnnnnn...oooooo..rrrrrrsssssssstttt..uuuuuuuuuuuuwwyyyzzzzzz."
    "................................oo.............uu..............."
    ".............aaiioouuuuuuuuuu.aaaa....ggkkoooo..j...gg..nnaa...."
    "aaaaeeeeiiiioooorrrruuuusstt..hh......aaeeooooooooyy............"
    "................";

// Latin Extended-A pairs capitals and small letters as even and odd code
// points, except for three runs that pair odd with even.
bool extendedAIsUpper(char32_t cp) {
    const bool oddPairs = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
    return oddPairs ? (cp % 2 == 1) : (cp % 2 == 0);
}

bool hasExtendedACase(char32_t cp) {
    return cp >= 0x100 && cp <= 0x17E && cp != 0x130 && cp != 0x131 && cp != 0x138 && cp != 0x149 &&
           cp != 0x178;
}

}  // namespace

Decoded decodeAt(std::string_view text, std::size_t at) {
    if (at >= text.size()) return {};
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return {kReplacement, 1};
    }
    if (text.size() - at < length) return {kReplacement, 1};
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!isContinuation(byte)) return {kReplacement, 1};
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {kReplacement, 1};
    return {cp, length};
}

std::size_t previousStart(std::string_view text, std::size_t end) {
    if (end == 0) return 0;
    if (end > text.size()) end = text.size();
    if (!isContinuation(static_cast<unsigned char>(text[end - 1]))) return end - 1;
    // Step back over at most three continuation bytes to a lead byte that
    // decodes to exactly this span; otherwise the last byte stands alone.
    for (std::size_t back = 2; back <= 4 && back <= end; ++back) {
        const std::size_t start = end - back;
        if (isContinuation(static_cast<unsigned char>(text[start]))) continue;
        return decodeAt(text, start).length == back ? start : end - 1;
    }
    return end - 1;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::size_t countCodePoints(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += decodeAt(text, at).length) ++count;
    return count;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        if (d.cp == kReplacement && text.substr(at, 3) != "\xEF\xBF\xBD") return false;
        at += d.length;
    }
    return true;
}

bool isLetter(char32_t cp) {
    if (cp < 0x80) return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
    if (cp == 0xAA || cp == 0xB5 || cp == 0xBA) return true;
    if (cp < 0xC0 || cp == 0xD7 || cp == 0xF7) return false;
    if (cp <= 0x24F) return true;
    // Other scripts, roughly: everything but the spacing modifiers and
    // combining marks, the general punctuation and symbol blocks, the CJK
    // punctuation, the private use and specials areas.
    if (cp < 0x370) return false;
    if (cp >= 0x2000 && cp <= 0x2BFF) return false;
    if (cp >= 0x3000 && cp <= 0x303F) return false;
    if (cp >= 0xD800 && cp <= 0xF8FF) return false;
    if (cp >= 0xFE00 && cp <= 0xFE6F) return false;
    if (cp >= 0xFF00 && cp <= 0xFF20) return false;
    if (cp >= 0xFFF0 && cp <= 0xFFFF) return false;
    return true;
}

bool isUpper(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return true;
    if (cp >= 0xC0 && cp <= 0xDE) return cp != 0xD7;
    if (hasExtendedACase(cp)) return extendedAIsUpper(cp);
    if (cp == 0x178) return true;
    if (cp >= 0x391 && cp <= 0x3A9) return cp != 0x3A2;
    if (cp >= 0x400 && cp <= 0x42F) return true;
    return false;
}

char32_t toLower(char32_t cp) {
    if (!isUpper(cp)) return cp;
    if (cp < 0x80) return cp + 0x20;
    if (cp <= 0xDE) return cp + 0x20;
    if (cp == 0x178) return 0xFF;
    if (cp <= 0x17E) return cp + 1;
    if (cp <= 0x3A9) return cp + 0x20;
    if (cp < 0x410) return cp + 0x50;
    return cp + 0x20;
}

char32_t toUpper(char32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 0x20;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
    if (cp == 0xFF) return 0x178;
    if (hasExtendedACase(cp) && !extendedAIsUpper(cp)) return cp - 1;
    if (cp >= 0x3B1 && cp <= 0x3C9 && cp != 0x3C2) return cp - 0x20;
    if (cp >= 0x430 && cp <= 0x44F) return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;
    return cp;
}

char32_t foldLetter(char32_t cp) {
    cp = toLower(cp);
    if (cp < 0xC0 || cp > 0x24F) return cp;
    const char base = kFoldFromC0[cp - 0xC0];
    return base == '.' ? cp : static_cast<char32_t>(base);
}

namespace {

template <typename Map>
std::string mapped(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        appendUtf8(out, map(d.cp, at == 0));
        at += d.length;
    }
    return out;
}

}  // namespace

std::string lowered(std::string_view text) {
    return mapped(text, [](char32_t cp, bool) { return toLower(cp); });
}

std::string folded(std::string_view text) {
    return mapped(text, [](char32_t cp, bool) { return foldLetter(cp); });
}

std::string capitalised(std::string_view text) {
    return mapped(text, [](char32_t cp, bool first) { return first ? toUpper(cp) : cp; });
}

std::string uppercased(std::string_view text) {
    return mapped(text, [](char32_t cp, bool) { return toUpper(cp); });
}

bool isAllCaps(std::string_view text) {
    std::size_t letters = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        if (isLetter(d.cp)) {
            if (toLower(d.cp) == d.cp && toUpper(d.cp) != d.cp) return false;
            ++letters;
        }
        at += d.length;
    }
    return letters >= 2;
}

bool startsWithUpper(std::string_view text) { return isUpper(decodeAt(text, 0).cp); }

bool isWord(std::string_view text) {
    if (text.empty()) return false;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        if (!isLetter(d.cp)) return false;
        at += d.length;
    }
    return true;
}

}  // namespace quil::predict
