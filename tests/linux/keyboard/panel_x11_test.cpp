// The keyboard window on a real (virtual) X display: shown without taking
// the focus from a plain X window that records the keys it receives, typing
// into that window through XTest, docking and painting where it should.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "keyboard_link/protocol.h"
#include "linux/keyboard/keyboard_panel.h"
#include "linux/keyboard/keyboard_window.h"
#include "linux/keyboard/x11_key_sink.h"
#include "onscreen_keyboard/key_look.h"
#include "x11_watch.h"

// Xlib after Qt: its macros (None, Bool, ...) would break Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace quil::lnxtest {
namespace {

namespace link = quil::keyboard;
using osk::KeyKind;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kTargetX = 300;
constexpr int kTargetY = 250;
constexpr int kTargetSide = 200;
constexpr uint32_t kHighlightFace = 0xFFDD00;
constexpr uint32_t kKeyBorder = 0x969696;
constexpr unsigned long kAllDesktops = 0xFFFFFFFF;
// A pixel just inside a key's face, clear of its border and label.
constexpr int kFaceInset = 3;

// A plain X window with the focus, recording the keysyms of its key
// presses as a program reading them would see them.
class TargetWindow {
public:
    TargetWindow() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), kTargetX, kTargetY,
                                      kTargetSide, kTargetSide, 0, 0, 0);
        XStoreName(display_, window_, "keyboard target");
        XSelectInput(display_, window_,
                     KeyPressMask | ButtonPressMask | StructureNotifyMask | FocusChangeMask);
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~TargetWindow() {
        if (display_ == nullptr) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    TargetWindow(const TargetWindow&) = delete;
    TargetWindow& operator=(const TargetWindow&) = delete;

    [[nodiscard]] bool open() const { return display_ != nullptr; }

    bool takeFocus() {
        if (!waitUntil([&] { return drain(), mapped_; })) return false;
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
        return focused();
    }
    [[nodiscard]] bool focused() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        return focus == window_;
    }
    void drain() {
        while (XPending(display_) > 0) {
            XEvent e{};
            XNextEvent(display_, &e);
            if (e.type == MapNotify) mapped_ = true;
            if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
            if (e.type == ButtonPress) buttons_.push_back(e.xbutton.button);
            if (e.type != KeyPress) continue;
            KeySym sym = NoSymbol;
            char text[8] = {};
            XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
            if (!IsModifierKey(sym)) keys_.push_back(sym);
        }
    }
    std::vector<KeySym>& keys() { return keys_; }
    std::vector<unsigned>& buttons() { return buttons_; }
    // Whether `w` asks to be on every workspace.
    [[nodiscard]] bool onEveryDesktop(unsigned long w) {
        const Atom desktop = XInternAtom(display_, "_NET_WM_DESKTOP", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        bool every = false;
        if (XGetWindowProperty(display_, w, desktop, 0, 1, False, XA_CARDINAL, &type, &format,
                               &count, &after, &data) == Success &&
            data != nullptr) {
            // 32-bit properties come back as longs.
            every = format == 32 && count == 1 &&
                    (*reinterpret_cast<const unsigned long*>(data) & kAllDesktops) == kAllDesktops;
        }
        if (data != nullptr) XFree(data);
        return every;
    }
    // Whether any key types `sym`, by the server's keymap now.
    [[nodiscard]] bool typable(KeySym sym) {
        int first = 0;
        int last = 0;
        XDisplayKeycodes(display_, &first, &last);
        int per = 0;
        KeySym* syms =
            XGetKeyboardMapping(display_, static_cast<KeyCode>(first), last - first + 1, &per);
        bool found = false;
        for (int i = 0; syms != nullptr && i < (last - first + 1) * per; ++i)
            found = found || syms[i] == sym;
        if (syms != nullptr) XFree(syms);
        return found;
    }
    void lockGroup(unsigned group) {
        XkbLockGroup(display_, XkbUseCoreKbd, group);
        XSync(display_, False);
    }

    // Whether a window manager would leave `w` without the focus: its
    // hints refuse input and it does not offer to take the focus itself.
    [[nodiscard]] bool refusesFocus(unsigned long w) {
        XWMHints* hints = XGetWMHints(display_, w);
        const bool noInput =
            hints != nullptr && (hints->flags & InputHint) != 0 && hints->input == False;
        if (hints != nullptr) XFree(hints);
        Atom* protocols = nullptr;
        int count = 0;
        bool takesFocus = false;
        if (XGetWMProtocols(display_, w, &protocols, &count) != 0) {
            const Atom take = XInternAtom(display_, "WM_TAKE_FOCUS", False);
            for (int i = 0; i < count; ++i) takesFocus = takesFocus || protocols[i] == take;
            XFree(protocols);
        }
        return noInput && !takesFocus;
    }

private:
    Display* display_;
    Window window_ = 0;
    bool mapped_ = false;
    std::vector<KeySym> keys_;
    std::vector<unsigned> buttons_;
};

