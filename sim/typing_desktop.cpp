#include "sim/typing_desktop.h"

#include "keyboard_link/keyboard_link.h"

namespace quil::sim {

namespace link = quil::keyboard;

void TextSink::typeCharacter(char32_t c) {
    text_.push_back(c);
    ++sent_;
}

// Backspace takes back a character; Intro starts a line. Nothing else is sent.
void TextSink::typeSpecial(osk::SpecialKey key) {
    ++sent_;
    if (key == osk::SpecialKey::Backspace && !text_.empty()) text_.pop_back();
    if (key == osk::SpecialKey::Enter) text_.push_back(U'\n');
}

void SimPanelWindow::runQueued() {
    auto work = std::move(queued_);
    queued_.clear();
    for (auto& w : work) w();
}

TypingDesktop::TypingDesktop(TrackerState& state, int screenWidth, int screenHeight,
                             const std::filesystem::path& wordList)
    : SimDesktop(state, screenWidth, screenHeight, true),
      state_(state),
      window_(screenWidth, screenHeight,
              [this] {
                  const ScreenPoint p = pointer();
                  return osk::Point{p.x, p.y};
              }),
      events_(osk::asTrackerMessages(
          [&state](unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
              (void)handleKeyboardMessage(state, message, wParam, lParam);
          })),
      suggestions_(osk::Suggestions::load(wordList, {})),
      panel_(window_, sink_, events_) {
    panel_.useSuggestions(suggestions_);
}

// The simulated program announces itself and docks (SimDesktop); its rules
// start in the same place and say the same, which the tracker takes again.
void TypingDesktop::beginTick(int64_t tick) {
    SimDesktop::beginTick(tick);
    if (!started_ && keyboardVisible()) {
        started_ = true;
        panel_.launch();
    }
    window_.runQueued();
}

void TypingDesktop::showKeyboard(WindowHandle keyboard) {
    SimDesktop::showKeyboard(keyboard);
    if (ours(keyboard)) panel_.show();
}

void TypingDesktop::hideKeyboard(WindowHandle keyboard) {
    SimDesktop::hideKeyboard(keyboard);
    if (ours(keyboard)) panel_.hide();
}

void TypingDesktop::pressKeyboardKey(WindowHandle keyboard) {
    SimDesktop::pressKeyboardKey(keyboard);
    if (!ours(keyboard)) return;
    ++keyPresses_;
    (void)panel_.trackerMessage(link::kMsgKeyPress);
}

void TypingDesktop::tellKeyboardClickOutside(WindowHandle keyboard) {
    SimDesktop::tellKeyboardClickOutside(keyboard);
    if (ours(keyboard)) (void)panel_.trackerMessage(link::kMsgClickOutside);
}

void TypingDesktop::tellKeyboardPointerOver(WindowHandle keyboard) {
    SimDesktop::tellKeyboardPointerOver(keyboard);
    if (ours(keyboard)) (void)panel_.trackerMessage(link::kMsgPointerOver);
}

void TypingDesktop::tellKeyboardPointerLeft(WindowHandle keyboard) {
    SimDesktop::tellKeyboardPointerLeft(keyboard);
    if (ours(keyboard)) (void)panel_.trackerMessage(link::kMsgPointerLeft);
}

void TypingDesktop::tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) {
    if (ours(keyboard) && thousandths >= 0) {
        (void)panel_.trackerMessage(link::kMsgDwellProgress,
                                    static_cast<std::uintptr_t>(thousandths));
    }
}

void TypingDesktop::tellKeyboardSuggestions(WindowHandle keyboard, bool shown) {
    if (ours(keyboard)) (void)panel_.trackerMessage(link::kMsgSuggestions, shown ? 1 : 0);
}

// A click elsewhere, as the tracker would tell it, then a fresh page.
void TypingDesktop::startDocument() {
    if (started_) (void)panel_.trackerMessage(link::kMsgClickOutside);
    sink_.clear();
    keyPresses_ = 0;
}

}  // namespace quil::sim
