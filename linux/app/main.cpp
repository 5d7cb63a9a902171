// quilbrand: the hands-free mouse on an X11 desktop.
#include <QApplication>
#include <cstdio>

#include "linux/app/app.h"
#include "linux/app/camera_choice.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    // The program lives in the tray: closing a box or the eyes window is
    // not an exit.
    QApplication::setQuitOnLastWindowClosed(false);
    auto pointer = quil::lnx::X11Pointer::open();
    if (!pointer) {
        std::fputs("quilbrand: needs an X11 display with the XTest extension\n", stderr);
        return 1;
    }
    quil::lnx::App app(std::move(pointer), quil::lnx::makeCamera(), quil::lnx::findPlaces());
    quil::lnx::watchProgram(app);
    const int early = app.start();
    if (early >= 0) return early;
    return QApplication::exec();
}