const osk::Key& findKey(KeyKind kind, char16_t base = 0, bool suggestionRow = false) {
    for (const osk::Key& k : osk::allKeys(suggestionRow)) {
        if (k.kind == kind && (base == 0 || k.base == base)) return k;
    }
    throw std::logic_error("no such key");
}

class PanelX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(target.open());
        ASSERT_TRUE(target.takeFocus());
        ASSERT_NE(sink, nullptr);
        panel = std::make_unique<lnx::KeyboardPanel>(*sink);
        panel->events.announced = [this](WindowHandle h) { announced = h; };
        panel->events.gone = [this] { ++gone; };
        panel->events.docked = [this](unsigned code) { docked.push_back(code); };
        panel->launch();
        ASSERT_TRUE(settle([&] { return announced != 0 && panelWindow().has_value(); }));
    }
    void TearDown() override {
        panel.reset();
        QCoreApplication::processEvents();
    }

    // Waits for `ready` while both the panel's and the target's events run.
    bool settle(const std::function<bool()>& ready) {
        return waitUntil([&] {
            QCoreApplication::processEvents();
            target.drain();
            return ready();
        });
    }
    std::optional<unsigned long> panelWindow() {
        return screen.findWindow(lnx::kKeyboardWindowTitle);
    }
    // The screen point in the middle of a key, the panel where it is now.
    std::pair<int, int> middleOf(const osk::Key& k) {
        const Geometry g = screen.geometry(*panelWindow());
        return {g.x + (k.left + k.right) / 2, g.y + (k.top + k.bottom) / 2};
    }
    void pressOver(const osk::Key& k) {
        const auto [x, y] = middleOf(k);
        screen.movePointer(x, y);
        panel->pressKey();
    }
    bool received(const std::vector<KeySym>& expected) {
        return settle([&] { return target.keys() == expected; });
    }
    // At the dock, 412 x 192, or 412 x 230 with the suggestions' row.
    bool at(unsigned dock, bool suggestionRow = false) {
        const int height = link::keyboardHeight(suggestionRow);
        const auto r = link::dockRect(dock, kScreenWidth, kScreenHeight, height);
        return settle([&] {
            const auto w = panelWindow();
            if (!w) return false;
            const Geometry g = screen.geometry(*w);
            return g.x == r->left && g.y == r->top && g.width == link::kKeyboardWidth &&
                   g.height == height;
        });
    }

    static inline std::unique_ptr<lnx::X11KeySink> sink = lnx::X11KeySink::open();
    Screen screen;
    TargetWindow target;
    std::unique_ptr<lnx::KeyboardPanel> panel;
    WindowHandle announced = 0;
    int gone = 0;
    std::vector<unsigned> docked;
};

