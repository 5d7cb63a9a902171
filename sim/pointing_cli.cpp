#include "sim/pointing_cli.h"

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>

#include "options/options_file.h"
#include "sim/pointing_run.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBad = 2;
constexpr int kMaxRounds = 20;
constexpr const char* kDefaultClip = "/tmp/quilbrand_real_clip/cap12_edit.y4m";
constexpr const char* kDefaultLabels = "tests/sim/labels/cap12.labels";

struct Args {
    PointingOptions run;
    std::string optionsName = "default";
    std::string csvPath;
    bool motion = false;
    bool all = false;
    std::string clip;
    std::string labels = kDefaultLabels;
};

std::string helpText() {
    return "Usage: quilbrand-pointing [options]\n"
           "\n"
           "A simulated person takes the pointing test with the whole tracker: sits down,\n"
           "calibrates, tries the pointer out, then selects the lit targets (11 on a circle,\n"
           "3 distances x 2 widths) with the gesture the options click with. Prints the\n"
           "throughput, movement time and error rate per condition and overall.\n"
           "\n"
           "  --precise          the precise engine instead of the classic one\n"
           "  --model FILE       its landmark model (default: the one the build fetched)\n"
           "  --options FILE     an options file (default: the default options)\n"
           "  --options-text T   the options' text itself, e.g. \"1 0 0 0 1 0 0 1 0 0 1 0 1 0 0\"\n"
           "  --fastest          the fast pointer and the short head range\n"
           "  --camera-rate      the precise engine takes the camera's 30 frames a second,\n"
           "                     the pointer carried on between ticks (the programs take one\n"
           "                     frame per 75 ms tick)\n"
           "  --seed N           the person, their motor noise and the camera (default 1)\n"
           "  --rounds N         rounds per condition (default 1, at most 20)\n"
           "  --screen WxH       screen size (default 1024x768)\n"
           "  --csv FILE         write every trial to FILE\n"
           "  --trace            the person's and the tracker's every step, on stderr\n"
           "\n"
           "  --motion           instead: the pointer's latency after scripted head turns and\n"
           "                     its jitter while the head is still, for both engines\n"
           "  --clip FILE        instead: the pointer's jitter on a recorded clip where its\n"
           "                     labels say the head is still, for both engines\n"
           "                     (default clip " +
           std::string(kDefaultClip) +
           ")\n"
           "  --labels FILE      the clip's labels (default " +
           std::string(kDefaultLabels) +
           ")\n"
           "  --all              every figure: both engines with the default and the fastest\n"
           "                     options, the latency and jitter, and the real clip's jitter\n";
}

std::optional<int> parseCount(const std::string& s, int lowest, int highest) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int v = std::stoi(s);
    if (v < lowest || v > highest) return std::nullopt;
    return v;
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

// False with the complaint written when the arguments make no sense.
bool parse(const std::vector<std::string>& args, Args& a, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto value = [&]() -> const std::string& { return args[++i]; };
        if (arg == "--precise") {
            a.run.precise = true;
        } else if (arg == "--fastest") {
            a.run.optionsContent = kFastestOptionsText;
            a.optionsName = "fastest";
        } else if (arg == "--motion") {
            a.motion = true;
        } else if (arg == "--camera-rate") {
            a.run.cameraRate = true;
        } else if (arg == "--all") {
            a.all = true;
        } else if (arg == "--trace") {
            a.run.trace = &std::cerr;
        } else if (!hasValue) {
            err << "quilbrand-pointing: unknown option or missing value: " << arg << "\n";
            return false;
        } else if (arg == "--model") {
            a.run.modelFile = value();
        } else if (arg == "--options") {
            const std::string path = value();
            if (!readFile(path, a.run.optionsContent)) {
                err << "quilbrand-pointing: cannot read the options file \"" << path << "\"\n";
                return false;
            }
            a.optionsName = path;
        } else if (arg == "--options-text") {
            a.run.optionsContent = value();
            a.optionsName = "\"" + a.run.optionsContent + "\"";
        } else if (arg == "--seed") {
            const auto seed = parseCount(value(), 0, 999999999);
            if (!seed) return err << "quilbrand-pointing: bad --seed\n", false;
            a.run.seed = static_cast<uint64_t>(*seed);
        } else if (arg == "--rounds") {
            const auto rounds = parseCount(value(), 1, kMaxRounds);
            if (!rounds) return err << "quilbrand-pointing: --rounds takes 1 to 20\n", false;
            a.run.rounds = *rounds;
        } else if (arg == "--screen") {
            const std::string s = value();
            const auto x = s.find('x');
            const auto w = parseCount(s.substr(0, x), 640, 16384);
            const auto h =
                x == std::string::npos ? std::nullopt : parseCount(s.substr(x + 1), 480, 16384);
            if (!w || !h) return err << "quilbrand-pointing: bad --screen " << s << "\n", false;
            a.run.screenWidth = *w;
            a.run.screenHeight = *h;
        } else if (arg == "--csv") {
            a.csvPath = value();
        } else if (arg == "--clip") {
            a.clip = value();
        } else if (arg == "--labels") {
            a.labels = value();
        } else {
            err << "quilbrand-pointing: unknown option " << arg << "\n";
            return false;
        }
    }
    return true;
}

