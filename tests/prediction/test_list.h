// A word list made in memory, as the build tool makes the file.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "prediction/word_list.h"

namespace quil::predict::testing {

inline WordList listOf(std::initializer_list<WordCount> words) {
    auto list = WordList::fromBytes(encodeWordList(std::vector<WordCount>(words)));
    EXPECT_TRUE(list.has_value());
    return list ? std::move(*list) : WordList{};
}

// A small Spanish list with the cases the tests need: accents, ñ, a name.
inline WordList spanish() {
    return listOf({{"de", 1000},     {"la", 900},    {"que", 800},    {"el", 780},
                   {"en", 700},      {"y", 650},     {"a", 600},      {"los", 500},
                   {"se", 450},      {"del", 400},   {"canción", 60}, {"cancha", 40},
                   {"cansado", 35},  {"canal", 50},  {"cantar", 30},  {"camión", 45},
                   {"casa", 120},    {"cosa", 110},  {"año", 200},    {"ano", 5},
                   {"niño", 80},     {"España", 90}, {"qué", 300},    {"quedar", 70},
                   {"pingüino", 12}, {"mañana", 95}});
}

}  // namespace quil::predict::testing
