// Typing into another program: the text box keeps the focus throughout and
// receives exactly what was typed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "keyboard_desktop.h"
#include "onscreen_keyboard/suggestions.h"

namespace quil::osk::wintest {
namespace {

namespace link = quil::keyboard;
using testing::keyOf;

// What the window shows, once it has stopped changing.
uint64_t steadyLook(HWND window) {
    uint64_t last = quil::wintest::clientFingerprint(window);
    uint64_t now = 0;
    pumpUntil([&] {
        now = quil::wintest::clientFingerprint(window);
        const bool same = now == last;
        last = now;
        return same;
    });
    return now;
}

std::string shown(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? std::string(1, static_cast<char>(c)) : "\\u" + std::to_string(c);
    return out;
}

TEST(Typing, KeysGoIntoTheFocusedTextBoxWhichKeepsTheFocus) {
    RunningKeyboard k = startKeyboard("typing");
    ASSERT_NE(k.window, nullptr);
    TextBox box;
    ASSERT_TRUE(box.hasFocus());

    struct Step {
        const Key* key;
        std::u16string after;
    };
    const Key& shift = keyOf(KeyKind::Shift);
    const Step steps[] = {
        {&keyOf(KeyKind::Letter, u'a'), u"a"},
        {&shift, u"a"},
        {&keyOf(KeyKind::Letter, u'\u00F1'), u"a\u00D1"},
        {&shift, u"a\u00D1"},
        {&keyOf(KeyKind::Letter, u'b'), u"a\u00D1B"},
        {&keyOf(KeyKind::DeadAccent), u"a\u00D1B"},
        {&keyOf(KeyKind::Letter, u'e'), u"a\u00D1B\u00E9"},
        {&keyOf(KeyKind::Space), u"a\u00D1B\u00E9 "},
        {&keyOf(KeyKind::Letter, u'x'), u"a\u00D1B\u00E9 x"},
        {&keyOf(KeyKind::Backspace), u"a\u00D1B\u00E9 "},
        {&keyOf(KeyKind::Enter), u"a\u00D1B\u00E9 \r\n"},
        {&keyOf(KeyKind::Symbol, u'1'), u"a\u00D1B\u00E9 \r\n1"},
    };
    for (const Step& s : steps) {
        pressKey(k.window, *s.key);
        EXPECT_TRUE(box.waitText(s.after)) << shown(box.text()) << " instead of " << shown(s.after);
        EXPECT_TRUE(box.hasFocus()) << "after " << shown(s.after);
    }

    // The tracker hides and shows the keyboard: the focus stays.
    ShowWindow(k.window, SW_HIDE);
    pressKey(k.window, keyOf(KeyKind::Letter, u'q'));
    pumpFor(300);
    EXPECT_EQ(box.text(), u"a\u00D1B\u00E9 \r\n1") << "a hidden keyboard typed";
    ShowWindow(k.window, SW_SHOW);
    pumpFor(300);
    EXPECT_TRUE(IsWindowVisible(k.window));
    EXPECT_TRUE(box.hasFocus()) << "showing the keyboard took the focus";

    // A key pressed with the real mouse types too, and takes no focus.
    pointAt(k.window, keyOf(KeyKind::Letter, u'z'));
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(box.waitText(u"a\u00D1B\u00E9 \r\n1z")) << shown(box.text());
    EXPECT_TRUE(box.hasFocus()) << "a mouse click on the keyboard took the focus";

    // A press on the border between two keys types nothing.
    const Key& q = keyOf(KeyKind::Letter, u'q');
    RECT r{};
    GetWindowRect(k.window, &r);
    movePointer(r.left + q.right, r.top + (q.top + q.bottom) / 2);
    tell(k.window, link::kMsgKeyPress, link::kKeyPressWParam, link::kKeyPressLParam);
    pumpFor(300);
    EXPECT_EQ(box.text(), u"a\u00D1B\u00E9 \r\n1z");
}

TEST(Typing, TheHighlightedKeyIsShown) {
    RunningKeyboard k = startKeyboard("highlight");
    ASSERT_NE(k.window, nullptr);
    const Key& g = keyOf(KeyKind::Letter, u'g');
    const uint64_t plain = steadyLook(k.window);
    pointAt(k.window, g);
    tell(k.window, link::kMsgPointerOver, link::kPointerOverWParam, 0);
    EXPECT_TRUE(pumpUntil([&] { return quil::wintest::clientFingerprint(k.window) != plain; }));
    pressKey(k.window, keyOf(KeyKind::DoubleClick));
    pointAt(k.window, g);
    tell(k.window, link::kMsgPointerOver, link::kPointerOverWParam, 0);
    quil::wintest::screenshot("keyboard_highlight");
    tell(k.window, link::kMsgPointerLeft);
    // A click outside reported while the pointer is over a key (so not
    // outside at all): the armed click is dropped rather than pressing it.
    tell(k.window, link::kMsgClickOutside);
    EXPECT_TRUE(pumpUntil([&] { return quil::wintest::clientFingerprint(k.window) == plain; }))
        << "the highlight and the armed click are gone";
}

// The user's learnt words, where the keyboard keeps them: removed, so that
// each run starts as a new user does.
std::filesystem::path freshUserWords() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    const auto file = std::filesystem::path(folder) / L"Quilbrand" / kUserWordsFile;
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return file;
}

// The window's size on the screen.
SIZE sizeOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// Turns the suggestions' row on as the tracker does, and waits for the
// window to grow by it at its dock: its bottom stays where it was.
bool showSuggestions(HWND keyboard) {
    RECT before{};
    GetWindowRect(keyboard, &before);
    if (!tell(keyboard, link::kMsgSuggestions, 1)) return false;
    return pumpUntil([&] {
        RECT now{};
        GetWindowRect(keyboard, &now);
        return now.bottom - now.top == link::kKeyboardHeightWithSuggestions &&
               now.bottom == before.bottom;
    });
}

// A sentence typed with a suggestion: "la cancion", then the offered
// "canción" sends two backspaces and "ón ". The slot it sits in is the one
// the same rules give in this process for the same keys. Without the
// tracker's word the keyboard is the 412 x 192 one, with no row.
TEST(Typing, AChosenSuggestionCompletesTheWordInTheTextBox) {
    const auto userFile = freshUserWords();
    ASSERT_FALSE(userFile.empty());
    RunningKeyboard k = startKeyboard("suggestions");
    ASSERT_NE(k.window, nullptr);
    EXPECT_EQ(sizeOf(k.window).cx, link::kKeyboardWidth);
    EXPECT_EQ(sizeOf(k.window).cy, link::kKeyboardHeight);
    ASSERT_TRUE(showSuggestions(k.window));
    const auto keyOf = [](KeyKind kind, char16_t base = 0) -> const Key& {
        return testing::keyOf(kind, base, true);
    };
    TextBox box;
    const auto list = std::filesystem::path(QUIL_KEYBOARD_PATH).parent_path() / kWordListFile;
    Suggestions same = Suggestions::load(list, {});
    for (const char16_t c : std::u16string_view(u"la cancion")) {
        const Key& key = c == u' ' ? keyOf(KeyKind::Space) : keyOf(KeyKind::Letter, c);
        pressKey(k.window, key);
        Typed t;
        t.text = std::u16string(1, c);
        same.typed(t);
    }
    ASSERT_TRUE(box.waitText(u"la cancion")) << shown(box.text());
    std::size_t slot = kSuggestionSlots;
    for (std::size_t i = 0; i < kSuggestionSlots; ++i) {
        if (same.word(i) == u"canci\u00F3n") slot = i;
    }
    ASSERT_LT(slot, kSuggestionSlots) << "the list offers no canci\u00F3n";
    const uint64_t before = steadyLook(k.window);
    pointAt(k.window, keyOf(KeyKind::Suggestion, static_cast<char16_t>(slot)));
    tell(k.window, link::kMsgPointerOver, link::kPointerOverWParam, 0);
    quil::wintest::screenshot("keyboard_suggestions");
    EXPECT_NE(steadyLook(k.window), before);
    pressKey(k.window, keyOf(KeyKind::Suggestion, static_cast<char16_t>(slot)));
    EXPECT_TRUE(box.waitText(u"la canci\u00F3n ")) << shown(box.text());
    EXPECT_TRUE(box.hasFocus());
    EXPECT_TRUE(pumpUntil([&] { return std::filesystem::exists(userFile); }))
        << "the learnt words were not saved";
    // Off again: the keys alone, as before.
    ASSERT_TRUE(tell(k.window, link::kMsgSuggestions, 0));
    EXPECT_TRUE(pumpUntil([&] { return sizeOf(k.window).cy == link::kKeyboardHeight; }));
}

// With the suggestions' row, the dwell's progress paints the key under the
// pointer filling, and its end paints it plain again.
TEST(Typing, TheDwellFillsTheKeyUnderThePointer) {
    RunningKeyboard k = startKeyboard("dwell");
    ASSERT_NE(k.window, nullptr);
    ASSERT_TRUE(showSuggestions(k.window));
    pointAt(k.window, testing::keyOf(KeyKind::Letter, u'g', true));
    tell(k.window, link::kMsgPointerOver, link::kPointerOverWParam, 0);
    const uint64_t highlighted = steadyLook(k.window);
    tell(k.window, link::kMsgDwellProgress, 600);
    EXPECT_TRUE(
        pumpUntil([&] { return quil::wintest::clientFingerprint(k.window) != highlighted; }));
    const uint64_t partly = steadyLook(k.window);
    tell(k.window, link::kMsgDwellProgress, 900);
    EXPECT_TRUE(pumpUntil([&] { return quil::wintest::clientFingerprint(k.window) != partly; }));
    tell(k.window, link::kMsgDwellProgress, 0);
    EXPECT_TRUE(
        pumpUntil([&] { return quil::wintest::clientFingerprint(k.window) == highlighted; }));
}

}  // namespace
}  // namespace quil::osk::wintest