TEST_F(PanelX11Test, StartsAtTheBottomCentreWithoutTakingTheFocus) {
    EXPECT_TRUE(at(link::kDockBottomCentre));
    // Shown and painted: a window taking the focus has taken it by now.
    const osk::Key& k = osk::allKeys().front();
    const Geometry g = screen.geometry(*panelWindow());
    const Geometry border{g.x + k.left + 1, g.y + k.top + 1, 1, 1};
    EXPECT_TRUE(
        settle([&] { return screen.capture(border) == std::vector<uint32_t>{kKeyBorder}; }));
    EXPECT_EQ(announced, panel->handle());
    EXPECT_TRUE(target.refusesFocus(*panelWindow()));
    EXPECT_TRUE(target.onEveryDesktop(*panelWindow()));
    EXPECT_EQ(docked, (std::vector<unsigned>{link::kDockBottomCentre}));
    EXPECT_TRUE(target.focused());
}

TEST_F(PanelX11Test, APressedKeyArrivesInTheFocusedWindow) {
    pressOver(findKey(KeyKind::Letter, u'q'));
    EXPECT_TRUE(received({XK_q}));
    pressOver(findKey(KeyKind::Shift));
    pressOver(findKey(KeyKind::Letter, u'w'));
    pressOver(findKey(KeyKind::Symbol, u'1'));
    EXPECT_TRUE(received({XK_q, XK_W, XK_1}));
    pressOver(findKey(KeyKind::Enter));
    pressOver(findKey(KeyKind::Backspace));
    EXPECT_TRUE(received({XK_q, XK_W, XK_1, XK_Return, XK_BackSpace}));
    EXPECT_TRUE(target.focused());
}

// The test display's keymap has no key for ñ or é: they are typed on
// borrowed keycodes, and a borrowed one types its character again.
TEST_F(PanelX11Test, CharactersWithoutAKeyArriveThroughSpareKeycodes) {
    pressOver(findKey(KeyKind::Letter, u'\u00F1'));
    pressOver(findKey(KeyKind::DeadAccent));
    pressOver(findKey(KeyKind::Letter, u'e'));
    pressOver(findKey(KeyKind::Letter, u'\u00F1'));
    pressOver(findKey(KeyKind::Symbol, u'\u00A1'));
    EXPECT_TRUE(received({XK_ntilde, XK_eacute, XK_ntilde, XK_exclamdown}));
}

// Caps Lock left on at the real keyboard: each key still types the case
// the on-screen keyboard shows.
TEST_F(PanelX11Test, CapsLockOnTheRealKeyboardChangesNoCase) {
    screen.key("Caps_Lock");
    struct CapsOff {
        Screen& s;
        ~CapsOff() { s.key("Caps_Lock"); }
    } off{screen};
    pressOver(findKey(KeyKind::Letter, u'q'));
    pressOver(findKey(KeyKind::Letter, u'\u00F1'));
    pressOver(findKey(KeyKind::Shift));
    pressOver(findKey(KeyKind::Letter, u'w'));
    pressOver(findKey(KeyKind::Shift));
    pressOver(findKey(KeyKind::Letter, u'\u00F1'));
    pressOver(findKey(KeyKind::Symbol, u'1'));
    EXPECT_TRUE(received({XK_q, XK_ntilde, XK_W, XK_Ntilde, XK_1}));
}

