#include "linux/app/prompt_window.h"

#include <QFont>
#include <QPainter>

namespace quil::lnx {

PromptWindow::PromptWindow(QImage eyesClosed, QImage mouthOpen)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      eyesClosed_(std::move(eyesClosed)),
      mouthOpen_(std::move(mouthOpen)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
}

void PromptWindow::showStep(GesturePrompt prompt, const PromptRect& place) {
    if (prompt == GesturePrompt::None) {
        hide();
        return;
    }
    look_ = promptLook(prompt);
    // The caption is the window's title too, for the tests and screen readers.
    setWindowTitle(QString::fromUtf8(look_.caption));
    setGeometry(place.x, place.y, place.width, place.height);
    show();
    raise();
    update();
}

void PromptWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QImage* picture = look_.picture == PromptPicture::EyesClosed  ? &eyesClosed_
                            : look_.picture == PromptPicture::MouthOpen ? &mouthOpen_
                                                                        : nullptr;
    if (picture != nullptr) {
        const PromptRect to = promptPictureRect();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(to.x, to.y, to.width, to.height), *picture);
    }
    QFont font = painter.font();
    font.setPixelSize(kPromptFontPixels);
    font.setBold(true);
    painter.setFont(font);
    const PromptRect caption = promptCaptionRect(look_.picture);
    painter.drawText(QRect(caption.x, caption.y, caption.width, caption.height), Qt::AlignCenter,
                     QString::fromUtf8(look_.caption));
}

}  // namespace quil::lnx
