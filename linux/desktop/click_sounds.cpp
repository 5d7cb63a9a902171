#include "linux/desktop/click_sounds.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>
#include <thread>
#include <utility>

namespace quil::lnx {

namespace {

// Each sound is a sine note under a short rise and an exponential fall,
// ending at silence so that it does not pop. The click is a brief high
// tick; a press sits lower than a release, as a button goes down then up.
struct Note {
    double hertz;
    int milliseconds;
};
constexpr Note kClickNote{1500.0, 25};
constexpr Note kPressNote{660.0, 45};
constexpr Note kReleaseNote{990.0, 45};
// Well under full scale: a click should not startle.
constexpr double kLoudness = 0.35 * 32767.0;
constexpr double kRiseMs = 2.0;
// The fall's time constant as a share of the note's length.
constexpr double kFallShare = 0.3;
constexpr double kFadeMs = 3.0;
// How long ALSA may keep the sound before playing it.
constexpr unsigned kLatencyMicroseconds = 50000;
// At the end, how long the player waits for a sound still playing.
constexpr auto kStopPatience = std::chrono::milliseconds(500);

Note noteOf(ClickSound sound) {
    switch (sound) {
        case ClickSound::Press:
            return kPressNote;
        case ClickSound::Release:
            return kReleaseNote;
        case ClickSound::Click:
            break;
    }
    return kClickNote;
}

// ALSA tells stderr about every missing card; a machine without one is
// normal here.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::vector<int16_t> synthesiseClickSound(ClickSound sound) {
    const Note note = noteOf(sound);
    const int count = kSoundRate * note.milliseconds / 1000;
    const double perMs = kSoundRate / 1000.0;
    const double fall = kFallShare * count;
    std::vector<int16_t> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double rise = std::min(1.0, i / (kRiseMs * perMs));
        const double fade = std::min(1.0, (count - 1 - i) / (kFadeMs * perMs));
        const double envelope = rise * fade * std::exp(-i / fall);
        const double wave = std::sin(2.0 * std::numbers::pi * note.hertz * i / kSoundRate);
        samples[static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lround(kLoudness * envelope * wave));
    }
    return samples;
}

AlsaOutput::AlsaOutput() {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(quietAlsa); });
}

bool AlsaOutput::play(std::span<const int16_t> samples) {
    snd_pcm_t* pcm = nullptr;
    // Opened without waiting: a busy device is no device this time.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
    bool ok = snd_pcm_nonblock(pcm, 0) == 0 &&
              snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                 kSoundRate, 1, kLatencyMicroseconds) == 0;
    size_t done = 0;
    while (ok && done < samples.size()) {
        snd_pcm_sframes_t wrote = snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
        if (wrote < 0) wrote = snd_pcm_recover(pcm, static_cast<int>(wrote), 1);
        if (wrote < 0)
            ok = false;
        else
            done += static_cast<size_t>(wrote);
    }
    if (ok) snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    return ok;
}

// What the tracker's thread and the sound thread share. A sound thread stuck
// in a broken driver at the end is left behind with it, rather than holding
// the program's exit.
struct ClickSoundPlayer::Shared {
    std::unique_ptr<SoundOutput> output;
    std::array<std::vector<int16_t>, 3> sounds;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable ended;
    int pending = -1;
    bool stop = false;
    bool finished = false;
    std::thread thread;

    void run() {
        for (;;) {
            int sound = -1;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stop || pending >= 0; });
                if (stop) break;
                sound = std::exchange(pending, -1);
            }
            output->play(sounds[static_cast<size_t>(sound)]);
        }
        std::lock_guard lock(mutex);
        finished = true;
        ended.notify_all();
    }
};

ClickSoundPlayer::ClickSoundPlayer(std::unique_ptr<SoundOutput> output)
    : shared_(std::make_shared<Shared>()) {
    shared_->output = std::move(output);
    for (const ClickSound s : {ClickSound::Click, ClickSound::Press, ClickSound::Release}) {
        shared_->sounds[static_cast<size_t>(s)] = synthesiseClickSound(s);
    }
}

ClickSoundPlayer::~ClickSoundPlayer() {
    if (!shared_->thread.joinable()) return;
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->wake.notify_all();
    const bool finished =
        shared_->ended.wait_for(lock, kStopPatience, [&] { return shared_->finished; });
    lock.unlock();
    if (finished)
        shared_->thread.join();
    else
        shared_->thread.detach();
}

void ClickSoundPlayer::play(ClickSound sound) {
    if (!shared_->output) return;
    // The thread starts with the first sound: a user who never hears one
    // never has it.
    if (!shared_->thread.joinable()) {
        shared_->thread = std::thread([shared = shared_] { shared->run(); });
    }
    std::lock_guard lock(shared_->mutex);
    shared_->pending = static_cast<int>(sound);
    shared_->wake.notify_one();
}

}  // namespace quil::lnx
