// The clicks' short sounds: made in code (a tick for a click, a lower note
// for a press, a higher one for a release) and played on a thread of their
// own, so that the tracker never waits for the sound card. Without a sound
// device nothing is heard and nothing else changes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "tracker/desktop.h"

namespace quil::lnx {

inline constexpr int kSoundRate = 48000;

// One sound's samples: mono, signed 16 bits, at kSoundRate.
[[nodiscard]] std::vector<int16_t> synthesiseClickSound(ClickSound sound);

// Where the samples go; play() may take as long as the sound lasts.
class SoundOutput {
public:
    SoundOutput() = default;
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;
    virtual ~SoundOutput() = default;
    // False when there is no device to play on (or it failed midway).
    virtual bool play(std::span<const int16_t> samples) = 0;
};

// ALSA's default device, opened for each sound and let go after it, so that
// a headset plugged in later is found and other programs keep the card.
class AlsaOutput final : public SoundOutput {
public:
    AlsaOutput();
    bool play(std::span<const int16_t> samples) override;
};

class ClickSoundPlayer {
public:
    explicit ClickSoundPlayer(std::unique_ptr<SoundOutput> output);
    ClickSoundPlayer(const ClickSoundPlayer&) = delete;
    ClickSoundPlayer& operator=(const ClickSoundPlayer&) = delete;
    ~ClickSoundPlayer();

    // Returns at once: the sound plays on the player's thread. A sound asked
    // for while another plays waits for it; of several waiting, the latest.
    void play(ClickSound sound);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace quil::lnx