// With a second layout chosen, keys are looked up in it: on the Spanish
// layout the key that types '-' on the US one types an apostrophe.
TEST_F(PanelX11Test, KeysAreFoundInTheLayoutInUse) {
    if (std::system("setxkbmap -layout us,es") != 0) GTEST_SKIP() << "setxkbmap cannot run";
    struct UsAgain {
        ~UsAgain() { std::ignore = std::system("setxkbmap -layout us"); }
    } usAgain;
    target.lockGroup(1);
    pressOver(findKey(KeyKind::Symbol, u'-'));
    pressOver(findKey(KeyKind::Symbol, u'\''));
    pressOver(findKey(KeyKind::Letter, u'\u00F1'));
    pressOver(findKey(KeyKind::Symbol, u'@'));
    EXPECT_TRUE(received({XK_minus, XK_apostrophe, XK_ntilde, XK_at}));
    target.lockGroup(0);
    // Back to one layout: keycodes borrowed before went with the old keymap.
    ASSERT_EQ(std::system("setxkbmap -layout us"), 0);
    pressOver(findKey(KeyKind::Letter, u'\u00F1'));
    pressOver(findKey(KeyKind::Symbol, u'\u00A1'));
    EXPECT_TRUE(received({XK_minus, XK_apostrophe, XK_ntilde, XK_at, XK_ntilde, XK_exclamdown}));
}

// A sentence typed with the suggestions' help: "la cancion" then the
// suggested "canción", whose keys take back the plain "on" and type "ón ".
// The row comes with the tracker's option only: the window grows by it at
// its dock and says so; without it, the keys alone, 412 x 192.
TEST_F(PanelX11Test, AChosenSuggestionArrivesCompletedInTheFocusedWindow) {
    const auto userFile = std::filesystem::temp_directory_path() / "quil-x11-palabras.txt";
    std::filesystem::remove(userFile);
    panel.reset();
    panel = std::make_unique<lnx::KeyboardPanel>(*sink);
    panel->events.docked = [this](unsigned code) { docked.push_back(code); };
    panel->loadWords(QUIL_FALLBACK_WORD_LIST, userFile);
    panel->launch();
    ASSERT_TRUE(at(link::kDockBottomCentre));
    panel->showSuggestions(true);
    ASSERT_TRUE(at(link::kDockBottomCentre, true));
    EXPECT_EQ(docked.back(), link::kDockBottomCentre | link::kDockSuggestionRow);
    const auto rowKey = [](KeyKind kind, char16_t base = 0) -> const osk::Key& {
        return findKey(kind, base, true);
    };
    for (const char16_t c : std::u16string_view(u"la cancion")) {
        pressOver(c == u' ' ? rowKey(KeyKind::Space) : rowKey(KeyKind::Letter, c));
    }
    std::vector<KeySym> expected{XK_l, XK_a, XK_space, XK_c, XK_a, XK_n, XK_c, XK_i, XK_o, XK_n};
    ASSERT_TRUE(received(expected));
    const osk::Suggestions* words = panel->rules()->suggestions();
    ASSERT_NE(words, nullptr);
    std::size_t slot = osk::kSuggestionSlots;
    for (std::size_t i = 0; i < osk::kSuggestionSlots; ++i) {
        if (words->word(i) == u"canci\u00F3n") slot = i;
    }
    ASSERT_LT(slot, osk::kSuggestionSlots);
    pressOver(rowKey(KeyKind::Suggestion, static_cast<char16_t>(slot)));
    expected.insert(expected.end(), {XK_BackSpace, XK_BackSpace, XK_oacute, XK_n, XK_space});
    EXPECT_TRUE(received(expected));
    EXPECT_TRUE(settle([&] { return std::filesystem::exists(userFile); }));
    std::filesystem::remove(userFile);
    panel->showSuggestions(false);
    EXPECT_TRUE(at(link::kDockBottomCentre));
}

// With the suggestions' row, the dwell's progress fills the key under the
// pointer from the bottom.
TEST_F(PanelX11Test, TheDwellFillsTheKeyUnderThePointer) {
    panel->showSuggestions(true);
    ASSERT_TRUE(at(link::kDockBottomCentre, true));
    const osk::Key& q = findKey(KeyKind::Letter, u'q', true);
    const auto [x, y] = middleOf(q);
    screen.movePointer(x, y);
    panel->pointerOver(x, y);
    panel->dwell(500);
    const Geometry g = screen.geometry(*panelWindow());
    const Geometry low{g.x + q.left + kFaceInset, g.y + q.bottom - kFaceInset, 1, 1};
    const Geometry high{g.x + q.left + kFaceInset, g.y + q.top + kFaceInset, 1, 1};
    EXPECT_TRUE(settle([&] {
        return screen.capture(low) == std::vector<uint32_t>{osk::kDwellFill} &&
               screen.capture(high) == std::vector<uint32_t>{kHighlightFace};
    }));
    panel->dwell(0);
    EXPECT_TRUE(
        settle([&] { return screen.capture(low) == std::vector<uint32_t>{kHighlightFace}; }));
}