const char* engineName(bool precise) { return precise ? "precise" : "classic"; }

const char* selectName(SelectBy s) {
    switch (s) {
        case SelectBy::Mouth:
            return "the mouth";
        case SelectBy::Eyes:
            return "the eyes";
        case SelectBy::Dwell:
            return "dwell";
    }
    return "?";
}

void printSummaryLine(const std::string& label, const PointingOutcome& p, std::ostream& out) {
    const pointing::TestResult& r = p.result;
    out << "  " << std::left << std::setw(18) << label << std::right << std::fixed
        << std::setprecision(2) << "TP " << std::setw(5) << r.throughput << " bits/s  MT "
        << std::setw(5) << r.meanSeconds << " s  error " << std::setw(5) << std::setprecision(1)
        << 100.0 * r.errorRate() << " %  trials " << r.trials << "  corrections/trial "
        << std::setprecision(1)
        << (r.trials > 0 ? static_cast<double>(p.corrections) / r.trials : 0.0);
    if (!p.finished) out << "  UNFINISHED: " << p.stopReason;
    out << "\n";
}

void printPointing(const Args& a, const PointingOutcome& p, std::ostream& out) {
    out << "Pointing test: " << engineName(a.run.precise) << " engine, " << a.optionsName
        << " options (clicks by " << selectName(p.selectBy) << "), seed " << a.run.seed << ", "
        << a.run.rounds << " round(s) per condition\n";
    out << "  condition  distance  width  trials  misses  We px   IDe bits  MT s   TP bits/s\n";
    out << std::fixed;
    for (const auto& c : p.result.conditions) {
        const auto& k = p.conditions[static_cast<size_t>(c.condition)];
        out << "  " << std::setw(9) << c.condition + 1 << std::setw(10) << std::setprecision(0)
            << k.distance << std::setw(7) << k.width << std::setw(8) << c.trials << std::setw(8)
            << c.misses << std::setw(8) << std::setprecision(1) << c.effectiveWidth << std::setw(10)
            << std::setprecision(2) << c.effectiveIndex << std::setw(7) << c.meanSeconds
            << std::setw(11) << c.throughput << "\n";
    }
    printSummaryLine("overall", p, out);
    out << std::setprecision(1) << "  simulated " << p.seconds << " s (test " << p.testSeconds
        << " s); gestures " << p.gestures << ", losses " << p.losses << "; learned gain "
        << p.learnedGain[0] << ", " << p.learnedGain[1] << " screen px per head px\n";
}

bool writeCsv(const std::string& path, const Args& a, const PointingOutcome& p, std::ostream& err) {
    std::ofstream f(path);
    f << "engine,options,seed,round,condition,distance,width,from_x,from_y,target_x,target_y,"
         "selected_x,selected_y,seconds,hit\n";
    const size_t perRound = pointing::kSelectionsPerRound - 1;
    for (size_t i = 0; i < p.trials.size(); ++i) {
        const pointing::Trial& t = p.trials[i];
        const auto& k = p.conditions[static_cast<size_t>(t.condition)];
        f << engineName(a.run.precise) << "," << a.optionsName << "," << a.run.seed << ","
          << i / perRound + 1 << "," << t.condition + 1 << "," << k.distance << "," << k.width
          << "," << t.from.x << "," << t.from.y << "," << t.target.x << "," << t.target.y << ","
          << t.selected.x << "," << t.selected.y << "," << t.seconds << ","
          << (pointing::hit(t) ? 1 : 0) << "\n";
    }
    if (!f) {
        err << "quilbrand-pointing: cannot write \"" << path << "\"\n";
        return false;
    }
    return true;
}

