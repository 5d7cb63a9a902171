// The camera view: a frameless window above the others, without a task-bar
// entry, showing the latest frame scaled to its size (the large centred view
// while the head is searched, the corner preview while tracking).
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>

namespace quil::lnx {

class CameraView final : public QWidget {
public:
    CameraView();

    // A frame in the tracker's layout (640 x 480, rows bottom-up, B G R).
    void showFrame(std::span<const uint8_t> frame);
    // A word over the picture (the head's mode: scrolling, paused); empty
    // takes it away.
    void setNotice(const QString& notice);
    [[nodiscard]] const QString& notice() const { return notice_; }
    // Called when the user clicks the view.
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    QString notice_;
};

}  // namespace quil::lnx
