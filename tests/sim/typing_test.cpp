// Typing through the whole tracker: the keyboard's own rules behind the
// simulated desktop, and a short sentence typed by the model person.
#include <gtest/gtest.h>

#include "keyboard_link/keyboard_link.h"
#include "onscreen_keyboard/layout.h"
#include "options/options_file.h"
#include "sim/typing_desktop.h"
#include "sim/typing_run.h"
#include "tracker/startup.h"

namespace quil::sim {
namespace {

TEST(TypingPieces, EditDistanceCountsWrongMissingAndExtraCharacters) {
    EXPECT_EQ(editDistance(U"", U""), 0);
    EXPECT_EQ(editDistance(U"", U"abc"), 3);
    EXPECT_EQ(editDistance(U"abc", U""), 3);
    EXPECT_EQ(editDistance(U"casa", U"casa"), 0);
    EXPECT_EQ(editDistance(U"caza", U"casa"), 1);
    EXPECT_EQ(editDistance(U"cas", U"casa"), 1);
    EXPECT_EQ(editDistance(U"cassa", U"casa"), 1);
    EXPECT_EQ(editDistance(U"niño", U"nino"), 1);
    EXPECT_EQ(editDistance(U"el perro", U"le perro"), 2);
}

TEST(TypingPieces, TheSinkKeepsTheTextAsTheWindowWouldHoldIt) {
    TextSink sink;
    sink.typeSpecial(osk::SpecialKey::Backspace);  // nothing to take back
    EXPECT_EQ(sink.text(), U"");
    sink.typeCharacter(U'a');
    sink.typeCharacter(U'ñ');
    sink.typeSpecial(osk::SpecialKey::Backspace);
    sink.typeSpecial(osk::SpecialKey::Enter);
    EXPECT_EQ(sink.text(), U"a\n");
    EXPECT_EQ(sink.sent(), 5);
}

// The keyboard's rules and the tracker agree on where the keys are, the
// suggestions' row included, and a press types the key under the pointer.
TEST(TypingPieces, TheKeyboardsRulesStandWhereTheTrackerHasThem) {
    constexpr int kWidth = 1024, kHeight = 768;
    TrackerState state;
    TypingDesktop desktop(state, kWidth, kHeight, "");
    startTracker(state, desktop, kWidth, kHeight, {kMainWindow, kCaptureWindow},
                 kDefaultOptionsText);
    desktop.launchKeyboard();
    int64_t tick = 0;
    for (; tick < 2 * kKeyboardHelloDelay && !desktop.ready(); ++tick) desktop.beginTick(tick);
    ASSERT_TRUE(desktop.ready());
    for (const bool row : {false, true}) {
        state.shared.wordSuggestions = row;
        tellKeyboardOptions(state, desktop);
        desktop.beginTick(++tick);
        const keyboard::Rect& r = desktop.keyboardRect();
        EXPECT_EQ(desktop.panel().keys().suggestionRow(), row);
        EXPECT_EQ(state.keyboard.left, r.left);
        EXPECT_EQ(state.keyboard.top, r.top);
        EXPECT_EQ(state.keyboard.right, r.right);
        EXPECT_EQ(state.keyboard.bottom, r.bottom);
        EXPECT_EQ(r.bottom - r.top, keyboard::keyboardHeight(row));
    }
    const keyboard::Rect& r = desktop.keyboardRect();
    for (const osk::Key& k : osk::allKeys(true)) {
        if (k.kind != osk::KeyKind::Letter || k.base != u'q') continue;
        desktop.setCursorPos(r.left + (k.left + k.right) / 2, r.top + (k.top + k.bottom) / 2);
    }
    desktop.startDocument();
    desktop.pressKeyboardKey(kKeyboardWindow);
    desktop.pressKeyboardKey(kKeyboardWindow + 1);  // not the keyboard's window
    EXPECT_EQ(desktop.sink().text(), U"q");
    EXPECT_EQ(desktop.keyPresses(), 1);
    // A press on the border between two keys types nothing.
    desktop.setCursorPos(r.left, r.top);
    desktop.pressKeyboardKey(kKeyboardWindow);
    EXPECT_EQ(desktop.sink().text(), U"q");
}

TEST(TypingRun, SentencesNoSingleKeyTypesAreRefused) {
    for (const char* sentence : {"", "El perro", "canción", "a\tb"}) {
        TypingOptions o;
        o.sentence = sentence;
        const TypingOutcome r = runTyping(o);
        EXPECT_EQ(r.exitCode, 2) << sentence;
        EXPECT_FALSE(r.error.empty()) << sentence;
    }
}

// The whole tracker, briefly: calibration, trying the pointer out quickly,
// then two short words with the suggestions' row, the classic engine and the
// default options (the mouth clicks).
TEST(TypingRun, TwoWordsAreTypedWithTheSuggestionsRow) {
    TypingOptions o;
    // "la" is among the commonest words, so the row offers it after "a ".
    o.sentence = "a la";
    o.seed = 1;
    o.suggestions = true;
    o.motor.tryWaitSeconds = 1.5;
    const TypingOutcome r = runTyping(o);
    ASSERT_EQ(r.exitCode, 0) << r.error;
    EXPECT_TRUE(r.calibrated);
    ASSERT_TRUE(r.finished) << r.stopReason;
    EXPECT_EQ(r.selectBy, SelectBy::Mouth);
    EXPECT_EQ(r.typed, "a la");
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(r.targetLength, 4);
    // Every press typed something, and a suggested word saved some.
    EXPECT_GE(r.keyPresses, 1);
    EXPECT_LE(r.keyPresses, r.targetLength);
    EXPECT_EQ(r.keyPresses<r.targetLength, r.suggestionsTaken> 0);
    // A head-typist manages a few to a few dozen characters a minute.
    EXPECT_GT(r.charactersPerMinute, 2.0);
    EXPECT_LT(r.charactersPerMinute, 120.0);
    EXPECT_GT(r.typingSeconds, 0.0);
    EXPECT_EQ(r.losses, 0);
}

}  // namespace
}  // namespace quil::sim
