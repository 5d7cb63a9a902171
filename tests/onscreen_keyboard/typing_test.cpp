#include "onscreen_keyboard/typing.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "keys_for_tests.h"

namespace quil::osk {
namespace {

using testing::keyOf;

const Key& letter(char16_t c) { return keyOf(KeyKind::Letter, c); }
const Key& symbol(char16_t c) { return keyOf(KeyKind::Symbol, c); }
const Key& command(KeyKind kind) { return keyOf(kind); }
const Key& accent() { return keyOf(KeyKind::DeadAccent); }

// Presses the keys in order and joins the characters they type.
std::u16string typeAll(TypingState& t, std::initializer_list<const Key*> keys) {
    std::u16string out;
    for (const Key* k : keys) out += t.press(*k).text;
    return out;
}

TEST(Typing, ShiftIsOneShotAndCapsLockStaysAndBothTogetherGiveLowerCase) {
    TypingState t;
    const Key& shift = command(KeyKind::Shift);
    const Key& caps = command(KeyKind::CapsLock);
    EXPECT_EQ(typeAll(t, {&letter(u'a'), &shift, &letter(u'b'), &letter(u'c')}), u"aBc");
    EXPECT_EQ(typeAll(t, {&shift, &shift, &letter(u'd')}), u"d") << "shift pressed twice is off";
    EXPECT_EQ(typeAll(t, {&shift, &symbol(u'1'), &symbol(u'1')}), u"!1");
    EXPECT_EQ(typeAll(t, {&caps, &letter(u'e'), &letter(u'\u00F1'), &symbol(u'1')}), u"E\u00D11")
        << "caps lock turns letters only";
    EXPECT_EQ(typeAll(t, {&shift, &letter(u'f'), &letter(u'g')}), u"fG");
    EXPECT_TRUE(t.capsLock());
    EXPECT_EQ(typeAll(t, {&caps, &letter(u'h')}), u"h");
    EXPECT_EQ(typeAll(t, {&shift, &command(KeyKind::Space), &letter(u'i')}), u" i")
        << "space uses up the shift";
}

TEST(Typing, AccentsLandOnTheFollowingVowel) {
    TypingState t;
    const Key& shift = command(KeyKind::Shift);
    EXPECT_TRUE(t.press(accent()).text.empty());
    EXPECT_EQ(t.pendingAccent(), u'\u00B4');
    EXPECT_EQ(t.press(letter(u'e')).text, u"\u00E9");
    EXPECT_EQ(t.pendingAccent(), 0);
    EXPECT_EQ(typeAll(t, {&accent(), &letter(u'a'), &accent(), &letter(u'i'), &accent(),
                          &letter(u'o'), &accent(), &letter(u'u')}),
              u"\u00E1\u00ED\u00F3\u00FA");
    EXPECT_EQ(typeAll(t, {&shift, &accent(), &letter(u'u')}), u"\u00FC") << "diaeresis";
    EXPECT_EQ(typeAll(t, {&accent(), &shift, &letter(u'a')}), u"\u00C1");
    EXPECT_EQ(typeAll(t, {&command(KeyKind::CapsLock), &shift, &accent(), &letter(u'u')}),
              u"\u00DC");
}

TEST(Typing, AnAccentBeforeAnythingButAVowelIsKeptOrTakenBack) {
    TypingState t;
    EXPECT_EQ(typeAll(t, {&accent(), &letter(u'b')}), u"\u00B4b");
    EXPECT_EQ(typeAll(t, {&accent(), &letter(u'\u00F1')}), u"\u00B4\u00F1");
    EXPECT_EQ(typeAll(t, {&accent(), &command(KeyKind::Space)}), u"\u00B4");
    EXPECT_EQ(typeAll(t, {&accent(), &accent(), &letter(u'e')}), u"\u00B4e");

    // Backspace takes back the pending accent and erases nothing.
    t.press(accent());
    const Typed back = t.press(command(KeyKind::Backspace));
    EXPECT_EQ(back, Typed{});
    EXPECT_EQ(t.press(letter(u'e')).text, u"e");
    EXPECT_EQ(t.press(command(KeyKind::Backspace)).special, SpecialKey::Backspace);

    // Enter drops it.
    t.press(accent());
    const Typed enter = t.press(command(KeyKind::Enter));
    EXPECT_TRUE(enter.text.empty());
    EXPECT_EQ(enter.special, SpecialKey::Enter);
    EXPECT_EQ(t.pendingAccent(), 0);
}

TEST(Typing, CommandKeysTypeNothingAndKeepTheTypingState) {
    TypingState t;
    t.press(command(KeyKind::Shift));
    t.press(accent());
    t.press(command(KeyKind::Shift));
    const Typed hide = t.press(command(KeyKind::Hide));
    EXPECT_TRUE(hide.hide);
    EXPECT_TRUE(hide.text.empty());
    EXPECT_EQ(t.press(keyOf(KeyKind::Dock, u'4')).dock, u'4');
    EXPECT_EQ(t.press(command(KeyKind::DoubleClick)), Typed{});
    EXPECT_EQ(t.press(command(KeyKind::RightClick)), Typed{});
    EXPECT_EQ(t.press(letter(u'o')).text, u"\u00D6") << "shifted diaeresis, then shifted o";
}

TEST(Typing, ComposesEveryAccentedVowelAndNothingElse) {
    const std::u16string vowels = u"aeiouAEIOU";
    const std::u16string acute = u"\u00E1\u00E9\u00ED\u00F3\u00FA\u00C1\u00C9\u00CD\u00D3\u00DA";
    const std::u16string diaeresis =
        u"\u00E4\u00EB\u00EF\u00F6\u00FC\u00C4\u00CB\u00CF\u00D6\u00DC";
    for (std::size_t i = 0; i < vowels.size(); ++i) {
        EXPECT_EQ(composeAccent(u'\u00B4', vowels[i]), acute[i]);
        EXPECT_EQ(composeAccent(u'\u00A8', vowels[i]), diaeresis[i]);
    }
    EXPECT_EQ(composeAccent(u'\u00B4', u'y'), 0);
    EXPECT_EQ(composeAccent(u'x', u'a'), 0);
}

}  // namespace
}  // namespace quil::osk
