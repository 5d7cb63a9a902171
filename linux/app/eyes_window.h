// The eyes window: during calibration it covers the camera view with a face
// that opens and closes its eyes every 500 ms, prompting the user to blink.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace quil::lnx {

inline constexpr int kEyesPeriodMs = 500;
// Where the picture sits in the 640 x 480 view: centred.
inline constexpr int kEyesPictureLeft = 202;
inline constexpr int kEyesPictureTop = 40;

class EyesWindow final : public QWidget {
public:
    EyesWindow(QImage open, QImage closed, const QRect& over);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage open_;
    QImage closed_;
    bool shut_ = false;
    QTimer blink_;
};

}  // namespace quil::lnx
