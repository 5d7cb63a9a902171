#include "pointing_test/pointing_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <system_error>

namespace quil::pointing {

std::vector<Condition> standardConditions(int screenWidth, int screenHeight) {
    const double side = std::min(screenWidth, screenHeight);
    std::vector<Condition> out;
    for (double d : kDistanceShares) {
        for (double w : kWidthShares) out.push_back({std::round(d * side), std::round(w * side)});
    }
    return out;
}

// Stepping by half the circle (rounded up) visits every target once when
// the count is odd, each time crossing to the far side.
int targetInRound(int selection) {
    constexpr int kStep = (kTargetCount + 1) / 2;
    return (selection % kSelectionsPerRound) * kStep % kTargetCount;
}

PointingSession::PointingSession(int screenWidth, int screenHeight,
                                 std::vector<Condition> conditions, int rounds)
    : width_(screenWidth),
      height_(screenHeight),
      conditions_(std::move(conditions)),
      rounds_(std::max(1, rounds)) {
    if (conditions_.empty()) conditions_.push_back({height_ / 2.0, height_ / 10.0});
}

PointingSession::PointingSession(int screenWidth, int screenHeight)
    : PointingSession(screenWidth, screenHeight, standardConditions(screenWidth, screenHeight)) {}

const Condition& PointingSession::condition() const {
    const int index = std::min(round_, totalRounds() - 1) / rounds_;
    return conditions_[static_cast<size_t>(index)];
}

// Target 0 at the top, the rest clockwise around the screen's centre.
Point PointingSession::targetCentre(int index) const {
    const double radius = condition().distance / 2.0;
    const double angle = 2.0 * std::numbers::pi * (index % kTargetCount) / kTargetCount;
    return {width_ / 2.0 + radius * std::sin(angle), height_ / 2.0 - radius * std::cos(angle)};
}

void PointingSession::select(Point p, double seconds) {
    if (finished()) return;
    if (selection_ > 0) {
        Trial t;
        t.from = lastSelected_;
        t.target = targetCentre(litTarget());
        t.width = condition().width;
        t.selected = p;
        t.seconds = seconds - lastSeconds_;
        t.condition = std::min(round_, totalRounds() - 1) / rounds_;
        trials_.push_back(t);
    }
    lastSelected_ = p;
    lastSeconds_ = seconds;
    if (++selection_ == kSelectionsPerRound) {
        selection_ = 0;
        ++round_;
    }
}

std::string csvHeader() { return "date,engine,throughput_bps,movement_ms,error_percent,trials"; }

std::string csvLine(const TestResult& r, const std::string& when, const std::string& engine) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%.3f,%.0f,%.1f,%d", r.throughput,
                  r.meanSeconds * 1000.0, r.errorRate() * 100.0, r.trials);
    return when + "," + engine + "," + numbers;
}

bool appendResult(const std::filesystem::path& file, const std::string& line) {
    std::error_code ec;
    const bool isNew =
        !std::filesystem::exists(file, ec) || std::filesystem::file_size(file, ec) == 0;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::app | std::ios::binary);
    if (!out) return false;
    if (isNew) out << csvHeader() << '\n';
    out << line << '\n';
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace quil::pointing
