#include "linux/app/message_box.h"

namespace quil::lnx {

std::unique_ptr<QMessageBox> makeBox(const char* caption, const char* text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString::fromUtf8(caption),
                                             QString::fromUtf8(text), QMessageBox::Ok);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    return box;
}

void showBox(const char* caption, const char* text) { makeBox(caption, text)->exec(); }

}  // namespace quil::lnx
