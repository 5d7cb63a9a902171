// The clicks' sounds: their shape (short, quiet enough, silent at the end,
// the press lower than the release) and a player that never makes the
// tracker wait, on a stand-in output and on ALSA without a sound device.
#include "linux/desktop/click_sounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace quil::lnx {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDeadline = std::chrono::seconds(10);

// Sign changes per second: twice the note's pitch.
double crossingsPerSecond(const std::vector<int16_t>& s) {
    int crossings = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
    }
    return crossings * double(kSoundRate) / double(s.size());
}

TEST(ClickSounds, AreShortQuietNotesThatEndInSilenceThePressLowerThanTheRelease) {
    for (const ClickSound sound : {ClickSound::Click, ClickSound::Press, ClickSound::Release}) {
        const auto s = synthesiseClickSound(sound);
        SCOPED_TRACE(static_cast<int>(sound));
        ASSERT_FALSE(s.empty());
        EXPECT_LE(s.size(), size_t{kSoundRate / 10}) << "longer than a tenth of a second";
        const auto [low, high] = std::minmax_element(s.begin(), s.end());
        EXPECT_GT(*high, 3000) << "too quiet to hear";
        EXPECT_LT(*high, 16000) << "loud enough to startle";
        EXPECT_GT(*low, -16000);
        EXPECT_EQ(s.front(), 0) << "starts with a pop";
        EXPECT_EQ(s.back(), 0) << "ends with a pop";
    }
    const double press = crossingsPerSecond(synthesiseClickSound(ClickSound::Press));
    const double release = crossingsPerSecond(synthesiseClickSound(ClickSound::Release));
    EXPECT_LT(press * 1.3, release);
}

// Plays nothing until let go, recording what it was given.
struct HeldOutput final : SoundOutput {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int entered = 0;
    std::vector<size_t> played;

    bool play(std::span<const int16_t> samples) override {
        std::unique_lock lock(mutex);
        ++entered;
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
        played.push_back(samples.size());
        changed.notify_all();
        return true;
    }
    void letGo() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    bool waitEntered() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kDeadline, [&] { return entered > 0; });
    }
    bool waitPlayed(size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kDeadline, [&] { return played.size() >= count; });
    }
};

TEST(ClickSoundPlayer, NeverWaitsForTheSoundAndPlaysTheLatestOfThoseWaiting) {
    auto output = std::make_unique<HeldOutput>();
    HeldOutput& held = *output;
    ClickSoundPlayer player(std::move(output));
    const auto start = Clock::now();
    player.play(ClickSound::Click);
    ASSERT_TRUE(held.waitEntered()) << "the click stuck in the device";
    for (int i = 0; i < 50; ++i) {
        player.play(ClickSound::Press);
        player.play(ClickSound::Release);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "the caller waited";
    held.letGo();
    ASSERT_TRUE(held.waitPlayed(2));
    const size_t releaseLength = synthesiseClickSound(ClickSound::Release).size();
    EXPECT_EQ(held.played.back(), releaseLength) << "the latest waiting is the one played";
    EXPECT_EQ(held.played.size(), 2u) << "the waiting ones were queued";
}

TEST(ClickSoundPlayer, WithoutASoundDeviceIsSilentAndEndsPromptly) {
    // No card and no sound server: ALSA's default device cannot open.
    setenv("ALSA_CONFIG_PATH", "/nonexistent/alsa.conf", 1);
    const auto start = Clock::now();
    {
        ClickSoundPlayer player(std::make_unique<AlsaOutput>());
        for (const ClickSound s : {ClickSound::Click, ClickSound::Press, ClickSound::Release}) {
            player.play(s);
        }
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    AlsaOutput direct;
    const auto tick = synthesiseClickSound(ClickSound::Click);
    EXPECT_FALSE(direct.play(tick));
    unsetenv("ALSA_CONFIG_PATH");
}

// ALSA's null device takes the samples as a card would, at the card's pace:
// the whole path short of a loudspeaker.
TEST(ClickSoundPlayer, ALSAsNullDevicePlaysEachSoundWhole) {
    const std::string config = testing::TempDir() + "quil-null-alsa.conf";
    std::ofstream(config) << "pcm.!default { type null }\n";
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    AlsaOutput output;
    for (const ClickSound s : {ClickSound::Click, ClickSound::Press, ClickSound::Release}) {
        EXPECT_TRUE(output.play(synthesiseClickSound(s))) << static_cast<int>(s);
    }
    unsetenv("ALSA_CONFIG_PATH");
    std::remove(config.c_str());
}

TEST(ClickSoundPlayer, WithNoOutputAtAllDoesNothing) {
    ClickSoundPlayer player(nullptr);
    player.play(ClickSound::Click);
}

}  // namespace
}  // namespace quil::lnx
