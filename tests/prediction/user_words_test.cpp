#include "prediction/user_words.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "prediction/word_list.h"

namespace quil::predict {
namespace {

class UserWordsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("quil_user_words_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path file() const { return dir_ / "words.txt"; }
    std::filesystem::path dir_;
};

UserWords sample() {
    UserWords u;
    u.learn("Quilbrand", false);
    u.learn("quilbrand", true);  // the sentence's capital changes nothing
    u.learn("canción", false);
    u.learnPair("", "canción");
    u.learnPair("la", "canción");
    u.learnPair("la", "canción");
    return u;
}

TEST(UserWords, CountsWordsAndPairsAndKeepsANamesCapital) {
    const UserWords u = sample();
    ASSERT_NE(u.word("quilbrand"), nullptr);
    EXPECT_EQ(u.word("quilbrand")->count, 2u);
    EXPECT_EQ(u.word("quilbrand")->spelling, "Quilbrand");
    EXPECT_EQ(u.word("canción")->key, "cancion");
    EXPECT_EQ(u.pairCount("la", "canción"), 2u);
    EXPECT_EQ(u.pairCount("", "canción"), 1u);
    EXPECT_EQ(u.pairCount("el", "canción"), 0u);
    EXPECT_EQ(u.totalCount(), 3u);

    UserWords v;
    for (const char* notWord : {"", "dos palabras", "x1", "¿qué?", "\xFF\xFE"})
        v.learn(notWord, false);
    v.learn(std::string(kMaxWordBytes + 1, 'a'), false);
    v.learnPair("dos palabras", "casa");
    EXPECT_TRUE(v.words().empty());
    EXPECT_EQ(v.pairTotal(), 0u);
}

TEST_F(UserWordsFile, RoundTripsThroughTheFile) {
    ASSERT_TRUE(sample().save(file()));
    UserWords read;
    ASSERT_EQ(read.load(file()), LoadResult::Loaded);
    EXPECT_EQ(read.serialise(), sample().serialise());
    EXPECT_EQ(read.word("quilbrand")->spelling, "Quilbrand");
    EXPECT_EQ(read.pairCount("la", "canción"), 2u);
    EXPECT_FALSE(std::filesystem::exists(file().string() + ".new"));
}

TEST_F(UserWordsFile, AMissingTornOrDamagedFileIsIgnoredWhole) {
    UserWords read;
    EXPECT_EQ(read.load(file()), LoadResult::Missing);
    const std::string good = sample().serialise();
    for (std::size_t n = 0; n < good.size(); ++n) {
        EXPECT_EQ(read.parse(good.substr(0, n)), n == 0 ? LoadResult::Missing : LoadResult::Ignored)
            << n;
        EXPECT_TRUE(read.words().empty());
        std::string changed = good;
        changed[n] = static_cast<char>(changed[n] ^ 0x20);
        EXPECT_EQ(read.parse(changed), LoadResult::Ignored) << n;
    }
    EXPECT_EQ(read.parse(good + good), LoadResult::Ignored);
    std::ofstream(file(), std::ios::binary) << "\x00\x01garbage";
    EXPECT_EQ(read.load(file()), LoadResult::Ignored);
    // A temporary left by a write cut short does not matter.
    ASSERT_TRUE(sample().save(file()));
    std::ofstream(file().string() + ".new", std::ios::binary) << good.substr(0, 20);
    EXPECT_EQ(read.load(file()), LoadResult::Loaded);
}

TEST_F(UserWordsFile, SavingMakesAMissingFolder) {
    const auto nested = dir_ / "nueva" / "carpeta" / "words.txt";
    ASSERT_TRUE(sample().save(nested));
    UserWords read;
    EXPECT_EQ(read.load(nested), LoadResult::Loaded);
}

TEST_F(UserWordsFile, ForgettingClearsAndRemovesTheFile) {
    UserWords u = sample();
    ASSERT_TRUE(u.save(file()));
    EXPECT_TRUE(u.forget(file()));
    EXPECT_TRUE(u.words().empty());
    EXPECT_EQ(u.pairTotal(), 0u);
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_EQ(u.load(file()), LoadResult::Missing);
}

TEST(UserWords, StaysUnderItsCapsDroppingTheLeastUsed) {
    UserWords u;
    for (int i = 0; i < 50; ++i) u.learn("frecuente", false);
    for (int i = 0; i < 50; ++i) u.learnPair("muy", "frecuente");
    for (std::size_t i = 0; i < kMaxUserPairs + 100; ++i) {
        // Distinct letter-only words: aa, ab, ... in base 26.
        std::string w;
        for (std::size_t n = i + 1; n > 0; n /= 26) w.push_back(static_cast<char>('a' + n % 26));
        if (i < kMaxUserWords + 100) u.learn(w, false);
        u.learnPair("de", w);
        EXPECT_LE(u.words().size(), kMaxUserWords);
        EXPECT_LE(u.pairTotal(), kMaxUserPairs);
    }
    // Trimming drops only as many as it must, not every word used once.
    EXPECT_GE(u.words().size(), kMaxUserWords * 9 / 10);
    EXPECT_GE(u.pairTotal(), kMaxUserPairs * 9 / 10);
    ASSERT_NE(u.word("frecuente"), nullptr);
    EXPECT_EQ(u.pairCount("muy", "frecuente"), 50u);
    std::uint64_t total = 0;
    for (const auto& [lower, w] : u.words()) total += w.count;
    EXPECT_EQ(total, u.totalCount());
    // What a full file holds reads back whole.
    UserWords read;
    EXPECT_EQ(read.parse(u.serialise()), LoadResult::Loaded);
    EXPECT_EQ(read.words().size(), u.words().size());
    EXPECT_LT(u.serialise().size(), kMaxUserFileBytes);
}

}  // namespace
}  // namespace quil::predict
