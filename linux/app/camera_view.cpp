#include "linux/app/camera_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "app_layer/texts.h"
#include "imaging/feature_set.h"

namespace quil::lnx {

CameraView::CameraView()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      picture_(kFrameCols, kFrameRows, QImage::Format_BGR888) {
    setWindowTitle(QString::fromUtf8(kMainTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);
    picture_.fill(Qt::black);
}

void CameraView::showFrame(std::span<const uint8_t> frame) {
    if (frame.size() < static_cast<size_t>(kFrameBytes)) return;
    // The tracker's rows run bottom-up; the picture's top-down.
    for (int row = 0; row < kFrameRows; ++row) {
        const uint8_t* from =
            frame.data() + static_cast<size_t>(kFrameRows - 1 - row) * kFrameRowBytes;
        std::memcpy(picture_.scanLine(row), from, kFrameRowBytes);
    }
    update();
}

void CameraView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(rect(), picture_);
}

void CameraView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClick) onClick();
}

}  // namespace quil::lnx