void printMotion(const PointingOptions& base, std::ostream& out) {
    out << "Pointer latency and jitter (simulated time; head turns of 8 px in 0.4 s; the "
           "pointer answers once it has gone 3 px its way)\n";
    for (const bool precise : {false, true}) {
        PointingOptions o = base;
        o.precise = precise;
        const MotionFigures m = measureMotion(o);
        out << "  " << std::left << std::setw(8) << engineName(precise) << std::right;
        if (m.exitCode != 0) {
            out << "not run: " << m.error << "\n";
            continue;
        }
        out << std::fixed << std::setprecision(0) << "latency median "
            << (m.medianLatencyMs ? *m.medianLatencyMs : -1.0) << " ms over "
            << m.latenciesMs.size() << " turns (";
        for (size_t i = 0; i < m.latenciesMs.size(); ++i) {
            out << (i ? " " : "") << m.latenciesMs[i];
        }
        out << "), unanswered " << m.unanswered << ", begun with the pointer moving " << m.notAtRest
            << ", losses " << m.losses << std::setprecision(2) << "; still head: jitter "
            << m.jitterRms << " px RMS, span " << m.stillSpan << " px over " << m.stillTicks
            << " frames of " << std::setprecision(0) << m.frameMs
            << " ms from the pointer's first rest" << (m.calibrated ? "" : "  NOT CALIBRATED")
            << "\n";
    }
}

void printClip(const Args& a, std::ostream& out) {
    const std::string clip = a.clip.empty() ? kDefaultClip : a.clip;
    if (!std::filesystem::exists(clip)) {
        out << "Real clip: " << clip << " not found (the real-clip test fetches it)\n";
        return;
    }
    out << "Real clip " << clip << ": pointer jitter where the labels say the head is still\n";
    for (const bool precise : {false, true}) {
        const ClipJitter j = clipJitter(clip, a.labels, precise, a.run.modelFile, a.run.cameraRate);
        out << "  " << std::left << std::setw(8) << engineName(precise) << std::right;
        if (j.exitCode != 0) {
            out << "not run: " << j.error << "\n";
            continue;
        }
        out << std::fixed << std::setprecision(2) << "pooled " << j.pooledRms << " px RMS over "
            << j.ticks << " frames;";
        for (const auto& s : j.stretches) {
            out << "\n    frames " << s.firstFrame << "-" << s.lastFrame
                << (s.talking ? " (talking)" : "") << ": " << s.rms << " px RMS, tick to tick "
                << s.stepRms << " px RMS (the head itself " << s.headStepRms << ")";
        }
        out << "\n";
    }
}

}  // namespace

int runPointingCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << helpText();
            return kExitOk;
        }
    }
    Args a;
    if (!parse(args, a, err)) return kExitBad;
    if (a.motion || !a.clip.empty()) {
        if (a.motion) printMotion(a.run, out);
        if (!a.clip.empty()) printClip(a, out);
        return kExitOk;
    }
    if (a.all) {
        out << "Pointing test, seed " << a.run.seed << ", " << a.run.rounds
            << " round(s) per condition\n";
        for (const bool precise : {false, true}) {
            for (const bool fastest : {false, true}) {
                PointingOptions o = a.run;
                o.precise = precise;
                o.optionsContent = fastest ? kFastestOptionsText : "";
                const PointingOutcome p = runPointing(o);
                const std::string label =
                    std::string(engineName(precise)) + (fastest ? " fastest" : " default");
                if (p.exitCode != 0) {
                    out << "  " << label << " not run: " << p.error << "\n";
                    continue;
                }
                printSummaryLine(label, p, out);
            }
        }
        printMotion(a.run, out);
        printClip(a, out);
        return kExitOk;
    }
    const PointingOutcome p = runPointing(a.run);
    if (p.exitCode != 0) {
        err << "quilbrand-pointing: " << p.error << "\n";
        return p.exitCode;
    }
    printPointing(a, p, out);
    if (!a.csvPath.empty() && !writeCsv(a.csvPath, a, p, err)) return kExitBad;
    return kExitOk;
}

}  // namespace quil::sim
