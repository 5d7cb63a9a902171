// The keyboard link on any sequence of incoming messages with any
// parameters, mixed with the tracker's own moments (options window opening
// and closing, a loss, a calibration, a nod's toggle).
//
// Rules checked after every step, against a model of the link's table:
// - the rectangle is 412 x 192 (x 230 with the suggestions' row its dock
//   message said) and at one of the five docks of the screen;
// - dockedCorner is set by the bottom-right dock alone and cleared by any
//   other dock and by the keyboard's goodbye;
// - hidden and stayHidden change exactly as the link's table says, and the
//   keyboard window is shown or hidden only then;
// - nothing is sent before the keyboard announced itself;
// - after a goodbye the speed divisor is the options' own again.
//
// Input: two bytes pick the screen and the speed row, then operations of a
// few bytes each until the input ends.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "keyboard_link/keyboard_link.h"
#include "pointer/pointer_mapping.h"
#include "tests/support/recording_desktop.h"
#include "tracker/views.h"

namespace {

using quil::TrackerState;
using quil::WindowHandle;
using quil::fuzz::broken;
using quil::fuzz::ByteReader;
using quil::testing::DesktopCall;
using quil::testing::RecordingDesktop;
namespace kb = quil::keyboard;

constexpr const char* kHarness = "keyboard_link";
constexpr int kMaxSteps = 256;
constexpr WindowHandle kKeyboardWindow = 0x5150;

struct Screen {
    int width;
    int height;
};
// Common screens, and a few smaller than the keyboard or odd-sized.
constexpr std::array<Screen, 8> kScreens{{{1024, 768},
                                          {1920, 1080},
                                          {1366, 768},
                                          {800, 600},
                                          {640, 480},
                                          {400, 190},
                                          {413, 223},
                                          {3840, 2160}}};

// What the link's table says the state is.
struct Model {
    WindowHandle window = 0;
    bool hidden = true;
    bool stayHidden = false;
    bool dockedCorner = false;
    kb::Rect rect;
    // Docked on another monitor: the rectangle is the keyboard's word.
    bool placed = false;
    // Its last dock message said it shows the suggestions' row.
    bool tall = false;
};

kb::Rect rectOf(const TrackerState& s) {
    return {s.keyboard.left, s.keyboard.top, s.keyboard.right, s.keyboard.bottom};
}

// The one show or hide of the keyboard's window since the step began, if
// any; any other call is a fault.
std::optional<quil::ShowMode> shownSince(const RecordingDesktop& desktop, std::size_t from,
                                         WindowHandle keyboard) {
    std::optional<quil::ShowMode> mode;
    for (std::size_t i = from; i < desktop.calls.size(); ++i) {
        const DesktopCall& c = desktop.calls[i];
        if (c.kind != DesktopCall::Show) broken(kHarness, "a call the link does not make");
        if (mode) broken(kHarness, "the keyboard shown or hidden twice in one step");
        mode = static_cast<quil::ShowMode>(c.a);
        if (c.window != keyboard) broken(kHarness, "a show or hide of another window");
    }
    return mode;
}

void check(const TrackerState& s, const Model& m, const Screen& screen) {
    const kb::Rect r = rectOf(s);
    // 412 x 192, or 412 x 230 with the suggestions' row its dock said.
    const int height = kb::keyboardHeight(m.tall);
    if (s.keyboard.suggestionRow != m.tall) broken(kHarness, "the row is not the dock's");
    if (r.right - r.left != kb::kKeyboardWidth || r.bottom - r.top != height) {
        broken(kHarness, "the rectangle is not 412 x 192 (230 with the suggestions' row)");
    }
    bool atDock = false;
    for (unsigned code = kb::kDockBottomCentre; code <= kb::kDockBottomRight; ++code) {
        if (kb::dockRect(code, screen.width, screen.height, height) == r) atDock = true;
    }
    if (!atDock && !m.placed) broken(kHarness, "the rectangle is at no dock");
    if (r != m.rect) broken(kHarness, "the rectangle is not where the messages put it");
    if (s.keyboard.window != m.window) broken(kHarness, "the keyboard window is not the hello's");
    if (s.keyboard.hidden != m.hidden) broken(kHarness, "hidden is not the table's");
    if (s.keyboard.stayHidden != m.stayHidden) broken(kHarness, "stayHidden is not the table's");
    if (s.keyboard.dockedCorner != m.dockedCorner)
        broken(kHarness, "dockedCorner is not the dock's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const Screen screen = kScreens[static_cast<std::size_t>(in.below(kScreens.size()))];
    TrackerState s;
    quil::setScreenDefaults(s, screen.width, screen.height);
    // The speed row: fast, medium, slow, or none ticked.
    const int speedRow = in.below(4);
    if (speedRow < 3) s.shared.optionFlags[6 + speedRow] = 1;
    s.shared.speedDivisor = s.shared.optionFlags.snapshot().speedDivisor;
    RecordingDesktop desktop;

    Model m;
    m.rect = *kb::dockRect(kb::kDockBottomCentre, screen.width, screen.height);
    check(s, m, screen);

    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const std::size_t before = desktop.calls.size();
        std::optional<quil::ShowMode> expected;
        const bool known = m.window != 0;
        switch (in.below(8)) {
            case 0: {  // any message with any parameters
                const unsigned message = in.u8() % 4 == 0 ? in.u32() : 1024 + in.below(40);
                const auto wParam = static_cast<std::uintptr_t>(in.u64());
                const auto lParam = static_cast<std::intptr_t>(in.u64());
                const bool handled = quil::handleKeyboardMessage(s, message, wParam, lParam);
                const bool ours =
                    message == kb::kMsgKeyboardHello || message == kb::kMsgKeyboardGone ||
                    message == kb::kMsgKeyboardDock || message == kb::kMsgKeyboardScroll ||
                    message == kb::kMsgKeyboardPause;
                if (handled != ours) broken(kHarness, "a message handled that is not the link's");
                if (message == kb::kMsgKeyboardHello) {
                    m.window = static_cast<WindowHandle>(wParam);
                    m.hidden = false;
                } else if (message == kb::kMsgKeyboardGone) {
                    m.hidden = true;
                    m.dockedCorner = false;
                } else if (message == kb::kMsgKeyboardDock) {
                    const unsigned code = static_cast<unsigned>(wParam & 0xFF);
                    const bool tall = (wParam & kb::kDockSuggestionRow) != 0;
                    const int h = kb::keyboardHeight(tall);
                    if (const auto r = kb::dockRect(code, screen.width, screen.height, h)) {
                        const bool placed = (wParam & kb::kDockPlaced) != 0;
                        m.rect = placed ? kb::placedRect(lParam, h) : *r;
                        m.placed = placed;
                        m.tall = tall;
                        m.dockedCorner = code == kb::kDockBottomRight && m.rect == *r;
                    }
                }
                if (message == kb::kMsgKeyboardGone &&
                    s.shared.speedDivisor != s.shared.optionFlags.snapshot().speedDivisor) {
                    broken(kHarness, "the speed divisor is still doubled after a goodbye");
                }
                break;
            }
            case 1: {  // a dock message with a likely code
                const unsigned code = '0' + static_cast<unsigned>(in.below(7));
                const std::uintptr_t high = static_cast<std::uintptr_t>(in.u8()) << 8;
                quil::handleKeyboardMessage(s, kb::kMsgKeyboardDock, high | code, 0);
                if (const auto r = kb::dockRect(code, screen.width, screen.height)) {
                    m.rect = *r;
                    m.placed = false;
                    m.tall = false;
                    m.dockedCorner = code == kb::kDockBottomRight;
                }
                break;
            }
            case 2: {  // the keyboard program says hello with a plausible window
                const WindowHandle w = kKeyboardWindow + static_cast<WindowHandle>(in.below(3));
                quil::handleKeyboardMessage(s, kb::kMsgKeyboardHello, w, 0);
                m.window = w;
                m.hidden = false;
                break;
            }
            case 3:
                quil::keyboardOnOptionsOpen(s.keyboard, desktop);
                if (known) {
                    if (!m.hidden) {
                        m.stayHidden = false;
                        m.hidden = true;
                        expected = quil::ShowMode::Hide;
                    } else {
                        m.stayHidden = true;
                    }
                }
                break;
            case 4:
                quil::keyboardOnOptionsClose(s.keyboard, desktop);
                if (known && !m.stayHidden) {
                    m.stayHidden = true;
                    m.hidden = false;
                    expected = quil::ShowMode::Show;
                }
                break;
            case 5:
                quil::keyboardOnTrackerLost(s.keyboard, desktop);
                if (known) {
                    if (!m.hidden) {
                        m.hidden = true;
                        m.stayHidden = false;
                        expected = quil::ShowMode::Hide;
                    } else {
                        m.stayHidden = true;
                    }
                }
                break;
            case 6:
                quil::keyboardOnCalibrated(s.keyboard, desktop);
                if (known && !m.stayHidden) {
                    m.hidden = false;
                    m.stayHidden = true;
                    expected = quil::ShowMode::Show;
                }
                break;
            default: {
                const bool toggled = quil::toggleKeyboard(s, desktop);
                if (toggled != known)
                    broken(kHarness, "a toggle without a keyboard, or none with one");
                if (known) {
                    if (m.hidden) {
                        m.rect = *kb::dockRect(kb::kDockBottomCentre, screen.width, screen.height,
                                               kb::keyboardHeight(m.tall));
                        m.placed = false;
                        m.hidden = false;
                        expected = quil::ShowMode::Show;
                    } else {
                        m.hidden = true;
                        expected = quil::ShowMode::Hide;
                    }
                }
                break;
            }
        }
        if (shownSince(desktop, before, m.window) != expected)
            broken(kHarness, "a show or hide not in the table");
        check(s, m, screen);
    }
    return 0;
}
