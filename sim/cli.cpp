#include "sim/cli.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "sim/replay.h"
#include "sim/scene.h"
#include "sim/score_run.h"
#include "sim/y4m.h"

namespace quil::sim {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBad = 2;
constexpr const char* kOutDir = "out";

bool parseSize(const std::string& s, int& w, int& h) {
    const auto x = s.find('x');
    if (x == std::string::npos) return false;
    try {
        size_t used = 0;
        w = std::stoi(s.substr(0, x), &used);
        if (used != x) return false;
        h = std::stoi(s.substr(x + 1), &used);
        if (used != s.size() - x - 1) return false;
    } catch (...) {
        return false;
    }
    return w >= 640 && h >= 480 && w <= 16384 && h <= 16384;
}

std::optional<uint64_t> parseUnsigned(const std::string& s) {
    if (s.empty() || s.size() > 18 || s.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(s);
}

}  // namespace

std::string helpText() {
    std::string scenes;
    for (const auto& name : sceneNames()) {
        scenes += "  " + name + std::string(12 - std::min<size_t>(11, name.size()), ' ') +
                  sceneDescription(name) + "\n";
    }
    scenes += "\nScenes to score on (--score)\n";
    for (const auto& name : scoringSceneNames()) {
        scenes += "  " + name + "\n      " + sceneDescription(name) + "\n";
    }
    scenes += "\nHands-free scenes (scrolling, the pause)\n";
    for (const auto& name : handsFreeSceneNames()) {
        scenes += "  " + name + "\n      " + sceneDescription(name) + "\n";
    }
    return "Usage: quilbrand-replay [INPUT.y4m] [options]\n"
           "\n"
           "Runs the Quilbrand head tracker on a video file or on a synthetic webcam scene,\n"
           "behind a simulated desktop, and reports what it did: head box, calibration,\n"
           "pointer motion, clicks, drags, keyboard messages, losses.\n"
           "\n"
           "Input\n"
           "  INPUT.y4m          a YUV4MPEG2 file, 640x480, 4:2:0 or 4:4:4, any frame rate.\n"
           "                     Make one from any video with\n"
           "                       ffmpeg -i clip.mp4 -vf scale=640:480 -pix_fmt yuv420p clip.y4m\n"
           "  --scene NAME       play a built-in scene instead (default: demo)\n"
           "  --seed N           the scene's person, room, noise and timing (default 1)\n"
           "  --drift PERCENT    slow lighting drift of the scene, +-PERCENT (default 3, 0 = off)\n"
           "  --noise SIGMA      the scene camera's sensor noise in levels (default 1)\n"
           "\n"
           "Time: the tracker takes one frame per 75 ms tick. Tick k takes the frame shown at\n"
           "k x 75 ms of video time; the replay ends at the first tick whose frame the file\n"
           "does not have. It runs as fast as it can unless --realtime is given.\n"
           "\n"
           "Simulated desktop\n"
           "  --screen WxH       screen size (default 1024x768)\n"
           "  --keyboard         run the simulated on-screen keyboard program: launched at the\n"
           "                     first calibration, it announces its window a few ticks later,\n"
           "                     docks at the bottom centre and records every message. Without\n"
           "                     it, a nod leaves the tracker waiting for a keyboard. The demo\n"
           "                     and keyboard scenes always run it.\n"
           "  --engine NAME      the vision engine: classic (default) or precise\n"
           "  --model FILE       the precise engine's landmark model (default: the one the\n"
           "                     build fetched, " +
           defaultModelFile() +
           ")\n"
           "  --full-model FILE  its 68-point model, which reads the eyes, the mouth and the nose\n"
           "                     from their outlines (default: " +
           defaultFullModelFile() +
           " when there;\n"
           "                     none: without it)\n"
           "  --options FILE     options in the \"options.cfg\" format (15 numbers); without it\n"
           "                     the defaults. The replay never creates or changes an options "
           "file.\n"
           "\n"
           "Output (stdout: a timeline of events and a summary with frames per state, clicks,\n"
           "drags, losses and processing time per frame)\n"
           "  --trace FILE       JSON Lines, one object per tick, then {\"summary\":{...}}\n"
           "  --annotate FILE    the frames as the camera view shows them (the tracker's cross),\n"
           "                     with the pointer's place on the screen in an inset, as .y4m\n"
           "  --plot FILE        the face track against the truth and the pointer path, as .svg\n"
           "                     Unless given, these three go to out/NAME.trace.jsonl,\n"
           "                     out/NAME.annotated.y4m and out/NAME.svg, NAME being the scene\n"
           "                     or the input file's name.\n"
           "  --no-files         write none of the three files\n"
           "  --realtime         pace the ticks at 75 ms of wall time\n"
           "  --camera-rate      frames at the rate the engine can take from the camera (the\n"
           "                     precise engine's 30 a second, the pointer carried on between\n"
           "                     ticks); records and scores stay one per tick\n"
           "  --help             this text\n"
           "\n"
           "Scoring, against what the scene's person did or a clip's labels\n"
           "  --score            after the summary, print: the face track's error against the\n"
           "                     reference point (RMS after taking out each calibrated\n"
           "                     stretch's mean offset, correlation, share of frames followed);\n"
           "                     seconds from the face coming into view to calibration;\n"
           "                     for eyes, mouth and dwell: deliberate gestures that acted\n"
           "                     within 1 s, actions nothing explains, and actions per minute\n"
           "                     while talking, blinking and moving the head. With the\n"
           "                     default options dwell is scored on a second pass of its own.\n"
           "  --labels FILE      what a video file shows (needed to score one; the format is\n"
           "                     in sim/clip_labels.h, e.g. tests/sim/labels/cap12.labels)\n"
           "  --score-json FILE  the score as one JSON object too (implies --score)\n"
           "\n"
           "Exit code: 0 when the input was played, 2 for bad input or usage (frames that\n"
           "were whole are still played before a truncated end).\n"
           "\n"
           "Scenes\n" +
           scenes;
}

namespace {

// What the command line asks for.
struct CliRequest {
    ReplayOptions o;
    std::string tracePath, annotatePath, plotPath;
    std::string labelsPath, scoreJsonPath;
    bool sceneGiven = false, noFiles = false, help = false, score = false;
    std::string error;  // a usage error, when not empty
};

CliRequest parseArgs(const std::vector<std::string>& args) {
    CliRequest r;
    ReplayOptions& o = r.o;
    auto fail = [&r](const std::string& message) {
        r.error = message;
        return r;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i], value;
        const bool isOption = a.rfind("--", 0) == 0;
        if (isOption) {
            if (const auto eq = a.find('='); eq != std::string::npos) {
                value = a.substr(eq + 1);
                a = a.substr(0, eq);
            }
        }
        const auto needValue = [&]() -> bool {
            if (!value.empty()) return true;
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) return false;
            value = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            r.help = true;
            return r;
        } else if (a == "--keyboard") {
            o.keyboard = true;
        } else if (a == "--realtime") {
            o.realtime = true;
        } else if (a == "--camera-rate") {
            o.cameraRate = true;
        } else if (a == "--no-files") {
            r.noFiles = true;
        } else if (a == "--score") {
            r.score = true;
        } else if (a == "--labels" || a == "--score-json") {
            if (!needValue()) return fail(a + " needs a value");
            (a == "--labels" ? r.labelsPath : r.scoreJsonPath) = value;
            if (a == "--score-json") r.score = true;
        } else if (a == "--scene" || a == "--seed" || a == "--screen" || a == "--options" ||
                   a == "--trace" || a == "--annotate" || a == "--plot" || a == "--drift" ||
                   a == "--ticks" || a == "--noise" || a == "--engine" || a == "--model" ||
                   a == "--full-model") {
            if (!needValue()) return fail(a + " needs a value");
            if (a == "--scene") {
                if (sceneScript(value).empty()) return fail("unknown scene \"" + value + "\"");
                o.scene = value;
                r.sceneGiven = true;
            } else if (a == "--seed") {
                const auto n = parseUnsigned(value);
                if (!n) return fail("--seed needs a whole number, got \"" + value + "\"");
                o.seed = *n;
            } else if (a == "--drift" || a == "--ticks") {
                const auto n = parseUnsigned(value);
                if (!n || (a == "--drift" && *n > 50))
                    return fail(a + " needs a whole number, got \"" + value + "\"");
                if (a == "--drift") {
                    o.driftPercent = static_cast<double>(*n);
                } else {
                    o.maxTicks = static_cast<int64_t>(*n);
                }
            } else if (a == "--noise") {
                char* end = nullptr;
                const double sigma = std::strtod(value.c_str(), &end);
                if (end == value.c_str() || *end != '\0' || !(sigma >= 0 && sigma <= 20)) {
                    return fail("--noise needs a level from 0 to 20, got \"" + value + "\"");
                }
                o.noiseSigma = sigma;
            } else if (a == "--screen") {
                if (!parseSize(value, o.screenWidth, o.screenHeight)) {
                    return fail("--screen needs WIDTHxHEIGHT, at least 640x480, got \"" + value +
                                "\"");
                }
            } else if (a == "--engine") {
                if (value != "classic" && value != "precise") {
                    return fail("--engine needs classic or precise, got \"" + value + "\"");
                }
                o.precise = value == "precise";
            } else if (a == "--model") {
                o.modelFile = value;
            } else if (a == "--full-model") {
                o.fullModelFile = value;
            } else if (a == "--options") {
                o.optionsFile = value;
            } else if (a == "--trace") {
                r.tracePath = value;
            } else if (a == "--annotate") {
                r.annotatePath = value;
            } else {
                r.plotPath = value;
            }
        } else if (isOption || (a.size() > 1 && a[0] == '-')) {
            return fail("unknown option " + a);
        } else if (o.input.empty()) {
            o.input = a;
        } else {
            return fail("more than one input file");
        }
    }
    if (!o.input.empty() && r.sceneGiven)
        return fail("give either an input file or --scene, not both");
    if (!r.labelsPath.empty() && o.input.empty()) return fail("--labels is for a video file");
    if (r.score && !o.input.empty() && r.labelsPath.empty()) {
        return fail("scoring a video file needs its --labels");
    }
    return r;
}

