// The suggested words' row as an option: without it the keyboard is the
// 412 x 192 one it always was; the tracker's message adds the row above the
// keys, the window grows at its dock and the tracker hears the new size.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../prediction/test_list.h"
#include "keys_for_tests.h"
#include "onscreen_keyboard/panel_rules.h"
#include "recording.h"

namespace quil::osk {
namespace {

namespace fs = std::filesystem;
namespace link = quil::keyboard;
using testing::keyOf;
using testing::RecordingSink;
using testing::RecordingWindow;

struct Message {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    friend bool operator==(const Message&, const Message&) = default;
};

// With the row every other key keeps its index and lies one row lower; the
// row's keys come last and sit in the top row; keyAt agrees on every pixel.
TEST(SuggestionRowLayout, TheKeysMoveDownByTheRowAndKeepTheirIndices) {
    const auto below = allKeys(false);
    const auto tall = allKeys(true);
    ASSERT_EQ(tall.size(), below.size() + kSuggestionSlots + 1);
    for (std::size_t i = 0; i < below.size(); ++i) {
        EXPECT_EQ(tall[i].kind, below[i].kind) << i;
        EXPECT_EQ(tall[i].base, below[i].base) << i;
        EXPECT_EQ(tall[i].left, below[i].left) << i;
        EXPECT_EQ(tall[i].top, below[i].top + link::kSuggestionRowHeight) << i;
    }
    for (std::size_t i = below.size(); i < tall.size(); ++i) {
        EXPECT_TRUE(tall[i].kind == KeyKind::Suggestion || tall[i].kind == KeyKind::Forget);
        EXPECT_EQ(tall[i].top, kMarginY);
    }
    for (const Key& k : below) EXPECT_NE(k.kind, KeyKind::Suggestion);
    EXPECT_EQ(below.back().bottom + kMarginY, link::kKeyboardHeight);
    EXPECT_EQ(tall[below.size() - 1].bottom + kMarginY, link::kKeyboardHeightWithSuggestions);

    for (int y = -3; y < link::kKeyboardHeightWithSuggestions + 3; ++y) {
        for (int x = -3; x < link::kKeyboardWidth + 3; ++x) {
            std::optional<std::size_t> expected;
            for (std::size_t i = 0; i < tall.size(); ++i) {
                if (tall[i].contains(x, y)) expected = i;
            }
            ASSERT_EQ(keyAt(x, y, true), expected) << x << "," << y;
        }
    }
}

TEST(SuggestionRowLayout, TheTallerKeyboardKeepsTheGapBelowAtTheBottomDocks) {
    const int h = link::kKeyboardHeightWithSuggestions;
    EXPECT_EQ(link::dockRect(link::kDockBottomCentre, 1024, 768, h),
              (link::Rect{306, 768 - 30 - h, 718, 738}));
    EXPECT_EQ(link::dockRect(link::kDockTopRight, 1024, 768, h), (link::Rect{612, 0, 1024, h}));
    EXPECT_EQ(link::placedRect(link::placeOf(-500, 40), h), (link::Rect{-500, 40, -88, 40 + h}));
    // Without a height, the table as it always was.
    EXPECT_EQ(link::dockRect(link::kDockTopLeft, 1024, 768), (link::Rect{0, 0, 412, 192}));
}

class SuggestionRowTest : public ::testing::Test {
protected:
    SuggestionRowTest()
        : folder_(fs::temp_directory_path() /
                  ("quil-row-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
        fs::remove_all(folder_);
        suggestions = Suggestions(predict::Predictor(predict::testing::spanish()), userFile());
        events = asTrackerMessages([this](unsigned m, std::uintptr_t w, std::intptr_t l) {
            messages.push_back({m, w, l});
        });
        rules.useSuggestions(suggestions);
        rules.launch();
        window.runQueued();
        messages.clear();
    }
    ~SuggestionRowTest() override { fs::remove_all(folder_); }

    [[nodiscard]] fs::path userFile() const { return folder_ / "palabras.txt"; }
    void press(KeyKind kind, char16_t base = 0) {
        const Key& k = keyOf(kind, base, rules.keys().suggestionRow());
        const Point o = window.origin();
        window.pointerAt = {o.x + (k.left + k.right) / 2, o.y + (k.top + k.bottom) / 2};
        rules.pressKey();
    }

    fs::path folder_;
    Suggestions suggestions;
    RecordingWindow window;
    RecordingSink sink;
    KeyboardEvents events;
    PanelRules rules{window, sink, events};
    std::vector<Message> messages;
};

TEST_F(SuggestionRowTest, OffTheKeyboardIsAsItWasLearningNothingFillingNothing) {
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomCentre, 1024, 768));
    EXPECT_EQ(rules.height(), 192);
    EXPECT_EQ(rules.keys().keys().size(), allKeys().size());
    press(KeyKind::Letter, u'h');
    press(KeyKind::Letter, u'o');
    press(KeyKind::Space);
    EXPECT_EQ(sink.typed, U"ho ");
    EXPECT_EQ(suggestions.text(), "");
    EXPECT_FALSE(fs::exists(userFile()));
    const int repaints = window.repaints;
    rules.trackerMessage(link::kMsgDwellProgress, 500);
    EXPECT_EQ(rules.dwellProgress(), 0);
    EXPECT_EQ(window.repaints, repaints);
    // Off again changes nothing and tells nothing.
    EXPECT_TRUE(rules.trackerMessage(link::kMsgSuggestions, 0));
    EXPECT_TRUE(messages.empty());
}

TEST_F(SuggestionRowTest, OnItGrowsAtItsDockAndTellsTheTrackerThenShrinksBack) {
    const int tall = link::kKeyboardHeightWithSuggestions;
    EXPECT_TRUE(rules.trackerMessage(link::kMsgSuggestions, 1));
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomCentre, 1024, 768, tall));
    EXPECT_EQ(messages,
              (std::vector<Message>{{link::kMsgKeyboardDock,
                                     link::kDockBottomCentre | link::kDockSuggestionRow, 0}}));
    rules.trackerMessage(link::kMsgSuggestions, 1);  // told again: nothing new
    EXPECT_EQ(messages.size(), 1U);

    // Another monitor: the place and the height both said.
    messages.clear();
    window.monitor = link::Rect{1024, 0, 2304, 1024};
    press(KeyKind::Dock, u'2');
    const link::Rect bottomLeft{1024, 1024 - 30 - tall, 1024 + 412, 1024 - 30};
    EXPECT_EQ(window.placed, bottomLeft);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].wParam,
              link::kDockBottomLeft | link::kDockPlaced | link::kDockSuggestionRow);
    EXPECT_EQ(link::placedRect(messages[0].lParam, tall), bottomLeft);

    // Off: back to the keys alone, on the monitor under the pointer.
    messages.clear();
    window.monitor.reset();
    rules.trackerMessage(link::kMsgSuggestions, 0);
    EXPECT_EQ(window.placed, link::dockRect(link::kDockBottomLeft, 1024, 768));
    EXPECT_EQ(messages, (std::vector<Message>{{link::kMsgKeyboardDock, link::kDockBottomLeft, 0}}));
}

TEST_F(SuggestionRowTest, OnTheRowOffersWordsAndAnArmedClickStillKnowsTheWholeWindow) {
    rules.showSuggestions(true);
    press(KeyKind::Letter, u'c');
    press(KeyKind::Letter, u'a');
    EXPECT_EQ(suggestions.text(), "ca");
    EXPECT_FALSE(rules.look(testing::indexOf(KeyKind::Suggestion, 0, true)).word.empty());
    // A double click armed, then made over the suggestions' row: dropped,
    // as anywhere over the keyboard.
    press(KeyKind::DoubleClick);
    const Key& word = keyOf(KeyKind::Suggestion, 0, true);
    const Point o = window.origin();
    window.pointerAt = {o.x + word.left + 2, o.y + word.top + 2};
    rules.clickOutside();
    EXPECT_TRUE(sink.clicks.empty());
    // The row shown again from off starts afresh.
    rules.showSuggestions(false);
    rules.showSuggestions(true);
    EXPECT_EQ(suggestions.text(), "");
    EXPECT_FALSE(rules.keys().highlighted());
}

}  // namespace
}  // namespace quil::osk
