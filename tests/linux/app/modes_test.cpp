// The hands-free extras' looks and the wheel on the Linux desktop, in
// process under Xvfb: the dwell ring (drawn, centred, filled clockwise,
// letting clicks and focus alone), the corner view's mode notice, the
// paused tray icon, and a scroll area that the wheel scrolls by the notch.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "app_layer/texts.h"
#include "imaging/feature_set.h"
#include "linux/app/camera_view.h"
#include "linux/app/dwell_ring.h"
#include "linux/app/tray_look.h"
#include "linux/desktop/x11_pointer.h"
#include "sim/scene.h"
#include "tracker/tracker_state.h"
#include "tracker/views.h"
#include "x11_watch.h"

namespace quil::lnx {
namespace {

using lnxtest::Geometry;
using lnxtest::Screen;

bool settle(const std::function<bool()>& ready) {
    const auto end = std::chrono::steady_clock::now() + lnxtest::kPatience;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (ready()) return true;
    }
    return ready();
}

constexpr uint32_t kWorkColour = 0x2040c0;

int green(uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int red(uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int blue(uint32_t p) { return static_cast<int>(p & 0xFF); }
bool isFill(uint32_t p) { return green(p) > 150 && red(p) < 100 && blue(p) < 150; }

uint32_t pixelAt(Screen& screen, int x, int y) {
    const auto one = screen.capture({x, y, 1, 1});
    return one.empty() ? 0 : one[0];
}

// The user's window beneath: a plain colour, the focus, counting presses.
class Work final : public QWidget {
public:
    Work() {
        setWindowTitle(QStringLiteral("work"));
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor::fromRgb(kWorkColour));
        setPalette(p);
        setAutoFillBackground(true);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST(LinuxDwellRing, FillsClockwiseAroundThePointerAndLetsClicksAndFocusThrough) {
    Screen screen;
    Work work;
    work.setGeometry(200, 200, 300, 300);
    work.show();
    work.activateWindow();
    ASSERT_TRUE(settle([&] { return screen.focus() == work.winId(); })) << "no focus to keep";

    DwellRing ring;
    const ScreenPoint centre{350, 350};
    const int r = kDwellRingDiameter / 2 - kDwellRingBand / 2;  // the band's middle
    ring.showFill(centre, 250);
    ASSERT_TRUE(settle([&] { return screen.findWindow(kDwellRingTitle).has_value(); }));
    const Geometry g = screen.geometry(*screen.findWindow(kDwellRingTitle));
    EXPECT_EQ(g.x + g.width / 2, centre.x);
    EXPECT_EQ(g.y + g.height / 2, centre.y);
    // A quarter: from twelve o'clock to three, not yet at six or nine.
    EXPECT_TRUE(settle([&] {
        return isFill(pixelAt(screen, centre.x + 3, centre.y - r)) &&
               isFill(pixelAt(screen, centre.x + r * 7 / 10, centre.y - r * 7 / 10));
    }));
    EXPECT_FALSE(isFill(pixelAt(screen, centre.x, centre.y + r)));
    EXPECT_FALSE(isFill(pixelAt(screen, centre.x - r, centre.y)));
    // The hole and the corners show the window beneath.
    EXPECT_EQ(pixelAt(screen, centre.x, centre.y), kWorkColour);
    EXPECT_EQ(pixelAt(screen, g.x, g.y), kWorkColour);

    ring.showFill(centre, 900);
    EXPECT_TRUE(settle([&] { return isFill(pixelAt(screen, centre.x - r, centre.y)); }));
    EXPECT_FALSE(isFill(pixelAt(screen, centre.x - 5, centre.y - r))) << "past the full turn";
    screen.screenshot("linux_dwell_ring");

    // A click on the band itself reaches the window beneath.
    const int before = work.presses;
    screen.click(centre.x, centre.y - r);
    EXPECT_TRUE(settle([&] { return work.presses > before; })) << "the ring caught the click";
    EXPECT_EQ(screen.focus(), work.winId()) << "the ring took the focus";

    // It follows the pointer, and 0 takes it away.
    ring.showFill({260, 420}, 500);
    EXPECT_TRUE(settle([&] {
        const Geometry moved = screen.geometry(*screen.findWindow(kDwellRingTitle));
        return moved.x + moved.width / 2 == 260 && moved.y + moved.height / 2 == 420;
    }));
    ring.showFill({260, 420}, 0);
    EXPECT_TRUE(settle([&] { return !screen.findWindow(kDwellRingTitle).has_value(); }));
    EXPECT_EQ(ring.fill(), 0);
    EXPECT_EQ(screen.focus(), work.winId());
}

// Whether the area shows letters: white pixels.
bool hasLetters(Screen& screen, const Geometry& area) {
    const auto pixels = screen.capture(area);
    return std::any_of(pixels.begin(), pixels.end(),
                       [](uint32_t p) { return red(p) > 200 && green(p) > 200 && blue(p) > 200; });
}

TEST(LinuxCameraView, ShowsTheHeadsModeOverThePictureAndTakesItAway) {
    Screen screen;
    CameraView view;
    view.setGeometry(700, 520, 320, 240);
    view.show();
    ASSERT_TRUE(settle([&] { return screen.findWindow(kMainTitle).has_value(); }));
    const Geometry band{700, 520, 320, 48};
    EXPECT_TRUE(settle([&] { return !hasLetters(screen, band); }));
    EXPECT_TRUE(headModeNotice(HeadMode::Pointing).isEmpty());
    for (const HeadMode mode : {HeadMode::Scrolling, HeadMode::Paused}) {
        view.setNotice(headModeNotice(mode));
        EXPECT_TRUE(settle([&] { return hasLetters(screen, band); }));
    }
    EXPECT_EQ(view.notice().toStdString(), kPausedNotice);
    view.setNotice(headModeNotice(HeadMode::Pointing));
    EXPECT_TRUE(settle([&] { return !hasLetters(screen, band); }));
}

TEST(LinuxTrayLook, ThePausedIconIsTheUsualGreyedWithARedPauseMarkAndItsTipSaysSo) {
    const QIcon normal(QStringLiteral(":/art/icono.ico"));
    ASSERT_FALSE(normal.isNull());
    const QImage paused =
        pausedTrayIcon(normal).pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(paused.width(), 32);
    int coloured = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb p = paused.pixel(x, y);
            if (qAlpha(p) > 0 && (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p))) ++coloured;
        }
    }
    // Only the mark keeps a colour; the rest is grey.
    const QRgb bar = paused.pixel(32 - 5, 32 - 8);  // the right bar
    EXPECT_GT(qRed(bar), 150);
    EXPECT_LT(qGreen(bar), 80);
    EXPECT_GT(coloured, 0);
    EXPECT_LT(coloured, 32 * 32 / 4);
    EXPECT_EQ(trayToolTip(HeadMode::Pointing).toStdString(), kMainTitle);
    EXPECT_EQ(trayToolTip(HeadMode::Paused).toStdString(),
              std::string(kMainTitle) + " - " + kPausedNotice);
}

// The whole paused look: the corner view with the person's picture and the
// notice, and the greyed icon docked in a tray.
TEST(LinuxTrayLook, ThePausedLookInTheCornerAndTheTray) {
    Screen screen;
    lnxtest::TrayHost host;
    TrackerState s;
    setScreenDefaults(s, 1024, 768);
    chooseCornerView(s);
    CameraView view;
    view.setGeometry(s.view.viewX, s.view.viewY, s.view.viewWidth, s.view.viewHeight);
    auto scene = sim::makeScene("idle", 3, 0.0);
    ASSERT_NE(scene, nullptr);
    std::vector<uint8_t> frame(kFrameBytes);
    sim::UserView seen;
    ASSERT_TRUE(scene->advance(0, seen));
    scene->render(frame);
    view.showFrame(frame);
    view.setNotice(headModeNotice(HeadMode::Paused));
    view.show();
    QSystemTrayIcon tray(pausedTrayIcon(QIcon(QStringLiteral(":/art/icono.ico"))));
    tray.setToolTip(trayToolTip(HeadMode::Paused));
    tray.show();
    ASSERT_TRUE(settle([&] { return host.icons().size() == 1; })) << "not docked";
    const Geometry band{s.view.viewX, s.view.viewY, s.view.viewWidth, 30};
    EXPECT_TRUE(settle([&] { return hasLetters(screen, band); }));
    // The docked icon shows the pause mark's red.
    const Geometry icon = lnxtest::TrayHost::firstIconPlace();
    EXPECT_TRUE(settle([&] {
        const auto pixels = screen.capture(icon);
        return std::any_of(pixels.begin(), pixels.end(),
                           [](uint32_t p) { return red(p) > 150 && green(p) < 80; });
    }));
    tray.hide();
}

// A page bigger than its window: what a user scrolls.
TEST(LinuxWheel, AScrollAreaUnderThePointerScrollsTheWayAndByTheNotchesAsked) {
    Screen screen;
    auto pointer = X11Pointer::open();
    ASSERT_NE(pointer, nullptr);
    QScrollArea area;
    area.setWindowTitle(QStringLiteral("page"));
    auto* page = new QWidget;
    page->setFixedSize(3000, 3000);
    area.setWidget(page);
    area.setGeometry(100, 100, 400, 300);
    area.show();
    ASSERT_TRUE(settle([&] { return screen.findWindow("page").has_value(); }));
    QScrollBar& down = *area.verticalScrollBar();
    QScrollBar& across = *area.horizontalScrollBar();
    down.setValue(1000);
    across.setValue(1000);
    pointer->moveTo(300, 250);
    // Qt turns one notch into this many steps of the bar.
    const int perNotch = QApplication::wheelScrollLines() * down.singleStep();

    // Two notches up: the page moves down, toward its top.
    pointer->wheel(2 * 120, 0);
    EXPECT_TRUE(settle([&] { return down.value() == 1000 - 2 * perNotch; })) << down.value();
    // Less than a notch does nothing yet; its rest makes the next one.
    pointer->wheel(-100, 0);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(down.value(), 1000 - 2 * perNotch);
    pointer->wheel(-20, 0);
    EXPECT_TRUE(settle([&] { return down.value() == 1000 - perNotch; })) << down.value();
    // One notch right.
    pointer->wheel(0, 120);
    const int acrossNotch = QApplication::wheelScrollLines() * across.singleStep();
    EXPECT_TRUE(settle([&] { return across.value() == 1000 + acrossNotch; })) << across.value();
    EXPECT_EQ(down.value(), 1000 - perNotch);
}

}  // namespace
}  // namespace quil::lnx
