// The replay's picture: the face track against the truth over time, and the
// pointer's path over the screen with the clicks, drags and keyboard.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "sim/replay.h"
#include "sim/y4m.h"
#include "tracker/tracker_state.h"

namespace quil::sim {

namespace {

constexpr double kWidthPx = 1120, kHeightPx = 540;
constexpr double kChartX0 = 70, kChartX1 = 660;
constexpr double kScreenX0 = 710, kScreenW = 380;
const char* const kStateFill[8] = {"#e0e0e0", "#f4f0a0", "#ffd9a8", "#d4f5d4",
                                   "#ffc0c0", "#eed0ee", "#c8e0ff", "#f8f8c0"};

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string text(double x, double y, const std::string& s, int size = 13,
                 const char* anchor = "start") {
    std::ostringstream out;
    out << "<text x=\"" << num(x) << "\" y=\"" << num(y)
        << "\" font-family=\"sans-serif\" font-size=\"" << size << "\" text-anchor=\"" << anchor
        << "\">" << s << "</text>\n";
    return out.str();
}

std::string secondsLabel(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f s", t);
    return buf;
}

// Appends one point of an SVG path, a move or a line to it.
void appendPoint(std::string& path, bool pen, double x, double y) {
    path.push_back(pen ? 'L' : 'M');
    path.append(num(x));
    path.push_back(' ');
    path.append(num(y));
    path.push_back(' ');
}

struct Chart {
    double y0, y1;  // pixel rows of the chart
    double lo, hi;  // value range
    double t1;      // seconds at the right edge
    double px(double t) const { return kChartX0 + (kChartX1 - kChartX0) * t / t1; }
    double py(double v) const { return y1 - (y1 - y0) * (v - lo) / (hi - lo); }
};

void series(std::ostream& out, const ReplayResult& r, const Chart& c, int axis, bool truth,
            const char* colour, const char* dash) {
    // One path per unbroken run, so that no renderer draws across a gap.
    std::string path;
    const auto flush = [&] {
        if (path.empty()) return;
        out << "<path d=\"" << path << "\" fill=\"none\" stroke=\"" << colour
            << "\" stroke-width=\"1.5\"" << (dash[0] ? " stroke-dasharray=\"" : "") << dash
            << (dash[0] ? "\"" : "") << "/>\n";
        path.clear();
    };
    for (const auto& t : r.ticks) {
        const auto& p = truth ? t.truth : t.face;
        if (!p || t.state != Tracking || !t.stepped) {
            flush();
            continue;
        }
        const double x = c.px(static_cast<double>(t.tick) * 0.075);
        const double y = c.py(std::clamp((*p)[static_cast<size_t>(axis)], c.lo, c.hi));
        appendPoint(path, !path.empty(), x, y);
    }
    flush();
}

void chart(std::ostream& out, const ReplayResult& r, const Chart& c, int axis,
           const std::string& label) {
    // State bands.
    int64_t start = 0;
    for (size_t i = 0; i <= r.ticks.size(); ++i) {
        if (i == r.ticks.size() || r.ticks[i].state != r.ticks[start].state) {
            const double x0 = c.px(static_cast<double>(r.ticks[start].tick) * 0.075);
            const double x1 = c.px(static_cast<double>(r.ticks[i - 1].tick + 1) * 0.075);
            out << "<rect x=\"" << num(x0) << "\" y=\"" << num(c.y0) << "\" width=\""
                << num(std::max(x1 - x0, 2.0)) << "\" height=\"" << num(c.y1 - c.y0) << "\" fill=\""
                << kStateFill[r.ticks[start].state & 7] << "\"/>\n";
            start = static_cast<int64_t>(i);
        }
    }
    out << "<rect x=\"" << kChartX0 << "\" y=\"" << c.y0 << "\" width=\"" << kChartX1 - kChartX0
        << "\" height=\"" << c.y1 - c.y0 << "\" fill=\"none\" stroke=\"#444\"/>\n";
    for (int k = 0; k <= 4; ++k) {
        const double v = c.lo + (c.hi - c.lo) * k / 4;
        out << text(kChartX0 - 6, c.py(v) + 4, num(v), 11, "end");
    }
    for (double t = 0; t <= c.t1; t += std::max(5.0, std::ceil(c.t1 / 12 / 5) * 5)) {
        out << text(c.px(t), c.y1 + 14, secondsLabel(t), 11, "middle");
    }
    out << text(kChartX0, c.y0 - 6, label, 13);
    series(out, r, c, axis, true, "#777", "5,3");
    series(out, r, c, axis, false, "#1060d0", "");
}

}  // namespace

void writePlot(const ReplayResult& r, const std::string& title, std::ostream& out) {
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidthPx << "\" height=\""
        << kHeightPx << "\" viewBox=\"0 0 " << kWidthPx << " " << kHeightPx << "\">\n";
    out << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << text(kChartX0, 24, title, 16);
    const double t1 = std::max(1.0, static_cast<double>(r.ticks.size()) * 0.075);
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (const auto& t : r.ticks) {
        for (const auto* p : {&t.face, &t.truth}) {
            if (!*p || t.state != Tracking) continue;
            for (int a = 0; a < 2; ++a) {
                lo[a] = std::min(lo[a], (**p)[static_cast<size_t>(a)]);
                hi[a] = std::max(hi[a], (**p)[static_cast<size_t>(a)]);
            }
        }
    }
    for (int a = 0; a < 2; ++a) {
        if (lo[a] > hi[a]) lo[a] = 0, hi[a] = a ? 480 : 640;
        lo[a] = std::floor(lo[a] / 10) * 10 - 10;
        hi[a] = std::ceil(hi[a] / 10) * 10 + 10;
    }
    chart(out, r, {50, 250, lo[0], hi[0], t1}, 0,
          "face column (px): tracked (blue) and truth (grey, dashed)");
    chart(out, r, {300, 500, lo[1], hi[1], t1}, 1, "face row (px)");

    // The screen with the pointer's path.
    const double scale = kScreenW / std::max(1, r.screenWidth);
    const double y0 = 50, h = r.screenHeight * scale;
    const auto sx = [&](double x) { return kScreenX0 + x * scale; };
    const auto sy = [&](double y) { return y0 + y * scale; };
    out << text(kScreenX0, y0 - 6,
                "pointer on the " + std::to_string(r.screenWidth) + "x" +
                    std::to_string(r.screenHeight) + " screen",
                13);
    out << "<rect x=\"" << kScreenX0 << "\" y=\"" << y0 << "\" width=\"" << kScreenW
        << "\" height=\"" << num(h) << "\" fill=\"#f8f8f8\" stroke=\"#444\"/>\n";
    for (const auto& k : r.keyboardRects) {
        out << "<rect x=\"" << num(sx(k[0])) << "\" y=\"" << num(sy(k[1])) << "\" width=\""
            << num((k[2] - k[0]) * scale) << "\" height=\"" << num((k[3] - k[1]) * scale)
            << "\" fill=\"#c8e0ff\" fill-opacity=\"0.4\" stroke=\"#4080ff\"/>\n";
    }
    std::string path;
    bool pen = false;
    for (const auto& t : r.ticks) {
        if (t.state != Tracking || !t.stepped) {
            pen = false;
            continue;
        }
        appendPoint(path, pen, sx(t.pointer.x), sy(t.pointer.y));
        pen = true;
    }
    out << "<path d=\"" << path << "\" fill=\"none\" stroke=\"#d02020\" stroke-width=\"1\"/>\n";
    for (const auto& t : r.ticks) {
        for (const auto& e : t.events) {
            const double x = sx(t.pointer.x), y = sy(t.pointer.y);
            if (e == "click" || e == "key_press_msg") {
                out << "<circle cx=\"" << num(x) << "\" cy=\"" << num(y)
                    << "\" r=\"6\" fill=\"none\" stroke=\"#000\" stroke-width=\"2\"/>\n";
            } else if (e == "press") {
                out << "<path d=\"M" << num(x) << " " << num(y - 7)
                    << " l6 11 h-12 z\" fill=\"#20a020\"/>\n";
            } else if (e == "release") {
                out << "<rect x=\"" << num(x - 5) << "\" y=\"" << num(y - 5)
                    << "\" width=\"10\" height=\"10\" fill=\"#a02020\"/>\n";
            }
        }
    }
    const double ly = y0 + h + 30;
    out << text(kScreenX0, ly, "red line: pointer path while tracking", 12);
    out << text(kScreenX0, ly + 18, "circle: click or key press; triangle: press; square: release",
                12);
    out << text(kScreenX0, ly + 36, "blue box: the on-screen keyboard", 12);
    out << text(kScreenX0, ly + 62, "chart backgrounds: grey detection, yellow head box,", 12);
    out << text(kScreenX0, ly + 80, "orange calibration, green tracking, red lost,", 12);
    out << text(kScreenX0, ly + 98, "violet restart, blue keyboard toggle", 12);
    out << "</svg>\n";
}

}  // namespace quil::sim
