#include "linux/app/tray_look.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "app_layer/texts.h"

namespace quil::lnx {

namespace {
// The pause mark: two upright bars in the lower right, on a pale plate so
// that it reads on any panel.
constexpr double kMarkShare = 0.55;
constexpr double kBarShare = 0.28;
const QColor kBarColour(200, 30, 30);
const QColor kPlateColour(255, 255, 255, 220);

// The icon's colours drained to grey, its transparency kept.
QImage greyed(QImage image) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(row[x]);
            row[x] = qRgba(grey, grey, grey, qAlpha(row[x]));
        }
    }
    return image;
}

QPixmap pausedPicture(const QIcon& normal, int size) {
    QImage image = greyed(normal.pixmap(size, size).toImage().scaled(size, size));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double mark = size * kMarkShare;
    const QRectF plate(size - mark, size - mark, mark, mark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPlateColour);
    painter.drawRect(plate);
    const double bar = mark * kBarShare;
    const double inset = mark * 0.15;
    painter.setBrush(kBarColour);
    painter.drawRect(QRectF(plate.left() + inset, plate.top() + inset, bar, mark - 2 * inset));
    painter.drawRect(
        QRectF(plate.right() - inset - bar, plate.top() + inset, bar, mark - 2 * inset));
    painter.end();
    return QPixmap::fromImage(image);
}
}  // namespace

QIcon pausedTrayIcon(const QIcon& normal) {
    QIcon icon;
    for (const int size : kTrayIconSizes) icon.addPixmap(pausedPicture(normal, size));
    return icon;
}

QString headModeNotice(HeadMode mode) {
    switch (mode) {
        case HeadMode::Paused:
            return QString::fromUtf8(kPausedNotice);
        case HeadMode::Scrolling:
            return QString::fromUtf8(kScrollingNotice);
        case HeadMode::Pointing:
            break;
    }
    return {};
}

QString trayToolTip(HeadMode mode) {
    const QString notice = headModeNotice(mode);
    const QString name = QString::fromUtf8(kMainTitle);
    return notice.isEmpty() ? name : name + QStringLiteral(" - ") + notice;
}

}  // namespace quil::lnx
