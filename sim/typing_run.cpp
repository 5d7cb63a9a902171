#include "sim/typing_run.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "keyboard_link/keyboard_link.h"
#include "onscreen_keyboard/layout.h"
#include "options/options_file.h"
#include "prediction/text.h"
#include "sim/replay.h"
#include "sim/scene_phases.h"
#include "sim/typing_desktop.h"
#include "sim/y4m.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"

#ifndef QUIL_WORD_LIST
#define QUIL_WORD_LIST ""
#endif

namespace quil::sim {

namespace {

constexpr double kTickSeconds = static_cast<double>(kTickMs) / 1000.0;
// Sitting down, calibrating and trying the pointer out take well under this.
constexpr double kSetUpLimitSeconds = 90.0;
// Far longer than any one key takes a person who can still point.
constexpr double kSecondsPerCharacterLimit = 40.0;
// The run stops when the tracker has not followed the head for this long.
constexpr double kUntrackedLimitSeconds = 15.0;
// The steered phase lasts until the sentence is typed.
constexpr double kFollowSeconds = 1.0e6;
// A suggested word is worth its press when it saves at least this many
// letters still to type (its space comes with it).
constexpr std::size_t kMinLettersLeft = 2;
// The person's aim is traced this often (ticks).
constexpr int64_t kTraceEveryTicks = 4;

std::optional<SelectBy> clickGesture(const OptionsSnapshot& o) {
    if (o.click[1]) return SelectBy::Mouth;
    if (o.click[0]) return SelectBy::Eyes;
    if (o.click[2]) return SelectBy::Dwell;
    return std::nullopt;
}

std::u32string decoded(const std::string& utf8) {
    std::u32string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const predict::Decoded d = predict::decodeAt(utf8, at);
        out.push_back(d.cp);
        at += d.length;
    }
    return out;
}

std::string encoded(const std::u32string& text) {
    std::string out;
    for (const char32_t c : text) predict::appendUtf8(out, c);
    return out;
}

// The key that types c on its own: no shift, caps lock or accent.
std::optional<std::size_t> keyFor(char32_t c, bool row) {
    const std::span<const osk::Key> keys = osk::allKeys(row);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const osk::Key& k = keys[i];
        if (c == U' ' && k.kind == osk::KeyKind::Space) return i;
        const bool typesItself = k.kind == osk::KeyKind::Letter || k.kind == osk::KeyKind::Symbol;
        if (typesItself && c != U' ' && static_cast<char32_t>(k.base) == c) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> slotKey(std::size_t slot) {
    const std::span<const osk::Key> keys = osk::allKeys(true);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].kind == osk::KeyKind::Suggestion && keys[i].base == slot) return i;
    }
    return std::nullopt;
}

// What the person goes for next: a key, and where in the sentence its press
// takes them.
struct Aim {
    std::size_t key = 0;
    bool suggestion = false;
    std::size_t next = 0;
};

// The suggested word when the row offers the very word being typed and it
// saves keys; else the next character's key.
Aim nextAim(const std::u32string& sentence, std::size_t pos, const osk::PanelRules& panel) {
    const bool row = panel.keys().suggestionRow();
    const osk::Suggestions* words = panel.suggestions();
    if (row && words != nullptr && predict::isLetter(sentence[pos])) {
        std::size_t start = pos;
        while (start > 0 && predict::isLetter(sentence[start - 1])) --start;
        std::size_t end = pos;
        while (end < sentence.size() && predict::isLetter(sentence[end])) ++end;
        const std::u16string wanted = [&] {
            std::u16string w;
            for (std::size_t i = start; i < end; ++i) w += osk::toUtf16(sentence[i]);
            return w;
        }();
        for (std::size_t slot = 0; slot < osk::kSuggestionSlots && end - pos >= kMinLettersLeft;
             ++slot) {
            const auto key = slotKey(slot);
            if (key && words->word(slot) == wanted) {
                const bool spaceNext = end < sentence.size() && sentence[end] == U' ';
                return {*key, true, spaceNext ? end + 1 : end};
            }
        }
    }
    return {keyFor(sentence[pos], row).value_or(0), false, pos + 1};
}

ScreenView keyView(const TypingDesktop& desktop, const Aim& aim, int id) {
    const osk::Key& k = osk::allKeys(desktop.panel().keys().suggestionRow())[aim.key];
    const keyboard::Rect& at = desktop.keyboardRect();
    ScreenView v;
    v.pointerX = desktop.pointer().x;
    v.pointerY = desktop.pointer().y;
    v.targetLit = true;
    v.targetId = id;
    v.targetX = at.left + (k.left + k.right) / 2.0;
    v.targetY = at.top + (k.top + k.bottom) / 2.0;
    // The person aims for the key's narrower extent.
    v.targetWidth = std::min(k.right - k.left, k.bottom - k.top);
    return v;
}

LookTweaks stillLook() {
    LookTweaks look;
    look.wander = 0.0;  // the model user sways of their own accord
    return look;
}

std::string checkSentence(const std::u32string& sentence) {
    if (sentence.empty()) return "the sentence is empty";
    for (const char32_t c : sentence) {
        if (!keyFor(c, false)) {
            return "the sentence has a character no single key types: " + encoded({c});
        }
    }
    return {};
}

}  // namespace

