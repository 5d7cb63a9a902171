#include "linux/keyboard/keyboard_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <utility>

// Xlib after Qt: its macros (None, Bool, ...) would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quil::lnx {

namespace link = quil::keyboard;

namespace {
// _NET_WM_DESKTOP's "every desktop", and a request's source: an application.
constexpr long kAllDesktops = 0xFFFFFFFF;
constexpr long kSourceApplication = 1;

// Qt's own connection to the X server; null on any other window system.
Display* qtDisplay() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

}  // namespace

KeyboardWindow::KeyboardWindow(std::function<ScreenPoint()> pointer,
                               std::function<osk::ScreenSize()> screen)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      pointer_(std::move(pointer)),
      screen_(std::move(screen)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QString::fromLatin1(kKeyboardWindowTitle));
    place({0, 0, link::kKeyboardWidth, link::kKeyboardHeight});
    flash_.setSingleShot(true);
    rightClick_.setSingleShot(true);
    QObject::connect(&flash_, &QTimer::timeout, this, [this] {
        if (rules_ != nullptr) rules_->timerDone(osk::PanelTimer::Flash);
    });
    QObject::connect(&rightClick_, &QTimer::timeout, this, [this] {
        if (rules_ != nullptr) rules_->timerDone(osk::PanelTimer::RightClick);
    });
}

osk::WindowId KeyboardWindow::handle() { return static_cast<osk::WindowId>(winId()); }

void KeyboardWindow::show() {
    onEveryDesktop(false);
    QWidget::show();
    refuseFocus();
    onEveryDesktop(true);
}

// The keyboard follows the user from workspace to workspace: left behind on
// another one, it would still take key presses the tracker sends while the
// user cannot see it. The property says so to a window manager that maps
// the window; a mapped one is moved by asking the window manager.
void KeyboardWindow::onEveryDesktop(bool mapped) {
    Display* d = qtDisplay();
    if (d == nullptr) return;
    const auto w = static_cast<Window>(winId());
    const Atom desktop = XInternAtom(d, "_NET_WM_DESKTOP", False);
    if (!mapped) {
        const long all = kAllDesktops;
        XChangeProperty(d, w, desktop, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&all), 1);
    } else {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = desktop;
        e.xclient.format = 32;
        e.xclient.data.l[0] = kAllDesktops;
        e.xclient.data.l[1] = kSourceApplication;
        XSendEvent(d, DefaultRootWindow(d), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &e);
    }
    XFlush(d);
}

// Qt already marks the window as not taking input; a window manager may
// still offer it the focus through WM_TAKE_FOCUS, which Qt would accept.
// Without that protocol the window is of ICCCM's "no input" kind.
void KeyboardWindow::refuseFocus() {
    Display* d = qtDisplay();
    if (d == nullptr) return;
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

// The tracker, the docks and the keys reckon in the screen's own pixels;
// Qt places and sizes windows in its scaled ones when the desktop asks for
// scaling. The window converts, so that it covers exactly the pixels the
// tracker takes it to cover.
double KeyboardWindow::scale() const { return devicePixelRatioF(); }

int KeyboardWindow::toQt(int pixels) const {
    return static_cast<int>(std::lround(pixels / scale()));
}

int KeyboardWindow::toPixels(double qt) const {
    return static_cast<int>(std::lround(qt * scale()));
}

void KeyboardWindow::place(const keyboard::Rect& r) {
    setFixedSize(toQt(r.right - r.left), toQt(r.bottom - r.top));
    move(toQt(r.left), toQt(r.top));
}

osk::Point KeyboardWindow::origin() const {
    const QPoint p = mapToGlobal(QPoint(0, 0));
    return {toPixels(p.x()), toPixels(p.y())};
}

osk::ScreenSize KeyboardWindow::screenSize() const {
    if (screen_) return screen_();
    const QScreen* s = QGuiApplication::primaryScreen();
    if (s == nullptr) return {};
    const QRect all = s->virtualGeometry();
    return {toPixels(all.width()), toPixels(all.height())};
}

// With one monitor the tracker's screen, as before there were more; with
// several, the one that holds the pointer, whole (the docks keep clear of a
// panel by their own gap, as on the single screen).
keyboard::Rect KeyboardWindow::dockScreen() const {
    if (QGuiApplication::screens().size() < 2) return PanelWindow::dockScreen();
    const osk::Point p = pointer();
    const QScreen* s = QGuiApplication::screenAt(QPoint(toQt(p.x), toQt(p.y)));
    if (s == nullptr) s = QGuiApplication::primaryScreen();
    if (s == nullptr) return PanelWindow::dockScreen();
    const QRect g = s->geometry();
    return {toPixels(g.left()), toPixels(g.top()), toPixels(g.left() + g.width()),
            toPixels(g.top() + g.height())};
}

osk::Point KeyboardWindow::pointer() const {
    if (pointer_) {
        const ScreenPoint p = pointer_();
        return {p.x, p.y};
    }
    const QPoint p = QCursor::pos();
    return {toPixels(p.x()), toPixels(p.y())};
}

void KeyboardWindow::startTimer(osk::PanelTimer which, int ms) {
    (which == osk::PanelTimer::Flash ? flash_ : rightClick_).start(ms);
}

// Dropped with the window: work for a closed keyboard is no work.
void KeyboardWindow::later(std::function<void()> work) {
    QTimer::singleShot(0, this, std::move(work));
}

void KeyboardWindow::paintEvent(QPaintEvent* /*event*/) {
    if (rules_ == nullptr) return;
    QPainter painter(this);
    painter.scale(1.0 / scale(), 1.0 / scale());
    paintKeyboard(painter, *rules_, toPixels(width()), toPixels(height()));
}

void KeyboardWindow::mousePressEvent(QMouseEvent* event) {
    if (rules_ == nullptr || event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    rules_->pressAt(toPixels(at.x()), toPixels(at.y()));
}

}  // namespace quil::lnx
