#include "linux/app/screens.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace quil::lnx {

// Qt's geometry is in pixels as long as no scale factor is set, which this
// program never sets.
ScreenRect allScreensUnion() {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens()) all = all.united(screen->geometry());
    if (all.isEmpty()) return {};
    return {all.x(), all.y(), all.width(), all.height()};
}

}  // namespace quil::lnx
