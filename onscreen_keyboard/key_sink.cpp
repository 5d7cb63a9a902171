#include "onscreen_keyboard/key_sink.h"

namespace quil::osk {

namespace {
constexpr char16_t kHighSurrogateStart = 0xD800;
constexpr char16_t kLowSurrogateStart = 0xDC00;
constexpr char16_t kSurrogateEnd = 0xE000;
constexpr char32_t kSupplementaryStart = 0x10000;
constexpr int kSurrogateShift = 10;
constexpr char32_t kLowBits = 0x3FF;

bool isHigh(char16_t u) { return u >= kHighSurrogateStart && u < kLowSurrogateStart; }
bool isLow(char16_t u) { return u >= kLowSurrogateStart && u < kSurrogateEnd; }
}  // namespace

void typeText(KeySink& sink, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (isHigh(u)) {
            if (i + 1 < text.size() && isLow(text[i + 1])) {
                const char32_t c = kSupplementaryStart +
                                   ((char32_t{u} - kHighSurrogateStart) << kSurrogateShift) +
                                   (char32_t{text[i + 1]} - kLowSurrogateStart);
                sink.typeCharacter(c);
                ++i;
            }
        } else if (!isLow(u)) {
            sink.typeCharacter(u);
        }
    }
}

std::u16string toUtf16(char32_t c) {
    if (c < kSupplementaryStart) return std::u16string(1, static_cast<char16_t>(c));
    const char32_t v = c - kSupplementaryStart;
    return {static_cast<char16_t>(kHighSurrogateStart + (v >> kSurrogateShift)),
            static_cast<char16_t>(kLowSurrogateStart + (v & kLowBits))};
}

}  // namespace quil::osk
