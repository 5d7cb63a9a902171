// The score as text for people and as JSON for scripts.
#include <cmath>
#include <cstdio>
#include <string>

#include "sim/score.h"

namespace quil::sim {

namespace {

// A number, or "-" when there is none.
std::string num(double v, int decimals) {
    if (!std::isfinite(v)) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string json(double v, int decimals = 4) {
    return std::isfinite(v) ? num(v, decimals) : "null";
}

std::string json(const std::optional<double>& v) { return v ? json(*v, 3) : "null"; }

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

std::string plural(int64_t n, const std::string& one, const std::string& many = "") {
    return std::to_string(n) + " " + (n == 1 ? one : many.empty() ? one + "s" : many);
}

std::string rateText(const ContextRate& r) {
    return num(r.perMinute(), 1) + " (" + std::to_string(r.actions) + ")";
}

std::string padRight(std::string s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

std::string padLeft(const std::string& s, size_t width) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

}  // namespace

void writeScoreText(const Score& s, std::ostream& out) {
    const TrackingScore& t = s.tracking;
    const CalibrationScore& c = s.calibration;
    out << "\nScore (" << num(s.seconds, 1) << " s)\n";
    out << "  tracking        rms " << num(t.rms, 2) << " px (x " << num(t.rmsX, 2) << ", y "
        << num(t.rmsY, 2) << ") over " << t.samples << " frames with a reference\n"
        << "                  correlation with the reference: x " << num(t.corrX, 3) << ", y "
        << num(t.corrY, 3) << "\n"
        << "                  followed " << num(100.0 * t.trackedShare, 1) << "% of the "
        << t.visibleTicks << " frames with the face in view\n";
    out << "  calibration     ";
    if (c.seconds) {
        out << num(*c.seconds, 2) << " s after the tracker first saw the face";
        if (c.fromEyesWindow)
            out << " (" << num(*c.fromEyesWindow, 2) << " s after the eyes window)";
    } else {
        out << "never";
    }
    out << "\n                  " << plural(c.calibrations, "calibration") << ", "
        << plural(c.losses, "loss", "losses") << "\n";
    out << "  gesture  recall         wrong  repeats   actions/min (count) while:  talking    "
           "blinking      moving\n";
    for (int g = 0; g < kGestureCount; ++g) {
        const GestureScore& k = s.gestures[static_cast<size_t>(g)];
        out << "  " << padRight(gestureName(g), 9);
        if (!k.examined) {
            out << "not examined: the options give it no action\n";
            continue;
        }
        const std::string recall =
            std::to_string(k.recalled) + "/" + std::to_string(k.deliberate) +
            (k.deliberate > 0
                 ? " (" + num(100.0 * static_cast<double>(k.recalled) / k.deliberate, 0) + "%)"
                 : "");
        out << padRight(recall, 12) << padLeft(std::to_string(k.wrong), 7)
            << padLeft(std::to_string(k.repeats), 9) << padLeft(rateText(k.talking), 36)
            << padLeft(rateText(k.blinking), 12) << padLeft(rateText(k.moving), 12) << "\n";
    }
    if (s.unattributed > 0) {
        out << "  " << s.unattributed
            << " actions could have come from more than one gesture (the options share an "
               "action)\n";
    }
}

void writeScoreJson(const Score& s, const std::string& label, const std::string& engine,
                    std::ostream& out) {
    const TrackingScore& t = s.tracking;
    const CalibrationScore& c = s.calibration;
    out << "{\"label\":" << quoted(label) << ",\"engine\":" << quoted(engine)
        << ",\"seconds\":" << json(s.seconds, 3) << ",\"tracking\":{\"samples\":" << t.samples
        << ",\"rms\":" << json(t.rms) << ",\"rms_x\":" << json(t.rmsX)
        << ",\"rms_y\":" << json(t.rmsY) << ",\"corr_x\":" << json(t.corrX)
        << ",\"corr_y\":" << json(t.corrY) << ",\"visible_ticks\":" << t.visibleTicks
        << ",\"tracked_ticks\":" << t.trackedTicks << ",\"tracked_share\":" << json(t.trackedShare)
        << "}"
        << ",\"calibration\":{\"seconds\":" << json(c.seconds)
        << ",\"from_eyes_window\":" << json(c.fromEyesWindow)
        << ",\"calibrations\":" << c.calibrations << ",\"losses\":" << c.losses << "}"
        << ",\"gestures\":{";
    for (int g = 0; g < kGestureCount; ++g) {
        const GestureScore& k = s.gestures[static_cast<size_t>(g)];
        if (g > 0) out << ",";
        out << quoted(gestureName(g)) << ":{\"examined\":" << (k.examined ? "true" : "false")
            << ",\"deliberate\":" << k.deliberate << ",\"recalled\":" << k.recalled
            << ",\"repeats\":" << k.repeats << ",\"wrong\":" << k.wrong;
        const std::pair<const char*, const ContextRate*> rates[] = {
            {"talking", &k.talking}, {"blinking", &k.blinking}, {"moving", &k.moving}};
        for (const auto& [name, r] : rates) {
            out << ",\"" << name << "\":{\"actions\":" << r->actions
                << ",\"minutes\":" << json(r->minutes) << ",\"per_minute\":" << json(r->perMinute())
                << "}";
        }
        out << "}";
    }
    out << "},\"unattributed\":" << s.unattributed << "}\n";
}

}  // namespace quil::sim
