// The replay's reports: timeline, summary, JSON Lines trace, the annotated
// frame's inset and the SVG plot.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "sim/replay_internal.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

std::string fmt(double v, int decimals = 2) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string seconds(int64_t tick) { return fmt(static_cast<double>(tick * kTickMs) / 1000.0, 2); }

TimeStats stats(std::vector<double> ms) {
    TimeStats t;
    t.frames = static_cast<int64_t>(ms.size());
    if (ms.empty()) return t;
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    t.medianMs = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    const auto rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n)));
    t.p99Ms = ms[std::min(n - 1, rank == 0 ? 0 : rank - 1)];
    return t;
}

void putPixel(std::vector<uint8_t>& bgr, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) return;
    uint8_t* p = &bgr[(static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 3];
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

}  // namespace

Summary summarise(const ReplayResult& result) {
    Summary s;
    std::vector<double> all;
    std::map<int, std::vector<double>> perState;
    for (const auto& r : result.ticks) {
        ++s.ticks;
        if (r.processed) ++s.processed;
        if (r.stepped) {
            ++s.framesPerState[static_cast<size_t>(r.state)];
            all.push_back(r.ms);
            perState[r.state].push_back(r.ms);
        }
        for (const auto& e : r.events) {
            if (e == "head_box") ++s.headBoxes;
            if (e == "calibrated") ++s.calibrations;
            if (e == "calibration_timeout") ++s.calibrationTimeouts;
            if (e == "lost") ++s.losses;
            if (e == "click") ++s.clicks;
            if (e == "press") ++s.presses;
            if (e == "release") ++s.releases;
            if (e == "key_press_msg") ++s.keyPressMessages;
            if (e == "keyboard_shown") ++s.keyboardShown;
            if (e == "keyboard_hidden") ++s.keyboardHidden;
            if (e == "hand_pause") ++s.handPauses;
        }
    }
    s.all = stats(all);
    for (auto& [state, ms] : perState) s.perState[state] = stats(ms);
    return s;
}

void TimelinePrinter::line(const TickRecord& r, const std::string& text) {
    if (!out_) return;
    char head[48];
    std::snprintf(head, sizeof head, "%8s s  tick %5lld  ", seconds(r.tick).c_str(),
                  static_cast<long long>(r.tick));
    *out_ << head << text << "\n";
}

void TimelinePrinter::tick(const TickRecord& r, const TrackerState& s) {
    if (!keyboardKnown_ && s.keyboard.window != 0) {
        keyboardKnown_ = true;
        line(r, "keyboard program announced its window; docked at the bottom centre");
    }
    if (r.stepped && r.state == Restart) line(r, "restart: the camera view is back in the centre");
    if (r.stepped && r.state == Tracking && lastState_ == HandPause) line(r, "tracking resumed");
    if (r.stepped) lastState_ = r.state;
    if (r.faceOffset && r.face) {
        line(r, "tracking: face at (" + fmt((*r.face)[0], 1) + ", " + fmt((*r.face)[1], 1) +
                    "), (" + fmt((*r.faceOffset)[0], 1) + ", " + fmt((*r.faceOffset)[1], 1) +
                    ") px from the template point");
    }
    const std::string at =
        " at (" + std::to_string(r.pointer.x) + ", " + std::to_string(r.pointer.y) + ")";
    for (const auto& e : r.events) {
        if (e == "head_box" && r.headBox) {
            const auto& b = *r.headBox;
            line(r, "head box found: columns " + std::to_string(b[0]) + ".." +
                        std::to_string(b[2]) + ", rows " + std::to_string(480 - b[1]) + ".." +
                        std::to_string(480 - b[3]));
        } else if (e == "eyes_window_opened") {
            line(r, "eyes window opened: the user is asked to blink");
        } else if (e == "calibrated" && r.calibration) {
            const auto& c = *r.calibration;
            const int left = r.headBox ? (*r.headBox)[0] : 0;
            (void)left;
            line(r, "calibrated: eyes " + std::to_string(c.eyeAX) + " and " +
                        std::to_string(c.eyeBX) + " px into the head box, row " +
                        std::to_string(c.eyeAY) + "; reference (" + std::to_string(c.refX) + ", " +
                        std::to_string(c.refY) + "), " + std::to_string(c.latticeCount) +
                        " template points");
        } else if (e == "calibration_timeout") {
            line(r, "calibration timed out: no blink of two eyes seen in 65 frames");
        } else if (e == "lost") {
            line(r, "lost: " + r.lostReason);
        } else if (e == "click") {
            line(r, "click" + at);
        } else if (e == "press") {
            line(r, "button pressed" + at + " (drag starts)");
        } else if (e == "release") {
            line(r, "button released" + at + " (drag ends)");
        } else if (e == "key_press_msg") {
            line(r, "click over the keyboard: key press message" + at);
        } else if (e == "click_outside_msg") {
            line(r, "keyboard told of a click outside it");
        } else if (e == "pointer_over_msg") {
            if (!overKeyboard_) line(r, "pointer over the keyboard (slower pointer)");
            overKeyboard_ = true;
        } else if (e == "pointer_left_msg") {
            overKeyboard_ = false;
            line(r, "pointer left the keyboard");
        } else if (e == "keyboard_launched") {
            line(r, "keyboard program launched");
        } else if (e == "keyboard_shown") {
            line(r, "keyboard shown");
        } else if (e == "keyboard_hidden") {
            line(r, "keyboard hidden");
        } else if (e == "hand_pause") {
            line(r, "pointer moved by hand: tracking paused");
        }
    }
}

