// The whole frame driver, classic engine, on any sequence of frames (any
// bytes, any length), pointer positions reported by the desktop, keyboard
// messages and option changes made as the options window makes them.
//
// The precise engine is left out: it needs its landmark model (a 5 MB file
// read at start-up) and spends milliseconds of dlib per frame, too slow for
// millions of sequences; its choice here falls back to the classic engine
// as it does on a machine without the model.
//
// Rules checked after every step:
// - the state is one of the eight, and the frame's report says so;
// - every pointer placement is on the screen, and on the options window
//   while it is open;
// - the left button is down exactly while the tracker holds a drag, and up
//   after a loss or an engine switch;
// - the keyboard rectangle stays 412 x 192;
// - AddressSanitizer: each frame is its own allocation of exactly its
//   length, so a read past it is reported.
//
// Frames are drawn from a few fuzzer bytes: one of four textures, shifted,
// with up to three rectangles patched from another texture, raised or
// filled. That is the picture language of the tracker's pipeline test (a
// head-sized region that moves, eye-sized regions that brighten), so the
// fuzzer reaches calibration and tracking; the seed corpus starts there.
// Input layout: fuzz/README.md.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "options/options_window_logic.h"
#include "tests/support/recording_desktop.h"
#include "tracker/frame_driver.h"
#include "tracker/startup.h"
#include "tracker/views.h"

namespace {

namespace fs = std::filesystem;
using quil::TrackerState;
using quil::fuzz::broken;
using quil::fuzz::ByteReader;
using quil::testing::DesktopCall;
using quil::testing::RecordingDesktop;

constexpr const char* kHarness = "frame_driver";
constexpr std::size_t kFrameBytes = quil::kFrameBytes;
// Bounds on one input's work, so that an execution stays in milliseconds.
constexpr int kMaxSteps = 96;
constexpr int kMaxFrames = 64;
constexpr int kMaxRepeat = 8;
constexpr int kMaxEdits = 3;
constexpr int kMaxShift = 40;
constexpr int kMaxEditSide = 256;
constexpr int kTextureCount = 4;
constexpr quil::WindowHandle kEyesWindow = 13;
constexpr quil::WindowHandle kKeyboardWindow = 14;

struct Screen {
    int width;
    int height;
};
constexpr std::array<Screen, 6> kScreens{
    {{1024, 768}, {1920, 1080}, {1366, 768}, {800, 600}, {640, 480}, {3840, 2160}}};

// Byte offset of pixel (x, y)'s red byte, rows from the top.
std::size_t redByte(int x, int y) {
    return static_cast<std::size_t>(3 * ((quil::kFrameRows - 1 - y) * quil::kFrameCols + x) + 2);
}

// The tracker's tests' texture: every red byte from a small generator, the
// other bytes 0.
std::vector<uint8_t> texture(uint32_t seed, int low, int high) {
    std::vector<uint8_t> f(kFrameBytes, 0);
    uint32_t v = seed * 2654435761u + 12345u;
    const auto span = static_cast<uint32_t>(high - low + 1);
    for (int x = 0; x < quil::kFrameCols; ++x) {
        for (int y = 0; y < quil::kFrameRows; ++y) {
            v = v * 1664525u + 1013904223u;
            f[redByte(x, y)] = static_cast<uint8_t>(low + static_cast<int>((v >> 24) % span));
        }
    }
    return f;
}

// Made once per process: the textures, and the intake table start-up would
// build (it is the same for every run, and building it is most of a
// start-up's cost).
struct Fixed {
    std::array<std::vector<uint8_t>, kTextureCount> textures{
        texture(70, 0, 150), texture(71, 0, 150), texture(5, 0, 255), texture(9, 100, 140)};
    quil::IntList intakeTable;
    fs::path optionsFile;
    // QUIL_FUZZ_STATES=1: each frame's state, gesture action and loss on
    // stderr, to see which states a corpus reaches.
    bool traceStates = std::getenv("QUIL_FUZZ_STATES") != nullptr;
    Fixed() {
        TrackerState s;
        quil::buildIntakeTable(s);
        intakeTable = s.session.intakeTable;
        std::random_device random;
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path dir = base / ("quil_fuzz_frames_" + std::to_string(random()));
        fs::create_directories(dir);
        optionsFile = dir / "options.cfg";
    }
};
const Fixed& fixed() {
    static const Fixed f;
    return f;
}

// The picture a frame operation describes.
void drawFrame(ByteReader& in, std::vector<uint8_t>& frame) {
    const auto& base = fixed().textures[static_cast<std::size_t>(in.below(kTextureCount))];
    const int dx = static_cast<int8_t>(in.u8()) % (kMaxShift + 1);
    const int dy = static_cast<int8_t>(in.u8()) % (kMaxShift + 1);
    // Shifted by whole rows and pixels; what comes in at the edges is black.
    std::fill(frame.begin(), frame.end(), uint8_t{0});
    const int cols = quil::kFrameCols - std::abs(dx);
    for (int r = 0; r < quil::kFrameRows; ++r) {
        const int from = r + dy;
        if (from < 0 || from >= quil::kFrameRows) continue;
        const int srcCol = dx < 0 ? -dx : 0;
        const int dstCol = dx > 0 ? dx : 0;
        std::memcpy(
            frame.data() + static_cast<std::size_t>(r) * quil::kFrameRowBytes + 3 * dstCol,
            base.data() + static_cast<std::size_t>(from) * quil::kFrameRowBytes + 3 * srcCol,
            static_cast<std::size_t>(3 * cols));
    }
    const int edits = in.below(kMaxEdits + 1);
    for (int e = 0; e < edits; ++e) {
        const int kind = in.below(3);
        const int x0 = in.below16(quil::kFrameCols);
        const int y0 = in.below16(quil::kFrameRows);
        const int w = std::min(in.below16(kMaxEditSide) + 1, quil::kFrameCols - x0);
        const int h = std::min(in.below16(kMaxEditSide) + 1, quil::kFrameRows - y0);
        const uint8_t param = in.u8();
        const auto& other = fixed().textures[param % kTextureCount];
        for (int x = x0; x < x0 + w; ++x) {
            for (int y = y0; y < y0 + h; ++y) {
                uint8_t& red = frame[redByte(x, y)];
                red = kind == 0   ? other[redByte(x, y)]
                      : kind == 1 ? static_cast<uint8_t>(red + param)
                                  : param;
            }
        }
    }
}

class Run {
public:
    Run(const Screen& screen, bool keepPause) : screen_(screen) {
        s_.session.intakeTable = fixed().intakeTable;
        quil::setScreenDefaults(s_, screen.width, screen.height);
        quil::applyOptionsText(s_, quil::kDefaultOptionsText);
        s_.session.mainWindow = quil::testing::kMainWindow;
        s_.session.captureWindow = quil::testing::kCaptureWindow;
        s_.shared.eyesWindow = kEyesWindow;
        quil::chooseLargeView(s_, desktop_);
        quil::moveViewWindows(s_, desktop_);
        quil::finishStartup(s_);
        // The warm-up pause swallows the first 21 frames; most runs skip it
        // so that short inputs reach the later states.
        if (!keepPause) s_.frame.pauseActive = false;
        desktop_.cursor = {screen.width / 2, screen.height / 2};
        check(nullptr);
    }

