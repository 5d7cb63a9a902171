#include "linux/app/eyes_window.h"

#include <QPainter>

#include "imaging/feature_set.h"

namespace quil::lnx {

EyesWindow::EyesWindow(QImage open, QImage closed, const QRect& over)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      open_(std::move(open)),
      closed_(std::move(closed)) {
    setWindowTitle(QStringLiteral("EYES"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setGeometry(over);
    connect(&blink_, &QTimer::timeout, this, [this] {
        shut_ = !shut_;
        update();
    });
    blink_.start(kEyesPeriodMs);
}

void EyesWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    // The picture keeps its place in a 640 x 480 view, scaled with the view.
    const double sx = static_cast<double>(width()) / kFrameCols;
    const double sy = static_cast<double>(height()) / kFrameRows;
    const QImage& picture = shut_ ? closed_ : open_;
    painter.drawImage(QRectF(kEyesPictureLeft * sx, kEyesPictureTop * sy, picture.width() * sx,
                             picture.height() * sy),
                      picture);
}

}  // namespace quil::lnx
