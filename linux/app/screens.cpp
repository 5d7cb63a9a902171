#include "linux/app/screens.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <algorithm>

namespace quil::lnx {

// Qt's geometry is in pixels as long as no scale factor is set, which this
// program never sets.
ScreenRect allScreensUnion() {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens()) all = all.united(screen->geometry());
    if (all.isEmpty()) return {};
    return {all.x(), all.y(), all.width(), all.height()};
}

ScreenRect primaryScreenRect(int32_t rootWidth, int32_t rootHeight) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const ScreenRect root{0, 0, rootWidth, rootHeight};
    if (primary == nullptr) return root;
    const QRect g = primary->geometry();
    if (g.topLeft() != QPoint(0, 0) || g.isEmpty()) return root;
    return {0, 0, std::min(g.width(), rootWidth), std::min(g.height(), rootHeight)};
}

}  // namespace quil::lnx