    void step(ByteReader& in) {
        switch (in.below(8)) {
            case 0:
            case 1:
                picture(in);
                break;
            case 2:
                oddFrame(in);
                break;
            case 3:  // the desktop reports where the pointer is (a hand moved it)
                desktop_.cursor = {in.below16(screen_.width), in.below16(screen_.height)};
                check(nullptr);
                break;
            case 4:
                optionsWindow(in);
                break;
            case 5:
                keyboardMessage(in);
                break;
            case 6:  // the tray menu: open or closed; the engine chosen
                s_.shared.menuOpen = (in.u8() & 1) != 0;
                s_.shared.engineChoice = in.below(2);
                check(nullptr);
                break;
            default:
                picture(in);
                break;
        }
    }
    [[nodiscard]] bool tired() const { return frames_ >= kMaxFrames; }

private:
    // A picture, fed one or more times (each time as a fresh capture).
    void picture(ByteReader& in) {
        drawFrame(in, clean_);
        const int repeat = 1 + in.below(kMaxRepeat);
        for (int i = 0; i < repeat && !tired(); ++i) {
            frame_ = clean_;
            feed(frame_);
        }
    }

    // Any length, any bytes: the input's own bytes at the front.
    void oddFrame(ByteReader& in) {
        const uint32_t pick = in.u32();
        const std::size_t length =
            pick % 2 == 0 ? (pick >> 1) % kFrameBytes : kFrameBytes + (pick >> 1) % 4096;
        std::vector<uint8_t> odd(length, 0);
        const auto bytes = in.take(std::min<std::size_t>(length, 64));
        std::copy(bytes.begin(), bytes.end(), odd.begin());
        feed(odd);
    }

    void feed(std::vector<uint8_t>& frame) {
        ++frames_;
        const quil::FrameReport report = quil::frameCallback(s_, desktop_, frame);
        check(&report);
        if (fixed().traceStates) {
            std::fprintf(stderr, "state %d action %d loss %d\n", static_cast<int>(s_.state),
                         static_cast<int>(report.action), static_cast<int>(report.loss));
        }
    }

