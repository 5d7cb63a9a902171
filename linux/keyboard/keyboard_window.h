// The keyboard's Qt window: frameless, above the others, never focused;
// it paints the keys and carries out what the portable rules ask of a
// window.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "onscreen_keyboard/panel_rules.h"
#include "tracker/desktop.h"

namespace quil::lnx {

inline constexpr char kKeyboardWindowTitle[] = "plakette";

class KeyboardWindow final : public QWidget, public osk::PanelWindow {
public:
    KeyboardWindow(std::function<ScreenPoint()> pointer, std::function<osk::ScreenSize()> screen);

    // Set once the rules exist: the window needs them to paint and to
    // pass on real clicks and timers.
    void attach(osk::PanelRules* rules) { rules_ = rules; }

    osk::WindowId handle() override;
    [[nodiscard]] bool shown() const override { return isVisible(); }
    void show() override;
    void hide() override { QWidget::hide(); }
    void place(const keyboard::Rect& r) override;
    [[nodiscard]] osk::Point origin() const override;
    [[nodiscard]] osk::ScreenSize screenSize() const override;
    [[nodiscard]] keyboard::Rect dockScreen() const override;
    [[nodiscard]] osk::Point pointer() const override;
    void repaint() override { update(); }
    void startTimer(osk::PanelTimer which, int ms) override;
    void later(std::function<void()> work) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void refuseFocus();
    void onEveryDesktop(bool mapped);
    [[nodiscard]] double scale() const;
    // Screen pixels to Qt's scaled ones and back.
    [[nodiscard]] int toQt(int pixels) const;
    [[nodiscard]] int toPixels(double qt) const;

    std::function<ScreenPoint()> pointer_;
    std::function<osk::ScreenSize()> screen_;
    osk::PanelRules* rules_ = nullptr;
    QTimer flash_;
    QTimer rightClick_;
};

// Paints the whole keyboard: dark keys with large light labels, the
// highlighted key in yellow, a typed key flashing white, latched keys blue.
void paintKeyboard(QPainter& painter, const osk::PanelRules& keys, int width, int height);

}  // namespace quil::lnx