void drawInset(std::vector<uint8_t>& bgr, const TickRecord& r, const SimDesktop& desktop,
               const TrackerState& s, int screenWidth, int screenHeight) {
    constexpr int kInsetW = 160, kInsetH = 120, kMargin = 6;
    const auto sx = [&](int x) { return kMargin + x * kInsetW / std::max(1, screenWidth); };
    const auto sy = [&](int y) { return kMargin + y * kInsetH / std::max(1, screenHeight); };
    for (int y = 0; y < kInsetH; ++y) {
        for (int x = 0; x < kInsetW; ++x) {
            const bool edge = x == 0 || y == 0 || x == kInsetW - 1 || y == kInsetH - 1;
            if (edge) {
                putPixel(bgr, kMargin + x, kMargin + y, 255, 255, 255);
            } else {
                uint8_t* p = &bgr[(static_cast<size_t>(kHeight - 1 - (kMargin + y)) * kWidth +
                                   (kMargin + x)) *
                                  3];
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] / 4);
            }
        }
    }
    if (desktop.keyboardVisible()) {
        for (int x = sx(s.keyboard.left); x <= sx(s.keyboard.right); ++x) {
            putPixel(bgr, x, sy(s.keyboard.top), 80, 160, 255);
            putPixel(bgr, x, sy(s.keyboard.bottom), 80, 160, 255);
        }
        for (int y = sy(s.keyboard.top); y <= sy(s.keyboard.bottom); ++y) {
            putPixel(bgr, sx(s.keyboard.left), y, 80, 160, 255);
            putPixel(bgr, sx(s.keyboard.right), y, 80, 160, 255);
        }
    }
    const bool clicked =
        std::find(r.events.begin(), r.events.end(), "click") != r.events.end() ||
        std::find(r.events.begin(), r.events.end(), "key_press_msg") != r.events.end();
    const int px = sx(r.pointer.x), py = sy(r.pointer.y);
    const int radius = clicked ? 5 : 2;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (r.button) {
                putPixel(bgr, px + dx, py + dy, 255, 220, 0);
            } else {
                putPixel(bgr, px + dx, py + dy, 255, 40, 40);
            }
        }
    }
    // A bar under the inset in the colour of the tracker's state.
    static const uint8_t kColours[8][3] = {{120, 120, 120}, {200, 200, 0}, {255, 140, 0},
                                           {0, 200, 0},     {220, 0, 0},   {180, 0, 180},
                                           {0, 120, 255},   {234, 248, 3}};
    const auto& c = kColours[r.state & 7];
    for (int y = kMargin + kInsetH + 2; y < kMargin + kInsetH + 8; ++y) {
        for (int x = kMargin; x < kMargin + kInsetW; ++x) putPixel(bgr, x, y, c[0], c[1], c[2]);
    }
}

