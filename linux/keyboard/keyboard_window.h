// The keyboard's Qt window: frameless, above the others, never focused;
// it paints the keys and carries out what PanelRules asks of a window.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "linux/keyboard/panel_rules.h"

namespace quil::lnx {

inline constexpr char kKeyboardWindowTitle[] = "plakette";

class KeyboardWindow final : public QWidget, public PanelWindow {
public:
    KeyboardWindow(std::function<ScreenPoint()> pointer, std::function<ScreenSize()> screen);

    // Set once the rules exist: the window needs them to paint and to
    // pass on real clicks and timers.
    void attach(PanelRules* rules) { rules_ = rules; }

    WindowHandle handle() override;
    [[nodiscard]] bool shown() const override { return isVisible(); }
    void show() override;
    void hide() override { QWidget::hide(); }
    void place(const keyboard::Rect& r) override;
    [[nodiscard]] ScreenPoint origin() const override;
    [[nodiscard]] ScreenSize screenSize() const override;
    [[nodiscard]] ScreenPoint pointer() const override;
    void repaint() override { update(); }
    void startTimer(PanelTimer which, int ms) override;
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
    std::function<ScreenSize()> screen_;
    PanelRules* rules_ = nullptr;
    QTimer flash_;
    QTimer rightClick_;
};

// Paints the whole keyboard: dark keys with large light labels, the
// highlighted key in yellow, a typed key flashing white, latched keys blue.
void paintKeyboard(QPainter& painter, const osk::Plakette& keys, int width, int height);

}  // namespace quil::lnx
