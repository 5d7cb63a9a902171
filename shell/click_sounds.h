// The clicks' short sounds: made here as tones in memory (no sound files),
// and played by a thread of their own, so that a slow or missing sound
// device never holds up the tracker.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "tracker/desktop.h"

namespace quil::win {

// A complete WAV file (16-bit mono PCM) of the sound: a tick for a click, a
// lower tone for a press, a higher one for a release.
[[nodiscard]] std::vector<uint8_t> clickSoundWav(ClickSound sound);

// Plays one WAV file from memory, returning when it has played (or failed).
using WavPlayer = std::function<void(std::span<const uint8_t> wav)>;
// The system's player (winmm's PlaySound); quiet when there is no device.
void playWithSystem(std::span<const uint8_t> wav);

class ClickSoundPlayer {
public:
    explicit ClickSoundPlayer(WavPlayer player = playWithSystem);
    ClickSoundPlayer(const ClickSoundPlayer&) = delete;
    ClickSoundPlayer& operator=(const ClickSoundPlayer&) = delete;
    ~ClickSoundPlayer();

    // Returns at once: the sound is handed to the playing thread (started at
    // the first sound). A sound asked for while another still waits
    // replaces it: a late click sound would only mislead.
    void play(ClickSound sound);

    // What the playing thread uses, shared with it: should the system's
    // player hang at the end, the thread keeps it alive alone.
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    bool started_ = false;
};

}  // namespace quil::win
