// Word prediction must keep up with the keyboard: the list loads when the
// keyboard starts (target: well under a second, 200 ms for 100,000 words),
// and the suggestions are made again after every key (target: 1 ms).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "prediction/predictor.h"
#include "prediction/text.h"

namespace quil::predict {
namespace {

constexpr std::size_t kListWords = 100000;

// The built Spanish list with its pairs, topped up with made-up words to
// 100,000.
struct Words {
    std::vector<WordCount> words;
    std::vector<PairCount> pairs;
};

Words hundredThousandWords() {
    Words out;
    if (const auto list = WordList::load(QUIL_WORD_LIST)) {
        for (std::size_t i = 0; i < list->size() && out.words.size() < kListWords; ++i) {
            out.words.push_back({std::string(list->word(i)), list->frequency(i)});
            for (const auto& f : list->followers(i)) {
                out.pairs.push_back(
                    {lowered(list->word(i)), lowered(list->word(f.entry)), f.count});
            }
        }
    }
    for (std::size_t n = 0; out.words.size() < kListWords; ++n) {
        std::string w = "zq";
        for (std::size_t v = n + 1; v > 0; v /= 26) w.push_back(static_cast<char>('a' + v % 26));
        out.words.push_back({w, 1});
    }
    return out;
}

const std::filesystem::path& listFile() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() / "quil_prediction_bench.words";
        auto [words, pairs] = hundredThousandWords();
        if (!writeWordListFile(p, std::move(words), std::move(pairs))) std::abort();
        return p;
    }();
    return path;
}

void BM_LoadList(benchmark::State& state) {
    std::size_t words = 0;
    for (auto _ : state) {
        auto list = WordList::load(listFile());
        words = list ? list->size() : 0;
        benchmark::DoNotOptimize(list);
    }
    state.counters["words"] = static_cast<double>(words);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(listFile())) / 1e6;
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

// Every state of typing a sentence, one key at a time: each prefix of each
// word, with nothing typed yet of it too.
std::vector<std::string> typingStates() {
    const std::string sentence =
        "Mañana por la mañana iremos a la casa de campo con los niños y la canción de siempre, "
        "pero antes escribiré una carta larga a mi hermana que vive en Sevilla.";
    std::vector<std::string> states;
    for (std::size_t at = 0; at <= sentence.size(); at += decodeAt(sentence, at).length) {
        states.push_back(sentence.substr(0, at));
        if (at == sentence.size()) break;
    }
    return states;
}

// A user who has written a lot: the learnt words and pairs at their caps.
void fillUserWords(Predictor& predictor) {
    UserWords& user = predictor.userWords();
    for (std::size_t i = 0; i < kMaxUserPairs; ++i) {
        std::string w;
        for (std::size_t v = i + 1; v > 0; v /= 26) w.push_back(static_cast<char>('a' + v % 26));
        if (i < kMaxUserWords) user.learn(w, false);
        user.learnPair(i % 2 == 0 ? "la" : "de", w);
    }
}

void BM_SuggestAfterAKey(benchmark::State& state) {
    auto list = WordList::load(listFile());
    if (!list) std::abort();
    Predictor predictor(std::move(*list));
    if (state.range(0) != 0) fillUserWords(predictor);
    const auto states = typingStates();
    std::size_t i = 0;
    for (auto _ : state) {
        auto suggestions = predictor.suggest(states[i], 5);
        benchmark::DoNotOptimize(suggestions);
        i = (i + 1) % states.size();
    }
}
// 0: the list alone; 1: with the learnt words at their caps.
BENCHMARK(BM_SuggestAfterAKey)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The slowest key: a first letter, whose run of the list is the longest.
void BM_SuggestAfterTheFirstLetter(benchmark::State& state) {
    auto list = WordList::load(listFile());
    if (!list) std::abort();
    Predictor predictor(std::move(*list));
    fillUserWords(predictor);
    for (auto _ : state) {
        auto suggestions = predictor.suggest("la c", 5);
        benchmark::DoNotOptimize(suggestions);
    }
}
BENCHMARK(BM_SuggestAfterTheFirstLetter)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quil::predict
