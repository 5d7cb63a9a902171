// Stand-ins for the keyboard rules' two seams: a sink that records what is
// typed and clicked, and a window that records what it is asked to do.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "onscreen_keyboard/key_sink.h"
#include "onscreen_keyboard/panel_rules.h"

namespace quil::osk::testing {

struct RecordingSink final : KeySink {
    std::u32string typed;
    std::vector<SpecialKey> specials;
    std::vector<Latch> clicks;

    void typeCharacter(char32_t c) override { typed.push_back(c); }
    void typeSpecial(SpecialKey key) override { specials.push_back(key); }
    void click(Latch kind) override { clicks.push_back(kind); }
};

struct RecordingWindow final : PanelWindow {
    static constexpr WindowId kHandle = 0x4200007;

    bool visible = false;
    std::optional<keyboard::Rect> placed;
    ScreenSize screen{1024, 768};
    // The monitor holding the pointer, when not the tracker's screen.
    std::optional<keyboard::Rect> monitor;
    Point pointerAt{};
    int repaints = 0;
    std::vector<std::pair<PanelTimer, int>> timers;
    std::vector<std::function<void()>> queued;
    // Called on each change of visibility, as Windows tells a window of
    // its showing and hiding, whoever asked for it.
    std::function<void(bool shown)> onVisibility;

    WindowId handle() override { return kHandle; }
    [[nodiscard]] bool shown() const override { return visible; }
    void show() override { setVisible(true); }
    void hide() override { setVisible(false); }
    void setVisible(bool v) {
        const bool changed = v != visible;
        visible = v;
        if (changed && onVisibility) onVisibility(v);
    }
    void place(const keyboard::Rect& r) override { placed = r; }
    [[nodiscard]] Point origin() const override {
        return placed ? Point{placed->left, placed->top} : Point{};
    }
    [[nodiscard]] ScreenSize screenSize() const override { return screen; }
    [[nodiscard]] keyboard::Rect dockScreen() const override {
        return monitor ? *monitor : PanelWindow::dockScreen();
    }
    [[nodiscard]] Point pointer() const override { return pointerAt; }
    void repaint() override { ++repaints; }
    void startTimer(PanelTimer which, int ms) override { timers.emplace_back(which, ms); }
    void later(std::function<void()> work) override { queued.push_back(std::move(work)); }

    // Runs what the event loop would run next.
    void runQueued() {
        auto work = std::move(queued);
        queued.clear();
        for (auto& w : work) w();
    }
};

}  // namespace quil::osk::testing
