// The Linux program's boxes used by the head alone: the About box and both
// start-up warnings, built as the program builds them, close by a dwell
// click, that is the pointer taken onto their OK button by the tracker's own
// pointer device (XTest) step by step, then its left button down and up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <functional>
#include <thread>

#include "app_layer/texts.h"
#include "linux/app/message_box.h"
#include "linux/desktop/x11_pointer.h"
#include "x11_watch.h"

namespace quil::lnx {
namespace {

// The pointer crosses in this many frames, then holds still for the dwell.
constexpr int kPathSteps = 12;
constexpr auto kFrame = std::chrono::milliseconds(33);
constexpr auto kDwell = std::chrono::milliseconds(300);

bool settle(const std::function<bool()>& ready) {
    return lnxtest::waitUntil([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return ready();
    });
}

// Shows the box, takes the tracker's pointer to its OK button and clicks;
// true when the box is then gone.
bool closesByDwell(const char* caption, const char* text) {
    const auto box = makeBox(caption, text);
    box->open();
    lnxtest::Screen screen;
    EXPECT_TRUE(settle([&] { return screen.findWindow(caption).has_value(); }));
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    EXPECT_NE(ok, nullptr);
    if (ok == nullptr) return false;
    EXPECT_TRUE(settle([&] { return ok->isVisible(); }));
    const QPoint middle = ok->mapToGlobal(ok->rect().center());
    // The whole box on the screen.
    const lnxtest::Geometry g = screen.geometry(*screen.findWindow(caption));
    EXPECT_GE(g.x, 0);
    EXPECT_GE(g.y, 0);

    const auto pointer = X11Pointer::open();
    EXPECT_NE(pointer, nullptr);
    if (pointer == nullptr) return false;
    const ScreenPoint from = pointer->position();
    for (int i = 1; i <= kPathSteps; ++i) {
        pointer->moveTo(from.x + (middle.x() - from.x) * i / kPathSteps,
                        from.y + (middle.y() - from.y) * i / kPathSteps);
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(kFrame);
    }
    EXPECT_TRUE(settle([&] { return ok->underMouse(); })) << "something covers the button";
    std::this_thread::sleep_for(kDwell);
    pointer->leftButton(true);
    pointer->leftButton(false);
    return settle([&] { return !box->isVisible(); });
}

TEST(DwellBoxes, TheAboutBoxClosesByADwellClick) {
    EXPECT_TRUE(closesByDwell(kAboutCaption, kAboutText));
}

TEST(DwellBoxes, BothWarningsCloseByADwellClick) {
    EXPECT_TRUE(closesByDwell(kWarningCaption, kNoCameraText));
    EXPECT_TRUE(closesByDwell(kWarningCaption, kNoFormatText));
}

}  // namespace
}  // namespace quil::lnx

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
