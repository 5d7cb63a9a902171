#include "linux/keyboard/keyboard_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <utility>

// Xlib after Qt: its macros (None, Bool, ...) would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quil::lnx {

namespace link = quil::keyboard;

KeyboardWindow::KeyboardWindow(std::function<ScreenPoint()> pointer,
                               std::function<ScreenSize()> screen)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      pointer_(std::move(pointer)),
      screen_(std::move(screen)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QString::fromLatin1(kKeyboardWindowTitle));
    setFixedSize(link::kKeyboardWidth, link::kKeyboardHeight);
    flash_.setSingleShot(true);
    rightClick_.setSingleShot(true);
    QObject::connect(&flash_, &QTimer::timeout, this, [this] {
        if (rules_ != nullptr) rules_->timerDone(PanelTimer::Flash);
    });
    QObject::connect(&rightClick_, &QTimer::timeout, this, [this] {
        if (rules_ != nullptr) rules_->timerDone(PanelTimer::RightClick);
    });
}

WindowHandle KeyboardWindow::handle() { return static_cast<WindowHandle>(winId()); }

void KeyboardWindow::show() {
    QWidget::show();
    refuseFocus();
}

// Qt already marks the window as not taking input; a window manager may
// still offer it the focus through WM_TAKE_FOCUS, which Qt would accept.
// Without that protocol the window is of ICCCM's "no input" kind.
void KeyboardWindow::refuseFocus() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr) return;
    Display* d = x11->display();
    const auto w = static_cast<Window>(winId());
    XWMHints* hints = XGetWMHints(d, w);
    XWMHints fresh{};
    XWMHints* h = hints != nullptr ? hints : &fresh;
    h->flags |= InputHint;
    h->input = False;
    XSetWMHints(d, w, h);
    if (hints != nullptr) XFree(hints);
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &deleteWindow, 1);
    XFlush(d);
}

void KeyboardWindow::place(const keyboard::Rect& r) {
    setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

ScreenPoint KeyboardWindow::origin() const {
    const QPoint p = mapToGlobal(QPoint(0, 0));
    return {p.x(), p.y()};
}

ScreenSize KeyboardWindow::screen() const {
    if (screen_) return screen_();
    const QScreen* s = QGuiApplication::primaryScreen();
    if (s == nullptr) return {};
    const QRect all = s->virtualGeometry();
    return {all.width(), all.height()};
}

ScreenPoint KeyboardWindow::pointer() const {
    if (pointer_) return pointer_();
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void KeyboardWindow::startTimer(PanelTimer which, int ms) {
    (which == PanelTimer::Flash ? flash_ : rightClick_).start(ms);
}

// Dropped with the window: work for a closed keyboard is no work.
void KeyboardWindow::later(std::function<void()> work) {
    QTimer::singleShot(0, this, std::move(work));
}

void KeyboardWindow::paintEvent(QPaintEvent* /*event*/) {
    if (rules_ == nullptr) return;
    QPainter painter(this);
    paintKeyboard(painter, rules_->keys(), width(), height());
}

void KeyboardWindow::mousePressEvent(QMouseEvent* event) {
    if (rules_ == nullptr || event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    rules_->pressAt(at.x(), at.y());
}

}  // namespace quil::lnx