    void optionsWindow(ByteReader& in) {
        if (!open_) {
            if (!quil::requestOptionsWindow(s_, desktop_)) return check(nullptr);
            quil::narrowPointerBounds(s_);
            saved_ = quil::snapshotOptions(s_);
            s_.shared.optionsOpen = true;
            open_ = true;
            return check(nullptr);
        }
        const int row = in.below(quil::kOptionRows);
        const int col = in.below(quil::kOptionLayout[static_cast<std::size_t>(row)].count);
        switch (quil::applyOptionClick(s_, {row, col})) {
            case quil::OptionButton::Ok:
                quil::finishWithOk(s_, desktop_, fixed().optionsFile);
                quil::restorePointerBounds(s_);
                open_ = false;
                break;
            case quil::OptionButton::Cancel:
            case quil::OptionButton::Exit:  // the program would end; here CANCEL stands in
                quil::finishWithCancel(s_, desktop_, saved_);
                quil::restorePointerBounds(s_);
                open_ = false;
                break;
            case quil::OptionButton::None:
                break;
        }
        check(nullptr);
    }

    void keyboardMessage(ByteReader& in) {
        const int kind = in.below(3);
        if (kind == 0) {
            quil::handleKeyboardMessage(s_, quil::keyboard::kMsgKeyboardHello, kKeyboardWindow, 0);
        } else if (kind == 1) {
            quil::handleKeyboardMessage(s_, quil::keyboard::kMsgKeyboardGone, 0, 0);
        } else {
            quil::handleKeyboardMessage(s_, quil::keyboard::kMsgKeyboardDock,
                                        static_cast<std::uintptr_t>('1' + in.below(5)), 0);
        }
        check(nullptr);
    }

    void check(const quil::FrameReport* report) {
        if (s_.state < 0 || s_.state >= quil::kStateCount)
            broken(kHarness, "a state not of the eight");
        if (report) {
            if (report->stateAfter != s_.state) broken(kHarness, "the report names another state");
            if (report->stateBefore < 0 || report->stateBefore >= quil::kStateCount) {
                broken(kHarness, "the report's state before is not of the eight");
            }
        }
        const int minX = open_ ? (screen_.width - quil::kOptionsWindowWidth) / 2 : 0;
        const int minY = open_ ? (screen_.height - quil::kOptionsWindowHeight) / 2 : 0;
        const int endX = open_ ? minX + quil::kOptionsWindowWidth : screen_.width;
        const int endY = open_ ? minY + quil::kOptionsWindowHeight : screen_.height;
        for (; seen_ < desktop_.calls.size(); ++seen_) {
            const DesktopCall& c = desktop_.calls[seen_];
            if (c.kind == DesktopCall::SetCursor) {
                if (c.a < 0 || c.a >= screen_.width || c.b < 0 || c.b >= screen_.height) {
                    broken(kHarness, "the pointer placed off the screen");
                }
                // A calibration parks the pointer at (1, 1) whatever is open;
                // the system's cursor clip holds it to the window then.
                const bool park = c.a == 1 && c.b == 1;
                if (!park && (c.a < minX || c.a >= endX || c.b < minY || c.b >= endY)) {
                    broken(kHarness, "the pointer placed off the open options window");
                }
            } else if (c.kind == DesktopCall::ButtonDown) {
                pressed_ = true;
            } else if (c.kind == DesktopCall::ButtonUp) {
                pressed_ = false;
            }
        }
        if (pressed_ != s_.pointer.buttonHeld) {
            broken(kHarness, pressed_ ? "the button left down with no drag held"
                                      : "a drag held with the button up");
        }
        if (report && (report->stateBefore == quil::Lost || report->engineSwitched) && pressed_) {
            broken(kHarness, "the button still down after a loss");
        }
        if (s_.keyboard.right - s_.keyboard.left != quil::keyboard::kKeyboardWidth ||
            s_.keyboard.bottom - s_.keyboard.top != quil::keyboard::kKeyboardHeight) {
            broken(kHarness, "the keyboard rectangle is not 412 x 192");
        }
    }

    Screen screen_;
    TrackerState s_;
    RecordingDesktop desktop_;
    std::vector<uint8_t> clean_ = std::vector<uint8_t>(kFrameBytes);
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kFrameBytes);
    std::size_t seen_ = 0;
    bool pressed_ = false;
    bool open_ = false;
    quil::SavedOptions saved_{};
    int frames_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const Screen screen = kScreens[static_cast<std::size_t>(in.below(kScreens.size()))];
    const bool keepPause = (in.u8() & 1) != 0;
    Run run(screen, keepPause);
    for (int i = 0; i < kMaxSteps && !in.empty() && !run.tired(); ++i) run.step(in);
    return 0;
}
