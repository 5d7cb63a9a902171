// Pieces of the replay shared between its loop and its reports.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "sim/replay.h"
#include "sim/sim_desktop.h"
#include "tracker/tracker_state.h"

namespace quil::sim {

Summary summarise(const ReplayResult& result);

// Prints the readable timeline as the ticks come.
class TimelinePrinter {
public:
    TimelinePrinter(std::ostream* out, const ReplayResult& result) : out_(out), result_(result) {}
    void tick(const TickRecord& r, const TrackerState& s);

private:
    void line(const TickRecord& r, const std::string& text);
    std::ostream* out_;
    const ReplayResult& result_;
    bool overKeyboard_ = false;
    bool keyboardKnown_ = false;
    int lastState_ = -1;
};

// Draws the pointer's place on the screen as a small inset in the frame.
void drawInset(std::vector<uint8_t>& bgr, const TickRecord& r, const SimDesktop& desktop,
               const TrackerState& s, int screenWidth, int screenHeight);

}  // namespace quil::sim
