// The simulated desktop with the on-screen keyboard's own rules behind it:
// the tracker's messages reach the same panel rules, layout and word
// suggestions the keyboard programs run, and what they type is kept as text,
// so that a run knows exactly what a simulated person wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "onscreen_keyboard/key_sink.h"
#include "onscreen_keyboard/panel_rules.h"
#include "onscreen_keyboard/suggestions.h"
#include "sim/sim_desktop.h"

namespace quil::sim {

// The text the keyboard typed, as the focused window would hold it.
class TextSink final : public osk::KeySink {
public:
    void typeCharacter(char32_t c) override;
    void typeSpecial(osk::SpecialKey key) override;
    void click(osk::Latch) override { ++clicks_; }

    [[nodiscard]] const std::u32string& text() const { return text_; }
    // Every character and special key sent so far: changes whenever a
    // press typed anything.
    [[nodiscard]] int64_t sent() const { return sent_; }
    void clear() { text_.clear(); }

private:
    std::u32string text_;
    int64_t sent_ = 0;
    int clicks_ = 0;
};

// The keyboard's window on the simulated screen.
class SimPanelWindow final : public osk::PanelWindow {
public:
    SimPanelWindow(int screenWidth, int screenHeight, std::function<osk::Point()> pointer)
        : screen_{screenWidth, screenHeight}, pointer_(std::move(pointer)) {}

    osk::WindowId handle() override { return kKeyboardWindow; }
    [[nodiscard]] bool shown() const override { return shown_; }
    void show() override { shown_ = true; }
    void hide() override { shown_ = false; }
    void place(const keyboard::Rect& r) override { placed_ = r; }
    [[nodiscard]] osk::Point origin() const override { return {placed_.left, placed_.top}; }
    [[nodiscard]] osk::ScreenSize screenSize() const override { return screen_; }
    [[nodiscard]] osk::Point pointer() const override { return pointer_(); }
    void repaint() override {}
    // Timers only light keys and make the right click: none matter here.
    void startTimer(osk::PanelTimer, int) override {}
    void later(std::function<void()> work) override { queued_.push_back(std::move(work)); }
    // What the event loop runs between frames.
    void runQueued();

    [[nodiscard]] const keyboard::Rect& placed() const { return placed_; }

private:
    osk::ScreenSize screen_;
    std::function<osk::Point()> pointer_;
    bool shown_ = false;
    keyboard::Rect placed_{};
    std::vector<std::function<void()>> queued_;
};

class TypingDesktop final : public SimDesktop {
public:
    // The word list for the suggestions' row (none when the file is
    // missing); learnt words are kept in memory only.
    TypingDesktop(TrackerState& state, int screenWidth, int screenHeight,
                  const std::filesystem::path& wordList);

    // As SimDesktop's, and the keyboard program's own work between frames:
    // it starts its rules once its window has appeared.
    void beginTick(int64_t tick);

    void showKeyboard(WindowHandle keyboard) override;
    void hideKeyboard(WindowHandle keyboard) override;
    void pressKeyboardKey(WindowHandle keyboard) override;
    void tellKeyboardClickOutside(WindowHandle keyboard) override;
    void tellKeyboardPointerOver(WindowHandle keyboard) override;
    void tellKeyboardPointerLeft(WindowHandle keyboard) override;
    void tellKeyboardDwell(WindowHandle keyboard, int32_t thousandths) override;
    void tellKeyboardSuggestions(WindowHandle keyboard, bool shown) override;

    // The keyboard is up and showing its keys where the tracker has them.
    [[nodiscard]] bool ready() const { return started_ && window_.shown(); }
    [[nodiscard]] const osk::PanelRules& panel() const { return panel_; }
    [[nodiscard]] const keyboard::Rect& keyboardRect() const { return window_.placed(); }
    [[nodiscard]] const TextSink& sink() const { return sink_; }
    // Forgets what was typed: the person clicks into an empty document.
    void startDocument();
    // The tracker's key presses the keyboard has heard since the document began.
    [[nodiscard]] int keyPresses() const { return keyPresses_; }

private:
    [[nodiscard]] bool ours(WindowHandle keyboard) const {
        return started_ && keyboard == kKeyboardWindow;
    }

    TrackerState& state_;
    TextSink sink_;
    SimPanelWindow window_;
    osk::KeyboardEvents events_;
    osk::Suggestions suggestions_;
    osk::PanelRules panel_;
    bool started_ = false;
    int keyPresses_ = 0;
};

}  // namespace quil::sim
