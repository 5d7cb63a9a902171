#include "shell/click_sounds.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <cmath>
#include <numbers>
#include <system_error>
#include <thread>

#include "win32_common/handles.h"

namespace quil::win {

namespace {

constexpr uint32_t kSampleRate = 22050;
constexpr uint16_t kBitsPerSample = 16;
// Loud enough to hear over a fan, well short of full scale.
constexpr double kAmplitude = 0.45 * 32767;
// A short rise so the tone starts without a crack.
constexpr double kAttackMs = 1.5;

struct Tone {
    double hertz;
    double lengthMs;
    double decayMs;  // the envelope's time constant after the attack
};

// A click is a quick high tick; a press sounds lower and a release higher,
// so that a drag's two ends are told apart by ear.
Tone toneOf(ClickSound sound) {
    switch (sound) {
        case ClickSound::Press:
            return {660, 60, 18};
        case ClickSound::Release:
            return {1320, 60, 18};
        case ClickSound::Click:
        default:
            return {1760, 35, 8};
    }
}

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

void putTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

// A sine under a fast attack and an exponential decay: the canonical
// header (RIFF, a 16-byte "fmt " chunk, "data") and the samples after it.
std::vector<uint8_t> clickSoundWav(ClickSound sound) {
    const Tone tone = toneOf(sound);
    const auto samples = static_cast<uint32_t>(tone.lengthMs * kSampleRate / 1000);
    const uint32_t dataBytes = samples * (kBitsPerSample / 8);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kSampleRate);
    put32(out, kSampleRate * (kBitsPerSample / 8));
    put16(out, kBitsPerSample / 8);
    put16(out, kBitsPerSample);
    putTag(out, "data");
    put32(out, dataBytes);
    for (uint32_t i = 0; i < samples; ++i) {
        const double ms = i * 1000.0 / kSampleRate;
        const double envelope =
            ms < kAttackMs ? ms / kAttackMs : std::exp(-(ms - kAttackMs) / tone.decayMs);
        const double value =
            kAmplitude * envelope * std::sin(2 * std::numbers::pi * tone.hertz * i / kSampleRate);
        put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(value))));
    }
    return out;
}

void playWithSystem(std::span<const uint8_t> wav) {
    // Synchronous on the sounds' own thread: a sound plays to its end, and
    // the buffer outlives the call. No default beep when it fails.
    PlaySoundA(reinterpret_cast<LPCSTR>(wav.data()), nullptr,
               SND_MEMORY | SND_SYNC | SND_NODEFAULT);
}

struct ClickSoundPlayer::Shared {
    explicit Shared(WavPlayer p) : player(std::move(p)) {}
    WavPlayer player;
    std::array<std::vector<uint8_t>, 3> wavs{clickSoundWav(ClickSound::Click),
                                             clickSoundWav(ClickSound::Press),
                                             clickSoundWav(ClickSound::Release)};
    std::atomic<int32_t> waiting{-1};  // the sound waiting to be played, or -1
    std::atomic<bool> stopping{false};
    UniqueHandle wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    UniqueHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

namespace {

// How long the end of the program waits for a sound still playing.
constexpr DWORD kStopPatienceMs = 1000;

void playSounds(const std::shared_ptr<ClickSoundPlayer::Shared>& shared) {
    while (WaitForSingleObject(shared->wake.get(), INFINITE) == WAIT_OBJECT_0 &&
           !shared->stopping.load()) {
        const int32_t index = shared->waiting.exchange(-1);
        if (index >= 0) shared->player(shared->wavs[static_cast<size_t>(index)]);
    }
    SetEvent(shared->done.get());
}

}  // namespace

ClickSoundPlayer::ClickSoundPlayer(WavPlayer player)
    : shared_(std::make_shared<Shared>(std::move(player))) {}

ClickSoundPlayer::~ClickSoundPlayer() {
    if (!started_) return;
    shared_->stopping = true;
    SetEvent(shared_->wake.get());
    WaitForSingleObject(shared_->done.get(), kStopPatienceMs);
}

void ClickSoundPlayer::play(ClickSound sound) {
    const int32_t index = static_cast<int32_t>(sound);
    if (index < 0 || index >= static_cast<int32_t>(shared_->wavs.size())) return;
    if (!shared_->wake) return;
    if (!started_) {
        // Without a thread there is no sound, and nothing else is lost.
        try {
            std::thread([shared = shared_] { playSounds(shared); }).detach();
        } catch (const std::system_error&) {
            return;
        }
        started_ = true;
    }
    shared_->waiting = index;
    SetEvent(shared_->wake.get());
}

}  // namespace quil::win
