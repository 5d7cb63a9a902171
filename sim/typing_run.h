// A simulated person types a sentence on the on-screen keyboard through the
// whole tracker: sits down and calibrates, tries the pointer out, then points
// at each key in turn (or at the suggested word when the row offers the one
// they want) and presses it with the gesture their options click with. What
// the keyboard's own rules typed is compared with the sentence.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "sim/model_user.h"
#include "sim/scene.h"

namespace quil::sim {

inline constexpr const char* kDefaultSentence = "el perro come en la casa de mi madre";

struct TypingOptions {
    uint64_t seed = 1;
    std::string sentence = kDefaultSentence;  // UTF-8; what one key each types
    bool precise = false;
    bool suggestions = false;
    std::string modelFile;       // the precise engine's; empty: the build's
    std::string optionsContent;  // the options' text; empty: the defaults
    std::string wordList;        // empty: the build's
    int screenWidth = 1024;
    int screenHeight = 768;
    double noiseSigma = kDefaultNoise;
    MotorParams motor;
    std::ostream* trace = nullptr;  // a line per press
};

struct TypingOutcome {
    int exitCode = 0;  // 0 ran (finished or not), 2 bad sentence, options or model
    std::string error;
    bool calibrated = false;
    bool finished = false;
    std::string stopReason;  // why an unfinished run stopped
    SelectBy selectBy = SelectBy::Mouth;
    std::string typed;               // UTF-8, what the keyboard typed
    int targetLength = 0;            // characters of the sentence
    int keyPresses = 0;              // the tracker's presses the keyboard heard
    int suggestionsTaken = 0;        // presses aimed at a suggested word
    int errors = 0;                  // characters wrong, missing or extra
    double typingSeconds = 0;        // from the first key to the last
    double seconds = 0;              // simulated, the whole run
    double charactersPerMinute = 0;  // correct characters of the sentence
    int losses = 0;
};

[[nodiscard]] TypingOutcome runTyping(const TypingOptions& o);

// Characters inserted, deleted or changed to turn one text into the other.
[[nodiscard]] int editDistance(const std::u32string& a, const std::u32string& b);

}  // namespace quil::sim