TEST_F(PanelX11Test, TheArmedClicksArriveWhereThePointerIs) {
    pressOver(findKey(KeyKind::DoubleClick));
    screen.movePointer(kTargetX + kTargetSide / 2, kTargetY + kTargetSide / 2);
    panel->clickOutside();
    EXPECT_TRUE(settle([&] { return target.buttons() == std::vector<unsigned>{Button1}; }));
    pressOver(findKey(KeyKind::RightClick));
    screen.movePointer(kTargetX + kTargetSide / 2, kTargetY + kTargetSide / 2);
    panel->clickOutside();
    EXPECT_TRUE(settle([&] {
        return target.buttons() == std::vector<unsigned>{Button1, Button3};
    }));
}

// Borrowed keycodes are given back: the keymap is as it was once the
// typing is over.
TEST_F(PanelX11Test, ASinkThatGoesEmptiesTheKeycodesItBorrowed) {
    ASSERT_FALSE(target.typable(XK_udiaeresis));
    {
        const auto own = lnx::X11KeySink::open();
        ASSERT_NE(own, nullptr);
        own->typeCharacter(U'\u00FC');
        EXPECT_TRUE(received({XK_udiaeresis}));
        EXPECT_TRUE(target.typable(XK_udiaeresis));
    }
    EXPECT_FALSE(target.typable(XK_udiaeresis));
    EXPECT_FALSE(target.typable(XK_Udiaeresis));
}

TEST_F(PanelX11Test, ARealClickOnAKeyTypesItAndLeavesTheFocus) {
    const auto [x, y] = middleOf(findKey(KeyKind::Letter, u'z'));
    screen.click(x, y);
    EXPECT_TRUE(received({XK_z}));
    EXPECT_TRUE(target.focused());
}

TEST_F(PanelX11Test, TheDockKeysMoveTheWindowToTheirPlace) {
    for (const unsigned dock : {link::kDockTopRight, link::kDockTopLeft, link::kDockBottomLeft,
                                link::kDockBottomRight, link::kDockBottomCentre}) {
        pressOver(findKey(KeyKind::Dock, static_cast<char16_t>(dock)));
        EXPECT_TRUE(at(dock)) << static_cast<char>(dock);
        EXPECT_EQ(docked.back(), dock);
    }
    EXPECT_TRUE(target.focused());
}

// Desplazar and Pausa reach the tracker as its own messages, as the
// program's handler of the keyboard's messages receives them.
TEST_F(PanelX11Test, TheTrackerKeysSendTheirMessages) {
    std::vector<unsigned> messages;
    panel->events.requested =
        osk::asTrackerMessages([&](unsigned m, std::uintptr_t, std::intptr_t) {
            messages.push_back(m);
        }).requested;
    pressOver(findKey(KeyKind::Scroll));
    pressOver(findKey(KeyKind::Pause));
    EXPECT_EQ(messages, (std::vector<unsigned>{link::kMsgKeyboardScroll, link::kMsgKeyboardPause}));
    target.drain();
    EXPECT_TRUE(target.keys().empty()) << "they type nothing";
    EXPECT_TRUE(target.focused());
    EXPECT_TRUE(panel->visible());
}

