#include "sim/typing_cli.h"

#include <iomanip>
#include <iostream>
#include <optional>

#include "sim/pointing_run.h"
#include "sim/typing_run.h"

namespace quil::sim {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBad = 2;

struct Args {
    TypingOptions run;
    bool all = false;
};

std::string helpText() {
    return "Usage: quilbrand-typing [options]\n"
           "\n"
           "A simulated person types a sentence on the on-screen keyboard through the whole\n"
           "tracker: sits down, calibrates, tries the pointer out, then points the head at\n"
           "each key (or at the suggested word when the row offers it) and presses it with\n"
           "the gesture the options click with. The keyboard's own rules do the typing.\n"
           "Prints characters per minute (correct characters of the sentence per minute\n"
           "from the first key to the last), key presses and wrong characters.\n"
           "\n"
           "  --precise          the precise engine instead of the classic one\n"
           "  --suggestions      the word suggestions' row shown and used\n"
           "  --all              all four: both engines, with and without suggestions\n"
           "  --seed N           the person, their motor noise and the camera (default 1)\n"
           "  --sentence TEXT    what to type (default \"" +
           std::string(kDefaultSentence) +
           "\")\n"
           "  --fastest          the fast pointer and the short head range\n"
           "  --options-text T   the options' text, e.g. \"1 0 0 0 1 0 0 1 0 0 1 0 1 0 0\"\n"
           "  --words FILE       the suggestions' word list (default: the build's)\n"
           "  --model FILE       the precise engine's landmark model (default: the build's)\n"
           "  --trace            every press and the text so far, on stderr\n";
}

bool parse(const std::vector<std::string>& args, Args& a, std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--precise") {
            a.run.precise = true;
        } else if (arg == "--suggestions") {
            a.run.suggestions = true;
        } else if (arg == "--fastest") {
            a.run.optionsContent = kFastestOptionsText;
        } else if (arg == "--all") {
            a.all = true;
        } else if (arg == "--trace") {
            a.run.trace = &std::cerr;
        } else if (!hasValue) {
            err << "quilbrand-typing: unknown option or missing value: " << arg << "\n";
            return false;
        } else if (arg == "--seed") {
            const std::string& s = args[++i];
            if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != s.npos) {
                err << "quilbrand-typing: bad --seed\n";
                return false;
            }
            a.run.seed = std::stoull(s);
        } else if (arg == "--sentence") {
            a.run.sentence = args[++i];
        } else if (arg == "--options-text") {
            a.run.optionsContent = args[++i];
        } else if (arg == "--words") {
            a.run.wordList = args[++i];
        } else if (arg == "--model") {
            a.run.modelFile = args[++i];
        } else {
            err << "quilbrand-typing: unknown option " << arg << "\n";
            return false;
        }
    }
    return true;
}

std::string label(const TypingOptions& o) {
    return std::string(o.precise ? "precise" : "classic") +
           (o.suggestions ? ", suggestions" : ", letters only");
}

void printLine(const TypingOptions& o, const TypingOutcome& r, std::ostream& out) {
    out << "  " << std::left << std::setw(24) << label(o) << std::right << std::fixed
        << std::setprecision(1) << std::setw(5) << r.charactersPerMinute << " chars/min  presses "
        << std::setw(3) << r.keyPresses << " (" << r.suggestionsTaken << " words)  errors "
        << r.errors << "  " << r.typingSeconds << " s typing";
    if (!r.finished) out << "  UNFINISHED: " << r.stopReason;
    out << "\n    typed \"" << r.typed << "\"\n";
}

}  // namespace

int runTypingCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << helpText();
            return kExitOk;
        }
    }
    Args a;
    if (!parse(args, a, err)) return kExitBad;
    out << "Typing \"" << a.run.sentence << "\" ("
        << "seed " << a.run.seed << ")\n";
    std::vector<TypingOptions> runs;
    if (a.all) {
        for (const bool precise : {false, true}) {
            for (const bool suggestions : {false, true}) {
                TypingOptions o = a.run;
                o.precise = precise;
                o.suggestions = suggestions;
                runs.push_back(o);
            }
        }
    } else {
        runs.push_back(a.run);
    }
    for (const TypingOptions& o : runs) {
        const TypingOutcome r = runTyping(o);
        if (r.exitCode != 0) {
            err << "quilbrand-typing: " << label(o) << ": " << r.error << "\n";
            return r.exitCode;
        }
        printLine(o, r, out);
    }
    return kExitOk;
}

}  // namespace quil::sim
