// The suggested words' row as the keyboard uses it: updated after each key,
// completing the chosen word with the right keys, its accents and capitals,
// learning what the user writes, keeping it in the user's file and
// forgetting it; and the dwell's fill on the key under the pointer.
#include "onscreen_keyboard/suggestions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../prediction/test_list.h"
#include "keys_for_tests.h"
#include "onscreen_keyboard/key_look.h"
#include "onscreen_keyboard/panel_rules.h"
#include "prediction/text.h"
#include "recording.h"

namespace quil::osk {
namespace {

namespace fs = std::filesystem;
namespace link = quil::keyboard;
using testing::RecordingSink;
using testing::RecordingWindow;

// The keys as they lie with the suggestions' row shown.
std::size_t indexOf(KeyKind kind, char16_t base = 0) { return testing::indexOf(kind, base, true); }
const Key& keyOf(KeyKind kind, char16_t base = 0) { return testing::keyOf(kind, base, true); }

class SuggestionsTest : public ::testing::Test {
protected:
    SuggestionsTest()
        : folder_(fs::temp_directory_path() /
                  ("quil-suggestions-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))),
          userFile_(folder_ / "palabras.txt") {
        fs::remove_all(folder_);
        suggestions = Suggestions(predict::Predictor(predict::testing::spanish()), userFile_);
        rules.useSuggestions(suggestions);
        rules.launch();
        window.runQueued();
        rules.showSuggestions(true);
    }
    ~SuggestionsTest() override { fs::remove_all(folder_); }

    void pointAt(const Key& k) {
        const Point o = window.origin();
        window.pointerAt = {o.x + (k.left + k.right) / 2, o.y + (k.top + k.bottom) / 2};
    }
    void press(KeyKind kind, char16_t base = 0) {
        pointAt(keyOf(kind, base));
        rules.pressKey();
    }
    // Each letter by its key; a space by the space bar.
    void type(std::u16string_view letters) {
        for (const char16_t c : letters) {
            if (c == u' ') {
                press(KeyKind::Space);
            } else {
                press(KeyKind::Letter, c);
            }
        }
    }
    void choose(std::size_t slot) { press(KeyKind::Suggestion, static_cast<char16_t>(slot)); }
    [[nodiscard]] std::u16string shown(std::size_t slot) const {
        return std::u16string(rules.look(indexOf(KeyKind::Suggestion, 0) + slot).word);
    }

    fs::path folder_;
    fs::path userFile_;
    Suggestions suggestions;
    RecordingWindow window;
    RecordingSink sink;
    KeyboardEvents events;
    PanelRules rules{window, sink, events};
};

TEST_F(SuggestionsTest, TheRowSitsAboveTheKeysItsButtonsAtLeastAsLargeAsALetter) {
    const Key& q = keyOf(KeyKind::Letter, u'q');
    for (std::size_t slot = 0; slot < kSuggestionSlots; ++slot) {
        const Key& s = allKeys(true)[indexOf(KeyKind::Suggestion) + slot];
        EXPECT_EQ(s.base, slot);
        EXPECT_GE(s.right - s.left, q.right - q.left);
        EXPECT_GE(s.bottom - s.top, q.bottom - q.top);
        EXPECT_LE(s.bottom, keyOf(KeyKind::Symbol, u'1').top);
    }
    EXPECT_LE(allKeys(true).back().bottom, link::kKeyboardHeightWithSuggestions);
}

TEST_F(SuggestionsTest, StartsWithCapitalisedCommonWordsAndNarrowsAfterEveryKey) {
    EXPECT_EQ(shown(0), u"De");  // a sentence's start
    type(u"ca");
    EXPECT_EQ(suggestions.text(), "ca");
    EXPECT_EQ(shown(0), u"Casa");
    press(KeyKind::Backspace);
    press(KeyKind::Backspace);
    type(u"la ca");
    EXPECT_EQ(shown(0), u"casa");
    type(u"nc");
    for (std::size_t slot = 0; slot < kSuggestionSlots; ++slot) {
        if (!shown(slot).empty()) {
            EXPECT_EQ(shown(slot).substr(0, 3), u"can");
        }
    }
    press(KeyKind::Backspace);
    press(KeyKind::Backspace);
    press(KeyKind::Backspace);
    EXPECT_EQ(suggestions.text(), "la c");
}

TEST_F(SuggestionsTest, ChoosingCompletesWithOnlyTheKeysThatDifferAndASpace) {
    type(u"la cancion");
    ASSERT_EQ(shown(0), u"canción");
    sink.typed.clear();
    choose(0);
    EXPECT_EQ(sink.specials,
              (std::vector<SpecialKey>{SpecialKey::Backspace, SpecialKey::Backspace}));
    EXPECT_EQ(sink.typed, U"ón ");
    EXPECT_EQ(suggestions.text(), "la canción ");
}

TEST_F(SuggestionsTest, ASentencesFirstWordComesCapitalised) {
    type(u"es");
    EXPECT_EQ(shown(0), u"España");
    press(KeyKind::Enter);
    type(u"ma");
    EXPECT_EQ(shown(0), u"Mañana");
    choose(0);
    EXPECT_EQ(suggestions.text(), "Mañana ");
    type(u"ma");
    EXPECT_EQ(shown(0), u"mañana");
}

TEST_F(SuggestionsTest, AnEmptySlotTypesNothingAndAShiftIsSpentOnTheWord) {
    type(u"el pingu");
    ASSERT_EQ(shown(0), u"pingüino");
    ASSERT_TRUE(shown(3).empty());
    sink.typed.clear();
    choose(3);
    EXPECT_TRUE(sink.typed.empty());
    press(KeyKind::Shift);
    choose(0);
    EXPECT_FALSE(rules.keys().typing().shift());
    EXPECT_EQ(suggestions.text(), "el pingüino ");
}

TEST_F(SuggestionsTest, WordsAreLearntSavedAndLoadedAgainThenForgottenByTwoPresses) {
    type(u"zapatilla zapatilla ");
    ASSERT_TRUE(fs::exists(userFile_));
    Suggestions again = Suggestions::load(folder_ / "no-list.words", userFile_);
    ASSERT_NE(again.predictor().userWords().word("zapatilla"), nullptr);
    type(u"za");
    EXPECT_EQ(shown(0), u"zapatilla");

    press(KeyKind::Forget);
    EXPECT_TRUE(suggestions.forgetArmed());
    rules.timerDone(PanelTimer::Flash);
    rules.pointerLeft();
    EXPECT_EQ(rules.look(indexOf(KeyKind::Forget)).faceColour, kLatchedFace);
    type(u"a");  // any other key disarms it
    EXPECT_FALSE(suggestions.forgetArmed());
    press(KeyKind::Forget);
    press(KeyKind::Forget);
    EXPECT_FALSE(fs::exists(userFile_));
    EXPECT_EQ(suggestions.predictor().userWords().word("zapatilla"), nullptr);
}

TEST_F(SuggestionsTest, AClickElsewhereOrHidingStartsAfresh) {
    type(u"la ca");
    rules.clickOutside();
    EXPECT_EQ(suggestions.text(), "");
    ASSERT_FALSE(shown(0).empty());
    EXPECT_EQ(shown(0)[0], u'L');  // "la", learnt at a sentence's start, capitalised
}

TEST_F(SuggestionsTest, WithoutAListTheRowIsEmptyAndTypingStillWorks) {
    Suggestions none = Suggestions::load(folder_ / "missing.words", folder_ / "palabras.txt");
    rules.useSuggestions(none);
    EXPECT_TRUE(shown(0).empty());
    type(u"hola ");
    EXPECT_EQ(sink.typed, U"hola ");
    choose(0);
    EXPECT_EQ(sink.typed, U"hola ");
}

TEST_F(SuggestionsTest, TheKeptTextStaysShortAndWholeCharacters) {
    for (int i = 0; i < 200; ++i) type(u"ñ");
    EXPECT_LE(suggestions.text().size(), kMaxKeptTextBytes);
    EXPECT_TRUE(predict::isValidUtf8(suggestions.text()));
}

TEST_F(SuggestionsTest, TheDwellFillsTheKeyUnderThePointerFromTheBottom) {
    const std::size_t q = indexOf(KeyKind::Letter, u'q');
    pointAt(allKeys(true)[q]);
    rules.trackerMessage(link::kMsgPointerOver);
    EXPECT_TRUE(rules.look(q).dwellFill.height() == 0);
    const int before = window.repaints;
    EXPECT_TRUE(rules.trackerMessage(link::kMsgDwellProgress, 500));
    EXPECT_GT(window.repaints, before);
    const KeyLook half = rules.look(q);
    EXPECT_EQ(half.dwellFill.bottom, half.face.bottom);
    EXPECT_NEAR(half.dwellFill.height(), half.face.height() / 2, 1);
    rules.trackerMessage(link::kMsgDwellProgress, 5000);  // never past full
    EXPECT_EQ(rules.look(q).dwellFill, rules.look(q).face);
    EXPECT_EQ(rules.look(indexOf(KeyKind::Letter, u'w')).dwellFill.height(), 0);
    rules.trackerMessage(link::kMsgPointerLeft);
    EXPECT_EQ(rules.dwellProgress(), 0);
}

}  // namespace
}  // namespace quil::osk