// On a display of two monitors side by side (the LinuxKeyboardTwoMonitors
// test), the keyboard docks on the one that holds the pointer and tells
// the tracker its place there.
TEST_F(PanelX11Test, ItDocksOnTheMonitorThatHoldsThePointer) {
    if (QGuiApplication::screens().size() < 2) GTEST_SKIP() << "one monitor";
    std::vector<std::pair<unsigned, osk::Point>> placed;
    panel->events.dockedElsewhere = [&](unsigned code, osk::Point at) {
        placed.emplace_back(code, at);
    };
    const QRect right = QGuiApplication::screens()[1]->geometry();
    const auto atRect = [&](const link::Rect& r) {
        return settle([&] {
            const auto w = panelWindow();
            if (!w) return false;
            const Geometry g = screen.geometry(*w);
            return g.x == r.left && g.y == r.top;
        });
    };
    // Hidden and shown with the pointer on the second monitor: it comes
    // back at its dock there.
    panel->hide();
    screen.movePointer(right.x() + right.width() / 2, right.y() + right.height() / 2);
    panel->show();
    const link::Rect monitor{right.x(), right.y(), right.x() + right.width(),
                             right.y() + right.height()};
    const auto centre = *link::dockRectOn(link::kDockBottomCentre, monitor);
    EXPECT_TRUE(atRect(centre));
    EXPECT_TRUE(settle([&] { return !placed.empty(); }));
    EXPECT_EQ(placed.back().first, link::kDockBottomCentre);
    EXPECT_EQ(placed.back().second, (osk::Point{centre.left, centre.top}));
    // Its dock keys work there.
    pressOver(findKey(KeyKind::Dock, u'4'));
    const auto topRight = *link::dockRectOn(link::kDockTopRight, monitor);
    EXPECT_TRUE(atRect(topRight));
    EXPECT_EQ(placed.back().second, (osk::Point{topRight.left, topRight.top}));
    EXPECT_EQ(topRight.right, monitor.right);
    EXPECT_TRUE(target.focused());
}

TEST_F(PanelX11Test, TheKeyUnderThePointerIsPaintedYellow) {
    const osk::Key& k = findKey(KeyKind::Letter, u'g');
    const Geometry g = screen.geometry(*panelWindow());
    const Geometry face{g.x + k.left + kFaceInset, g.y + k.top + kFaceInset, 1, 1};
    const auto [x, y] = middleOf(k);
    panel->pointerOver(x, y);
    EXPECT_TRUE(
        settle([&] { return screen.capture(face) == std::vector<uint32_t>{kHighlightFace}; }));
    panel->pointerLeft();
    EXPECT_TRUE(
        settle([&] { return screen.capture(face) != std::vector<uint32_t>{kHighlightFace}; }));
}

TEST_F(PanelX11Test, TheHideKeyHidesTheWindowAndSaysSo) {
    pressOver(findKey(KeyKind::Hide));
    EXPECT_TRUE(settle([&] { return !panelWindow().has_value(); }));
    EXPECT_EQ(gone, 1);
    EXPECT_FALSE(panel->visible());
    // The tracker shows it again where it was, and hears its dock.
    docked.clear();
    panel->show();
    EXPECT_TRUE(at(link::kDockBottomCentre));
    EXPECT_TRUE(settle([&] { return docked == std::vector<unsigned>{link::kDockBottomCentre}; }));
    EXPECT_TRUE(target.focused());
}

TEST_F(PanelX11Test, ClosedAndLaunchedAgainItComesBackFresh) {
    pressOver(findKey(KeyKind::Dock, u'3'));
    ASSERT_TRUE(at(link::kDockTopLeft));
    panel->close();
    EXPECT_TRUE(settle([&] { return !panelWindow().has_value(); }));
    EXPECT_EQ(panel->handle(), 0U);
    announced = 0;
    panel->launch();
    EXPECT_TRUE(settle([&] { return announced != 0; }));
    EXPECT_TRUE(at(link::kDockBottomCentre));
    EXPECT_TRUE(target.focused());
}

}  // namespace
}  // namespace quil::lnxtest

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
