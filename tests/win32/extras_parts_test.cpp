// The parts of the hands-free extras that need no screen: the dwell ring's
// picture, the click sounds' WAV files and their player's thread, and the
// rule that decides whether a window refuses our clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <span>
#include <vector>

#include "shell/click_sounds.h"
#include "shell/refused_window.h"
#include "shell/ring_picture.h"
#include "win32_common/handles.h"

namespace quil::win {
namespace {

// ---------------------------------------------------------------------------
// The ring's picture

constexpr int32_t kSide = kRingSide;

uint32_t alphaOf(uint32_t pixel) { return pixel >> 24; }
uint32_t blueOf(uint32_t pixel) { return pixel & 0xFF; }

struct Ring {
    explicit Ring(int32_t thousandths) : pixels(kSide * kSide, 0xDEADBEEF) {
        drawRing(pixels, kSide, thousandths);
    }
    // The pixel on the band's middle circle at the clock hour `hour`.
    uint32_t onBand(double hour) const {
        const double angle = hour / 12 * 2 * 3.14159265358979;
        const double radius = 0.38 * kSide;
        const int x = static_cast<int>(kSide / 2.0 + radius * std::sin(angle));
        const int y = static_cast<int>(kSide / 2.0 - radius * std::cos(angle));
        return pixels[static_cast<size_t>(y * kSide + x)];
    }
    std::vector<uint32_t> pixels;
};

bool filled(uint32_t pixel) { return alphaOf(pixel) == 255 && blueOf(pixel) > 200; }

TEST(RingPicture, FillsClockwiseFromTwelveAndLeavesTheCentreAndCornersClear) {
    const Ring quarter(250);
    EXPECT_TRUE(filled(quarter.onBand(1.5)));
    EXPECT_FALSE(filled(quarter.onBand(4.5))) << "past a quarter";
    EXPECT_FALSE(filled(quarter.onBand(10.5))) << "anticlockwise of twelve";
    EXPECT_GT(alphaOf(quarter.onBand(6)), 0u) << "the track still to fill shows";
    for (const uint32_t p : {quarter.pixels[kSide / 2 * kSide + kSide / 2], quarter.pixels[0],
                             quarter.pixels.back()}) {
        EXPECT_EQ(p, 0u) << "a clear pixel is transparent black";
    }
    const Ring full(1000);
    for (double hour = 0.25; hour < 12; hour += 1) EXPECT_TRUE(filled(full.onBand(hour))) << hour;
    const Ring empty(0);
    for (double hour = 0.25; hour < 12; hour += 1) EXPECT_FALSE(filled(empty.onBand(hour)));
    // Out-of-range fills are clamped rather than misdrawn.
    EXPECT_EQ(Ring(5000).pixels, full.pixels);
    EXPECT_EQ(Ring(-3).pixels, empty.pixels);
}

TEST(RingPicture, EveryPixelIsPremultipliedAndAShortBufferIsLeftAlone) {
    const Ring half(500);
    for (const uint32_t p : half.pixels) {
        const uint32_t a = alphaOf(p);
        EXPECT_LE((p >> 16) & 0xFF, a);
        EXPECT_LE((p >> 8) & 0xFF, a);
        EXPECT_LE(p & 0xFF, a);
    }
    std::vector<uint32_t> shorter(kSide * kSide - 1, 7);
    drawRing(shorter, kSide, 500);
    EXPECT_EQ(shorter, std::vector<uint32_t>(kSide * kSide - 1, 7));
    drawRing(shorter, 0, 500);
    drawRing({}, kSide, 500);
}

// ---------------------------------------------------------------------------
// The click sounds

uint32_t read32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
uint16_t read16(const std::vector<uint8_t>& b, size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}
int16_t sample(const std::vector<uint8_t>& b, size_t i) {
    return static_cast<int16_t>(read16(b, 44 + 2 * i));
}
size_t sampleCount(const std::vector<uint8_t>& b) { return (b.size() - 44) / 2; }

// Upward zero crossings a second: the tone's pitch.
double pitchOf(const std::vector<uint8_t>& wav) {
    int crossings = 0;
    for (size_t i = 1; i < sampleCount(wav); ++i) {
        if (sample(wav, i - 1) < 0 && sample(wav, i) >= 0) ++crossings;
    }
    return crossings * 22050.0 / static_cast<double>(sampleCount(wav));
}

TEST(ClickSounds, EachIsAShortCompleteMonoPcmWavThatFadesOut) {
    for (const ClickSound sound : {ClickSound::Click, ClickSound::Press, ClickSound::Release}) {
        SCOPED_TRACE(static_cast<int>(sound));
        const std::vector<uint8_t> wav = clickSoundWav(sound);
        ASSERT_GT(wav.size(), 44u);
        EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
        EXPECT_EQ(read32(wav, 4), wav.size() - 8);
        EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
        EXPECT_EQ(read32(wav, 16), 16u);
        EXPECT_EQ(read16(wav, 20), 1) << "PCM";
        EXPECT_EQ(read16(wav, 22), 1) << "mono";
        EXPECT_EQ(read32(wav, 24), 22050u);
        EXPECT_EQ(read32(wav, 28), 22050u * 2);
        EXPECT_EQ(read16(wav, 32), 2);
        EXPECT_EQ(read16(wav, 34), 16);
        EXPECT_EQ(std::memcmp(wav.data() + 36, "data", 4), 0);
        EXPECT_EQ(read32(wav, 40), wav.size() - 44);
        // Short enough not to trail behind the next click.
        EXPECT_LT(sampleCount(wav), 22050u / 10);
        int peak = 0;
        for (size_t i = 0; i < sampleCount(wav); ++i)
            peak = std::max(peak, std::abs(sample(wav, i)));
        EXPECT_GT(peak, 8000) << "audible";
        EXPECT_LT(peak, 32000) << "not clipped";
        EXPECT_LT(std::abs(sample(wav, 0)), 1000) << "starts without a crack";
        EXPECT_LT(std::abs(sample(wav, sampleCount(wav) - 1)), peak / 10) << "has faded";
    }
    // A drag's two ends are told apart: the press low, the release high.
    EXPECT_LT(pitchOf(clickSoundWav(ClickSound::Press)),
              pitchOf(clickSoundWav(ClickSound::Release)));
}

// A player the test holds up, to show the tracker is not held up with it.
struct HeldPlayer {
    UniqueHandle release{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle started{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::mutex mutex;
    std::vector<size_t> played;  // the sizes of the WAV files played
    WavPlayer player() {
        return [this](std::span<const uint8_t> wav) {
            SetEvent(started.get());
            WaitForSingleObject(release.get(), INFINITE);
            std::lock_guard lock(mutex);
            played.push_back(wav.size());
        };
    }
    size_t count() {
        std::lock_guard lock(mutex);
        return played.size();
    }
};

constexpr DWORD kThreadPatienceMs = 5000;

TEST(ClickSoundPlayer, ReturnsAtOnceWhileASoundPlaysAndTheNewestWaitingSoundWins) {
    HeldPlayer held;
    {
        ClickSoundPlayer sounds(held.player());
        sounds.play(ClickSound::Click);
        ASSERT_EQ(WaitForSingleObject(held.started.get(), kThreadPatienceMs), WAIT_OBJECT_0);
        // The player is stuck on the first sound; these calls return anyway
        // (were they to wait, this test would never end).
        sounds.play(ClickSound::Press);
        sounds.play(ClickSound::Release);
        SetEvent(held.release.get());
        for (DWORD waited = 0; waited < kThreadPatienceMs && held.count() < 2; waited += 10) {
            Sleep(10);
        }
    }
    ASSERT_EQ(held.played.size(), 2u);
    EXPECT_EQ(held.played[0], clickSoundWav(ClickSound::Click).size());
    EXPECT_EQ(held.played[1], clickSoundWav(ClickSound::Release).size());
}

TEST(ClickSoundPlayer, EndsPromptlyEvenWithAPlayerThatNeverReturns) {
    HeldPlayer held;  // never released
    const auto start = std::chrono::steady_clock::now();
    {
        ClickSoundPlayer sounds(held.player());
        sounds.play(ClickSound::Press);
        ASSERT_EQ(WaitForSingleObject(held.started.get(), kThreadPatienceMs), WAIT_OBJECT_0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    SetEvent(held.release.get());  // lets the thread end before `held` goes
    for (DWORD waited = 0; waited < kThreadPatienceMs && held.count() < 1; waited += 10) Sleep(10);
}

TEST(ClickSoundPlayer, TheSystemsPlayerCopesWithoutASoundDevice) {
    // Under Wine in a virtual display there is usually no device: the call
    // must simply come back, whatever it managed.
    for (const ClickSound sound : {ClickSound::Click, ClickSound::Press, ClickSound::Release}) {
        playWithSystem(clickSoundWav(sound));
    }
    ClickSoundPlayer sounds;
    sounds.play(ClickSound::Click);
}

// ---------------------------------------------------------------------------
// Windows that refuse our input

TEST(RefusedWindow, OnlyAnotherProgramWithHigherRightsThanOursRefuses) {
    using E = Elevation;
    using O = WindowOwner;
    struct Case {
        O owner;
        E theirs;
        bool weAreElevated;
        bool refused;
    };
    const Case cases[] = {
        {O::Other, E::Elevated, false, true},     {O::Other, E::Denied, false, true},
        {O::Other, E::NotElevated, false, false}, {O::Other, E::Unknown, false, false},
        {O::Other, E::Elevated, true, false},     {O::Other, E::Denied, true, false},
        {O::Us, E::Elevated, false, false},       {O::Nobody, E::Elevated, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(refusesInput({c.owner, c.theirs, c.weAreElevated}), c.refused)
            << static_cast<int>(c.owner) << " " << static_cast<int>(c.theirs) << " "
            << c.weAreElevated;
    }
}

TEST(RefusedWindow, OurOwnProcessReadsItsElevationAndAGoneOneIsUnknown) {
    const Elevation ours = processElevation(GetCurrentProcessId());
    EXPECT_TRUE(ours == Elevation::Elevated || ours == Elevation::NotElevated);
    // Process ids are multiples of four: this one names no process.
    EXPECT_EQ(processElevation(0xFFFFFFF1u), Elevation::Unknown);
}

}  // namespace
}  // namespace quil::win
