// Scoring a replay: the scorer's ticks from what the replay recorded and the
// truth (the scene's own, or a clip's labels), and the second pass that
// scores dwell apart from the other gestures.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sim/clip_labels.h"
#include "sim/replay.h"
#include "sim/score.h"

namespace quil::sim {

// The default options with dwell clicking and nothing else. Dwell is scored
// on a pass of its own: its rest after each action would otherwise hide eye
// and mouth gestures, and theirs would hide dwells.
inline constexpr const char* kDwellOnlyOptionsText = "1 0 0 0 1 0 0 1 0 0 0 1 0 0 0\n";

// Per tick: the scene's truth, or the labels' for a clip (labels may be
// null for a scene); the gesture each action came from, by the options.
std::vector<ScoreTick> scoreTicksOf(const ReplayResult& result, const ClipLabels* labels);
ScoreSetup scoreSetupOf(const ReplayResult& result);
Score scoreReplay(const ReplayResult& result, const ClipLabels* labels);

// Takes dwell's numbers from a pass that examined dwell alone.
void takeDwellFrom(Score& score, const Score& dwellPass);

// Scores the replay just played with these options, playing the dwell pass
// when they are the defaults, and prints the score (and writes it as JSON
// when jsonPath is given). False when the JSON could not be written.
bool scoreAndReport(const ReplayOptions& o, const ReplayResult& played, const ClipLabels* labels,
                    const std::string& label, const std::string& jsonPath, std::ostream& out,
                    std::ostream& err);

}  // namespace quil::sim
