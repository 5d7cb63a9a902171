#include "linux/app/options_window.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cstddef>
#include <iterator>
#include <system_error>
#include <utility>

namespace quil::lnx {

namespace {

constexpr QColor kBorderColour{0, 0, 0};
constexpr QColor kFallbackTick{20, 90, 215};
static_assert(std::size(kOptionButtonWords) == kOptionCols);

// Should the picture be missing the window stays usable: the cells are drawn
// as plain frames and the buttons get their words, so the user can still
// find OK, CANCEL and EXIT with the pointer held to the window.
void paintFallback(QPainter& painter, int width, int height) {
    painter.fillRect(0, 0, width, height, Qt::white);
    painter.setPen(Qt::black);
    for (int row = 0; row < kOptionRows; ++row) {
        const OptionLayoutRow& cells = kOptionLayout[static_cast<std::size_t>(row)];
        for (int col = 0; col < cells.count; ++col) {
            const OptionRect& c = cells.cells[static_cast<std::size_t>(col)];
            // The frame covers the border lines themselves, both ends.
            const QRect frame(c.left, c.top, c.right - c.left, c.bottom - c.top);
            painter.drawRect(frame);
            if (row == kButtonRow) {
                painter.drawText(frame, Qt::AlignCenter,
                                 QString::fromLatin1(kOptionButtonWords[col]));
            }
        }
    }
}

}  // namespace

OptionsWindow::OptionsWindow(TrackerState& s, Desktop& desktop, std::filesystem::path file,
                             QImage picture, QImage checkMark, std::function<void()> exitProgram)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      s_(s),
      desktop_(desktop),
      file_(std::move(file)),
      picture_(std::move(picture)),
      checkMark_(std::move(checkMark)),
      exitProgram_(std::move(exitProgram)) {
    setWindowTitle(QString::fromLatin1(kOptionsTitle));
    setFixedSize(kOptionsWindowWidth, kOptionsWindowHeight);
}

void OptionsWindow::open() {
    // The same place as the bounds narrowPointerBounds gives the tracker.
    narrowPointerBounds(s_);
    move((s_.session.screenWidth - kOptionsWindowWidth) / 2,
         (s_.session.screenHeight - kOptionsWindowHeight) / 2);
    saved_ = snapshotOptions(s_);
    show();
    raise();
    activateWindow();
    s_.shared.optionsOpen = true;
}

void OptionsWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kBorderColour);
    // The picture is cut to the client area, as the Windows frame cuts it.
    const int clientWidth = width() - 2 * kOptionsBorder;
    const int clientHeight = height() - 2 * kOptionsBorder;
    painter.setClipRect(kOptionsBorder, kOptionsBorder, clientWidth, clientHeight);
    painter.translate(kOptionsBorder, kOptionsBorder);
    if (!picture_.isNull()) {
        painter.drawImage(0, 0, picture_);
    } else {
        paintFallback(painter, clientWidth, clientHeight);
    }
    // Only cells of the layout: a stray 1 in row 0's unused third column
    // (a hand-edited file) has nowhere to go.
    for (int row = 0; row < kOptionRows; ++row) {
        const int count = kOptionLayout[static_cast<std::size_t>(row)].count;
        for (int col = 0; col < count; ++col) {
            if (s_.shared.optionFlags[row * kOptionCols + col] != 1) continue;
            const OptionPoint at = tickPosition(row, col);
            if (!checkMark_.isNull()) {
                painter.drawImage(at.x, at.y, checkMark_, 0, 0, kCheckMarkWidth, kCheckMarkHeight);
            } else {
                painter.fillRect(at.x, at.y, kCheckMarkWidth, kCheckMarkHeight, kFallbackTick);
            }
        }
    }
}

void OptionsWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isVisible()) return;
    // A release that began as a press here arrives even outside the window
    // (negative, or past its size): the hit test finds no cell there.
    const QPoint at = event->position().toPoint();
    const std::optional<OptionCell> cell =
        hitTest(at.x() - kOptionsBorder, at.y() - kOptionsBorder);
    if (!cell) return;
    const OptionButton button = applyOptionClick(s_, *cell);
    if (button == OptionButton::None) {
        update();
        return;
    }
    finish(button);
}

void OptionsWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (isVisible()) finish(OptionButton::Cancel);
}

void OptionsWindow::finish(OptionButton button) {
    hide();
    restorePointerBounds(s_);
    switch (button) {
        case OptionButton::Ok: {
            // The first save of a new user: the folder is not there yet.
            std::error_code ec;
            if (file_.has_parent_path())
                std::filesystem::create_directories(file_.parent_path(), ec);
            finishWithOk(s_, desktop_, file_);
            break;
        }
        case OptionButton::Cancel:
            finishWithCancel(s_, desktop_, saved_);
            break;
        case OptionButton::Exit:
            if (exitProgram_) exitProgram_();
            break;
        case OptionButton::None:
            break;
    }
}

}  // namespace quil::lnx
