#include "linux/app/dwell_ring.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace quil::lnx {

namespace {
// A full turn in QPainter's sixteenths of a degree; arcs start at three
// o'clock and run counter-clockwise.
constexpr int kFullTurn = 360 * 16;
constexpr int kTwelveOClock = 90 * 16;
constexpr int32_t kFull = 1000;
const QColor kTrackColour(60, 60, 60);
const QColor kFillColour(40, 200, 90);
}  // namespace

DwellRing::DwellRing()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setWindowTitle(QString::fromUtf8(kDwellRingTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kDwellRingDiameter, kDwellRingDiameter);
    // Without a compositor a window has no see-through pixels: its shape is
    // the ring itself, so the hole and the corners show what lies beneath.
    const QRect outer(0, 0, kDwellRingDiameter, kDwellRingDiameter);
    const QRect inner =
        outer.adjusted(kDwellRingBand, kDwellRingBand, -kDwellRingBand, -kDwellRingBand);
    setMask(QRegion(outer, QRegion::Ellipse).subtracted(QRegion(inner, QRegion::Ellipse)));
}

void DwellRing::showFill(ScreenPoint centre, int32_t thousandths) {
    thousandths = std::clamp(thousandths, 0, kFull);
    if (thousandths == 0) {
        fill_ = 0;
        hide();
        return;
    }
    const QPoint corner(centre.x - kDwellRingDiameter / 2, centre.y - kDwellRingDiameter / 2);
    if (pos() != corner) move(corner);
    if (thousandths != fill_) {
        fill_ = thousandths;
        update();
    }
    if (!isVisible()) {
        show();
        raise();
    }
}

void DwellRing::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), kTrackColour);
    const QRectF band = QRectF(rect()).adjusted(kDwellRingBand / 2.0, kDwellRingBand / 2.0,
                                                -kDwellRingBand / 2.0, -kDwellRingBand / 2.0);
    QPen pen(kFillColour, kDwellRingBand + 2, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    // Negative span: clockwise, as a clock's hand fills it.
    painter.drawArc(band, kTwelveOClock, -kFullTurn * fill_ / kFull);
}

}  // namespace quil::lnx