int editDistance(const std::u32string& a, const std::u32string& b) {
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

TypingOutcome runTyping(const TypingOptions& o) {
    TypingOutcome out;
    const std::u32string sentence = decoded(o.sentence);
    out.targetLength = static_cast<int>(sentence.size());
    out.error = checkSentence(sentence);
    if (!out.error.empty()) {
        out.exitCode = 2;
        return out;
    }
    auto state = std::make_unique<TrackerState>();
    const std::string words = o.wordList.empty() ? std::string(QUIL_WORD_LIST) : o.wordList;
    auto desktop = std::make_unique<TypingDesktop>(*state, o.screenWidth, o.screenHeight, words);
    startTracker(*state, *desktop, o.screenWidth, o.screenHeight, {kMainWindow, kCaptureWindow},
                 o.optionsContent.empty() ? std::string(kDefaultOptionsText) : o.optionsContent);
    if (o.precise) out.error = choosePreciseEngine(*state, o.modelFile, "");
    const std::optional<SelectBy> select = clickGesture(state->shared.optionFlags.snapshot());
    if (out.error.empty() && !select) out.error = "the options give no gesture a click";
    if (!out.error.empty()) {
        out.exitCode = 2;
        return out;
    }
    out.selectBy = *select;
    state->shared.wordSuggestions = o.suggestions;

    ModelUser user(o.motor, *select, o.seed * 7919 + 17);
    Scene scene(
        "typing_test",
        phases::with(phases::calibrated(), {phases::hold(1.0), {Act::Follow, kFollowSeconds}}),
        o.seed, 0.0, o.noiseSigma, stillLook());
    std::vector<uint8_t> frame(kBgrBytes);
    UserView view;
    const double limit =
        kSetUpLimitSeconds + kSecondsPerCharacterLimit * static_cast<double>(sentence.size());
    bool following = false, typing = false;
    double lastTracked = 0.0, firstKey = -1.0, lastKey = -1.0;
    std::size_t pos = 0;
    int step = 0;
    int64_t sent = 0;
    Aim aim;
    int64_t tick = 0;
    for (;; ++tick) {
        const double t = static_cast<double>(tick) * kTickSeconds;
        if (t > limit) {
            out.stopReason = "ran out of time";
            break;
        }
        const bool rowAsWanted = desktop->panel().keys().suggestionRow() == o.suggestions;
        if (!typing && following && user.familiar() && desktop->ready() && rowAsWanted) {
            typing = true;
            desktop->startDocument();
            sent = desktop->sink().sent();
            if (o.trace) *o.trace << t << " typing begins\n";
        }
        if (typing && !desktop->ready()) {
            out.stopReason = "the keyboard was hidden";
            break;
        }
        if (following) {
            ScreenView seen;
            seen.pointerX = desktop->pointer().x;
            seen.pointerY = desktop->pointer().y;
            if (typing) {
                aim = nextAim(sentence, pos, desktop->panel());
                seen = keyView(*desktop, aim, step);
            }
            scene.steer(user.tick(t, seen));
            if (o.trace && typing && tick % kTraceEveryTicks == 0) {
                const keyboard::Rect& k = desktop->keyboardRect();
                *o.trace << t << " " << user.stageName() << " pointer " << seen.pointerX << " "
                         << seen.pointerY << " key " << seen.targetX << " " << seen.targetY
                         << " keyboard " << k.left << " " << k.top << " " << k.right << " "
                         << k.bottom << "\n";
            }
        }
        lookAtDesktop(view, *desktop, *state);
        if (!scene.advance(tick, view)) break;
        scene.render(frame);
        desktop->beginTick(tick);
        // The shells tell the keyboard its options at every tick.
        tellKeyboardOptions(*state, *desktop);
        const FrameReport report = frameCallback(*state, *desktop, frame);
        if (report.calibration) {
            ++view.calibrations;
            out.calibrated = true;
        }
        if (!following && !scene.marks().empty() && scene.marks().back().what == "follow") {
            following = true;
            if (o.trace) *o.trace << t << " calibrated, the person takes over the head\n";
        }
        if (report.loss != LossReason::None) ++out.losses;
        if (report.stateAfter == Tracking) lastTracked = t;
        if (!out.calibrated && t > kSetUpLimitSeconds) {
            out.stopReason = "not calibrated";
            break;
        }
        if (following && t - lastTracked > kUntrackedLimitSeconds) {
            out.stopReason = "the tracker lost the face";
            break;
        }
        if (o.trace) {
            for (const std::string& e : desktop->tickEvents()) {
                if (e != "pointer_over_msg" && e != "pointer_left_msg")
                    *o.trace << t << " " << e << "\n";
            }
        }
        // A press that typed anything moves the person on, right or wrong:
        // they fix nothing.
        if (typing && desktop->sink().sent() != sent) {
            sent = desktop->sink().sent();
            if (firstKey < 0) firstKey = t;
            lastKey = t;
            if (aim.suggestion) ++out.suggestionsTaken;
            if (o.trace) {
                *o.trace << t << " typed \"" << encoded(desktop->sink().text()) << "\""
                         << (aim.suggestion ? " (suggestion)" : "") << "\n";
            }
            pos = aim.next;
            ++step;
            if (pos >= sentence.size()) {
                out.finished = true;
                break;
            }
        }
    }
    out.seconds = static_cast<double>(tick) * kTickSeconds;
    out.keyPresses = desktop->keyPresses();
    std::u32string typed = desktop->sink().text();
    // A suggested last word brings its space along; the sentence has none.
    if (!typed.empty() && typed.back() == U' ' && sentence.back() != U' ') typed.pop_back();
    out.typed = encoded(typed);
    out.errors = editDistance(typed, sentence);
    out.typingSeconds = lastKey > firstKey ? lastKey - firstKey : 0.0;
    const int correct = std::max(0, out.targetLength - out.errors);
    if (out.typingSeconds > 0) out.charactersPerMinute = correct * 60.0 / out.typingSeconds;
    return out;
}

}  // namespace quil::sim
