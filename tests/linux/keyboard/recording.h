// Stand-ins for the keyboard window's two seams: a sink that records what
// is typed and clicked, and a window that records what it is asked to do.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "linux/keyboard/key_sink.h"
#include "linux/keyboard/panel_rules.h"

namespace quil::lnxtest {

struct RecordingSink final : lnx::KeySink {
    std::u32string typed;
    std::vector<osk::SpecialKey> specials;
    std::vector<osk::Latch> clicks;

    void typeCharacter(char32_t c) override { typed.push_back(c); }
    void typeSpecial(osk::SpecialKey key) override { specials.push_back(key); }
    void click(osk::Latch kind) override { clicks.push_back(kind); }
};

struct RecordingWindow final : lnx::PanelWindow {
    static constexpr WindowHandle kHandle = 0x4200007;

    bool visible = false;
    std::optional<keyboard::Rect> placed;
    lnx::ScreenSize screen{1024, 768};
    ScreenPoint pointerAt{};
    int repaints = 0;
    std::vector<std::pair<lnx::PanelTimer, int>> timers;
    std::vector<std::function<void()>> queued;

    WindowHandle handle() override { return kHandle; }
    [[nodiscard]] bool shown() const override { return visible; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    void place(const keyboard::Rect& r) override { placed = r; }
    [[nodiscard]] ScreenPoint origin() const override {
        return placed ? ScreenPoint{placed->left, placed->top} : ScreenPoint{};
    }
    [[nodiscard]] lnx::ScreenSize screenSize() const override { return screen; }
    [[nodiscard]] ScreenPoint pointer() const override { return pointerAt; }
    void repaint() override { ++repaints; }
    void startTimer(lnx::PanelTimer which, int ms) override { timers.emplace_back(which, ms); }
    void later(std::function<void()> work) override { queued.push_back(std::move(work)); }

    // Runs what the event loop would run next.
    void runQueued() {
        auto work = std::move(queued);
        queued.clear();
        for (auto& w : work) w();
    }
};

}  // namespace quil::lnxtest