// The defaults that depend on what was asked: the keyboard program for the
// scenes that need it, and the output files under out/.
void completeRequest(CliRequest& r) {
    ReplayOptions& o = r.o;
    // These scenes nod for the keyboard; without the program the tracker
    // would wait for one for ever.
    if (o.input.empty() && (o.scene == "demo" || o.scene == "keyboard")) o.keyboard = true;
    if (r.noFiles) return;
    const std::string name =
        o.input.empty() ? o.scene : std::filesystem::path(o.input).stem().string();
    const std::string base = std::string(kOutDir) + "/" + name;
    if (r.tracePath.empty()) r.tracePath = base + ".trace.jsonl";
    if (r.annotatePath.empty()) r.annotatePath = base + ".annotated.y4m";
    if (r.plotPath.empty()) r.plotPath = base + ".svg";
    std::error_code ec;
    std::filesystem::create_directories(kOutDir, ec);
}

void writeFiles(const CliRequest& r, const ReplayResult& result, std::ostream& out,
                std::ostream& err) {
    const ReplayOptions& o = r.o;
    const std::string title =
        "Quilbrand replay: " +
        (o.input.empty() ? "scene " + o.scene + ", seed " + std::to_string(o.seed) : o.input);
    if (!r.tracePath.empty()) {
        std::ofstream f(r.tracePath);
        writeTrace(result, f);
        if (!f) err << "quilbrand-replay: cannot write \"" << r.tracePath << "\"\n";
    }
    if (!r.plotPath.empty()) {
        std::ofstream f(r.plotPath);
        writePlot(result, title, f);
        if (!f) err << "quilbrand-replay: cannot write \"" << r.plotPath << "\"\n";
    }
    for (const auto* p : {&r.tracePath, &r.annotatePath, &r.plotPath}) {
        if (!p->empty()) out << "  wrote           " << *p << "\n";
    }
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CliRequest r = parseArgs(args);
    if (r.help) {
        out << helpText();
        return kExitOk;
    }
    if (!r.error.empty()) {
        err << "quilbrand-replay: " << r.error << "\n(see --help)\n";
        return kExitBad;
    }
    completeRequest(r);
    const ReplayOptions& o = r.o;
    ClipLabels labels;
    if (!r.labelsPath.empty()) {
        std::string why;
        if (!readClipLabels(r.labelsPath, labels, why)) {
            err << "quilbrand-replay: " << why << "\n";
            return kExitBad;
        }
    }
    out << "quilbrand-replay: "
        << (o.input.empty() ? "scene " + o.scene + " (seed " + std::to_string(o.seed) + ")"
                            : "\"" + o.input + "\"")
        << ", screen " << o.screenWidth << "x" << o.screenHeight
        << (o.keyboard ? ", keyboard program" : "")
        << (o.optionsFile.empty() ? ", default options" : ", options from " + o.optionsFile)
        << "\n";
    ReplayOutputs outputs;
    outputs.timeline = &out;
    outputs.annotatePath = r.annotatePath;
    const ReplayResult result = runReplay(o, outputs);
    if (result.ticks.empty() && result.exitCode != 0) {
        err << "quilbrand-replay: " << result.error << "\n";
        return result.exitCode;
    }
    writeSummary(result, out);
    writeFiles(r, result, out, err);
    if (r.score) {
        const std::string label = o.input.empty() ? o.scene + " seed " + std::to_string(o.seed)
                                                  : std::filesystem::path(o.input).stem().string();
        if (!scoreAndReport(o, result, r.labelsPath.empty() ? nullptr : &labels, label,
                            r.scoreJsonPath, out, err)) {
            return kExitBad;
        }
    }
    if (result.exitCode != 0) {
        err << "quilbrand-replay: " << result.error << "\n";
        err << "  (the " << result.ticks.size() << " ticks before it were played)\n";
    }
    return result.exitCode;
}

}  // namespace quil::sim
