#include "linux/app/camera_view.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "app_layer/texts.h"
#include "imaging/feature_set.h"

namespace quil::lnx {

namespace {
// The notice's letters: a tenth of the view's height, never unreadably small.
constexpr int kNoticeHeightShare = 10;
constexpr int kNoticeMinPixels = 12;
constexpr int kNoticeMargin = 4;
const QColor kNoticeBand(0, 0, 0, 170);
}  // namespace

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

void CameraView::setNotice(const QString& notice) {
    if (notice == notice_) return;
    notice_ = notice;
    update();
}

// The notice sits in a dark band across the top, its letters a fraction of
// the view's height so that the corner view and the large one both read.
void CameraView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(rect(), picture_);
    if (notice_.isEmpty()) return;
    QFont font = painter.font();
    font.setPixelSize(std::max(kNoticeMinPixels, height() / kNoticeHeightShare));
    font.setBold(true);
    painter.setFont(font);
    const int band = QFontMetrics(font).height() + 2 * kNoticeMargin;
    const QRect area(0, 0, width(), std::min(band, height()));
    painter.fillRect(area, kNoticeBand);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, notice_);
}

void CameraView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClick) onClick();
}

}  // namespace quil::lnx