void writeTrace(const ReplayResult& result, std::ostream& out) {
    auto point = [](const std::optional<std::array<double, 2>>& p) {
        return p ? "[" + fmt((*p)[0]) + "," + fmt((*p)[1]) + "]" : std::string("null");
    };
    for (const auto& r : result.ticks) {
        out << "{\"tick\":" << r.tick << ",\"t_ms\":" << r.tick * kTickMs
            << ",\"processed\":" << (r.processed ? "true" : "false") << ",\"state\":\""
            << kStateNames[r.state & 7] << "\",\"face\":" << point(r.face)
            << ",\"cost\":" << (r.cost ? fmt(*r.cost, 3) : std::string("null")) << ",\"pointer\":["
            << r.pointer.x << "," << r.pointer.y << "],\"button\":" << (r.button ? "true" : "false")
            << ",\"events\":[";
        for (size_t i = 0; i < r.events.size(); ++i)
            out << (i ? "," : "") << '"' << r.events[i] << '"';
        out << "]";
        if (r.truth) out << ",\"truth\":" << point(r.truth);
        if (r.headBox) {
            const auto& b = *r.headBox;
            out << ",\"head_box\":[" << b[0] << "," << b[1] << "," << b[2] << "," << b[3] << "]";
        }
        if (r.calibration) {
            const auto& c = *r.calibration;
            out << ",\"calibration\":{\"eyeAX\":" << c.eyeAX << ",\"eyeAY\":" << c.eyeAY
                << ",\"eyeBX\":" << c.eyeBX << ",\"eyeBY\":" << c.eyeBY << ",\"refX\":" << c.refX
                << ",\"refY\":" << c.refY << ",\"latticeCount\":" << c.latticeCount << "}";
        }
        out << "}\n";
    }
    const Summary& s = result.summary;
    out << "{\"summary\":{\"ticks\":" << s.ticks << ",\"processed\":" << s.processed
        << ",\"frames_per_state\":{";
    for (int i = 0; i < 8; ++i) {
        out << (i ? "," : "") << '"' << kStateNames[i]
            << "\":" << s.framesPerState[static_cast<size_t>(i)];
    }
    out << "},\"head_boxes\":" << s.headBoxes << ",\"calibrations\":" << s.calibrations
        << ",\"calibration_timeouts\":" << s.calibrationTimeouts << ",\"losses\":" << s.losses
        << ",\"clicks\":" << s.clicks << ",\"presses\":" << s.presses
        << ",\"releases\":" << s.releases << ",\"key_press_msgs\":" << s.keyPressMessages
        << ",\"median_ms\":" << fmt(s.all.medianMs, 3) << ",\"p99_ms\":" << fmt(s.all.p99Ms, 3)
        << ",\"per_state_ms\":{";
    bool first = true;
    for (const auto& [state, t] : s.perState) {
        out << (first ? "" : ",") << '"' << kStateNames[state & 7] << "\":{\"frames\":" << t.frames
            << ",\"median\":" << fmt(t.medianMs, 3) << ",\"p99\":" << fmt(t.p99Ms, 3) << "}";
        first = false;
    }
    out << "}}}\n";
}

void writeSummary(const ReplayResult& result, std::ostream& out) {
    const Summary& s = result.summary;
    out << "\nSummary\n";
    out << "  video played    " << s.ticks << " ticks (" << seconds(s.ticks) << " s), "
        << s.processed << " frames processed\n";
    out << "  frames per state";
    for (int i = 0; i < 8; ++i) {
        if (s.framesPerState[static_cast<size_t>(i)] > 0) {
            out << "  " << kStateNames[i] << " " << s.framesPerState[static_cast<size_t>(i)];
        }
    }
    out << "\n  head boxes      " << s.headBoxes << "\n  calibrations    " << s.calibrations
        << " (time-outs " << s.calibrationTimeouts << ")\n  losses          " << s.losses
        << "\n  clicks          " << s.clicks << "\n  drags           " << s.presses << " presses, "
        << s.releases << " releases\n  key presses     " << s.keyPressMessages
        << "\n  keyboard        shown " << s.keyboardShown << ", hidden " << s.keyboardHidden
        << "\n  processing      median " << fmt(s.all.medianMs, 2) << " ms, 99th percentile "
        << fmt(s.all.p99Ms, 2) << " ms per frame\n";
    for (const auto& [state, t] : s.perState) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "    %-15s %6lld frames  median %7.2f ms  p99 %7.2f ms\n",
                      kStateNames[state & 7], static_cast<long long>(t.frames), t.medianMs,
                      t.p99Ms);
        out << buf;
    }
}

}  // namespace quil::sim
