// The options file's reading and the apply step on any text.
//
// Input: a mode byte, then
// - even mode: the rest is the file's content, any bytes. The buttons' row
//   comes out clear, every derived value is its row's, a text without a
//   readable first number gives the defaults, and a readable first number
//   is value 0;
// - odd mode: values and white space chosen by the fuzzer, written out as a
//   file would hold them (any separators, fifteen or sixteen values, with
//   or without a final line feed). They must load back exactly, the engine
//   from the sixteenth, and the saved form of the table must load back to
//   the same table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/options_check.h"
#include "options/options_file.h"
#include "tracker/views.h"

namespace {

using quil::TrackerState;
using quil::fuzz::broken;
using quil::fuzz::ByteReader;

constexpr const char* kHarness = "options_file";
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
// The reading's limit (options_file.cpp): a number touching it is cut off.
constexpr std::size_t kReadLimit = 4096;

void startDefault(TrackerState& s) {
    quil::setScreenDefaults(s, kScreenWidth, kScreenHeight);
    quil::applyOptionsText(s, quil::kDefaultOptionsText);
}

void checkTable(const TrackerState& s) {
    quil::fuzz::checkButtonsClear(kHarness, s);
    quil::fuzz::checkDerived(kHarness, s);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

enum class First { None, Unsure, Number };

// Whether the text starts with a number as "%d" reads it, and its value when
// it is short enough to be plainly in range (Unsure when it is long or cut).
First firstNumber(std::string_view text, int64_t& out) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return First::None;
    int64_t v = 0;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        v = v * 10 + (text[i++] - '0');
        if (++digits > 9) return First::Unsure;
    }
    if (i >= kReadLimit) return First::Unsure;
    out = negative ? -v : v;
    return First::Number;
}

void rawText(std::string_view text) {
    TrackerState s;
    startDefault(s);
    quil::applyOptionsText(s, text);
    checkTable(s);
    int64_t first = 0;
    const First kind = firstNumber(text.substr(0, kReadLimit), first);
    if (kind == First::None && quil::fuzz::storedTable(s) != quil::fuzz::kDefaultTable) {
        broken(kHarness, "a text without a number did not give the defaults");
    }
    if (kind == First::Number && s.shared.optionFlags[0] != first) {
        broken(kHarness, "value 0 misread");
    }
}

// Mostly the values a file holds, sometimes any.
int32_t value(ByteReader& in) {
    const uint8_t tag = in.u8();
    return tag < 240 ? tag % 3 : in.i32();
}

constexpr std::array<std::string_view, 8> kSpaces{" ",    "  ",   "\n",   "\t",
                                                  "\r\n", " \n ", "\v\f", "\n\n"};

void writtenValues(ByteReader& in) {
    const int count = 15 + in.below(2);
    std::array<int32_t, 16> values{};
    std::string text;
    if (in.u8() % 4 == 0) text += kSpaces[static_cast<std::size_t>(in.below(8))];
    for (int i = 0; i < count; ++i) {
        values[static_cast<std::size_t>(i)] = value(in);
        text += std::to_string(values[static_cast<std::size_t>(i)]);
        if (i + 1 < count || in.u8() % 2 == 0)
            text += kSpaces[static_cast<std::size_t>(in.below(8))];
    }
    TrackerState s;
    startDefault(s);
    quil::applyOptionsText(s, text);
    checkTable(s);
    for (int i = 0; i < quil::kStoredOptionCount; ++i) {
        if (s.shared.optionFlags[i] != values[static_cast<std::size_t>(i)]) {
            broken(kHarness, "a written value did not load back");
        }
    }
    const int32_t engine = count == 16 && values[15] == quil::PreciseEngine ? quil::PreciseEngine
                                                                            : quil::ClassicEngine;
    if (s.shared.engineChoice != engine) broken(kHarness, "the engine choice misread");

    // The saved form: single spaces, no final line feed, the engine only
    // when it is the precise one.
    std::string saved;
    for (int i = 0; i < quil::kStoredOptionCount; ++i) {
        if (i > 0) saved += ' ';
        saved += std::to_string(values[static_cast<std::size_t>(i)]);
    }
    if (engine == quil::PreciseEngine) saved += " 1";
    TrackerState back;
    startDefault(back);
    quil::applyOptionsText(back, saved);
    if (quil::fuzz::storedTable(back) != quil::fuzz::storedTable(s) ||
        back.shared.engineChoice != s.shared.engineChoice) {
        broken(kHarness, "the saved form did not load back to the same table");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    if (in.u8() % 2 == 0) {
        const auto rest = in.take(in.remaining());
        rawText({reinterpret_cast<const char*>(rest.data()), rest.size()});
    } else {
        writtenValues(in);
    }
    return 0;
}
