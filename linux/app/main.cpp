// quilbrand: the hands-free mouse on a Linux desktop.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "linux/app/app.h"
#include "linux/app/camera_choice.h"
#include "linux/desktop/uinput_pointer.h"
#include "linux/desktop/x11_pointer.h"

namespace {

constexpr char kNoUinputText[] = "No se puede mover el puntero: falta el acceso a /dev/uinput";

bool onWayland() {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    return (session != nullptr && std::strcmp(session, "wayland") == 0) ||
           std::getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const bool wayland = onWayland();
    // On Wayland a program may neither place its windows nor move the
    // pointer. The windows go through XWayland, where the camera view can
    // sit in its corner; the pointer is a virtual input device.
    if (wayland && std::getenv("DISPLAY") != nullptr) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication qt(argc, argv);
    // The program lives in the tray: closing a box or the eyes window is
    // not an exit.
    QApplication::setQuitOnLastWindowClosed(false);

    static quil::lnx::SystemUinputCalls uinputCalls;
    std::unique_ptr<quil::lnx::PointerDevice> pointer;
    if (wayland) {
        const QSize screen = QGuiApplication::primaryScreen()->size();
        pointer = quil::lnx::UinputPointer::create(uinputCalls, screen.width(), screen.height());
        if (!pointer) {
            QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(quil::kWarningCaption),
                            QString::fromUtf8(kNoUinputText), QMessageBox::Ok);
            box.exec();
            return 0;
        }
    } else {
        pointer = quil::lnx::X11Pointer::open();
        if (!pointer) {
            std::fputs("quilbrand: needs an X11 display with the XTest extension\n", stderr);
            return 1;
        }
    }
    quil::lnx::App app(std::move(pointer), quil::lnx::makeCamera(), quil::lnx::findPlaces());
    quil::lnx::watchProgram(app);
    const int early = app.start();
    if (early >= 0) return early;
    return QApplication::exec();
}
