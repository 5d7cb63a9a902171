// The options window's click rules on any sequence of clicks, from any
// table an options file can hold.
//
// Rules checked after every click:
// - a click hits the cell that strictly contains it, or none;
// - rows 0..2 end with exactly the clicked choice ticked, and every derived
//   value is its row's;
// - rows 3 and 4 never come to share a gesture, and a click never takes
//   the last click gesture away;
// - the pointer bounds are the window's while it is open, the screen's
//   after it closed;
// - OK writes the saved form, which loads back to the same table and
//   engine; CANCEL puts back the table the window found (it is given no
//   file to touch).
//
// Input: a byte for the screen, a byte for the keyboard, fifteen or sixteen
// table values, then clicks of five bytes each until the input ends.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

#include "fuzz/fuzz_support.h"
#include "fuzz/options_check.h"
#include "keyboard_link/keyboard_link.h"
#include "options/options_file.h"
#include "options/options_window_logic.h"
#include "tests/support/recording_desktop.h"
#include "tracker/views.h"

namespace {

namespace fs = std::filesystem;
using quil::OptionCell;
using quil::TrackerState;
using quil::fuzz::broken;
using quil::fuzz::ByteReader;
using quil::testing::RecordingDesktop;

constexpr const char* kHarness = "options_window";
constexpr int kMaxClicks = 200;
constexpr quil::WindowHandle kKeyboardWindow = 0x5150;
constexpr int kClickRow = 3;
constexpr int kDragRow = 4;

struct Screen {
    int width;
    int height;
};
constexpr std::array<Screen, 4> kScreens{{{1024, 768}, {1920, 1080}, {800, 600}, {640, 480}}};

// One directory for the whole run, its name drawn at random so that two
// runs never share it; in memory where the machine has such a place, since
// OK writes the file millions of times in a campaign.
const fs::path& optionsFile() {
    static const fs::path file = [] {
        std::random_device random;
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path dir = base / ("quil_fuzz_options_" + std::to_string(random()));
        fs::create_directories(dir);
        return dir / "options.cfg";
    }();
    return file;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int32_t at(const TrackerState& s, int row, int col) { return s.shared.optionFlags[row * 3 + col]; }

// Gestures both ticked to click and to drag, as bits.
unsigned shared(const TrackerState& s) {
    unsigned bits = 0;
    for (int k = 0; k < 3; ++k) {
        if (at(s, kClickRow, k) == 1 && at(s, kDragRow, k) == 1) bits |= 1u << k;
    }
    return bits;
}
bool anyClick(const TrackerState& s) {
    return at(s, kClickRow, 0) == 1 || at(s, kClickRow, 1) == 1 || at(s, kClickRow, 2) == 1;
}

void checkHit(int x, int y, const std::optional<OptionCell>& hit) {
    std::optional<OptionCell> inside;
    for (int row = 0; row < quil::kOptionRows && !inside; ++row) {
        const auto& r = quil::kOptionLayout[static_cast<std::size_t>(row)];
        for (int col = 0; col < r.count && !inside; ++col) {
            const auto& c = r.cells[static_cast<std::size_t>(col)];
            if (c.left < x && x < c.right && c.top < y && y < c.bottom)
                inside = OptionCell{row, col};
        }
    }
    if (hit != inside) broken(kHarness, "a click hit a cell that does not strictly hold it");
}

void checkBounds(const TrackerState& s, const Screen& screen, bool open) {
    const int left = open ? (screen.width - quil::kOptionsWindowWidth) / 2 : 1;
    const int top = open ? (screen.height - quil::kOptionsWindowHeight) / 2 : 1;
    const int right = open ? left + quil::kOptionsWindowWidth - 1 : screen.width - 10;
    const int bottom = open ? top + quil::kOptionsWindowHeight - 1 : screen.height - 10;
    if (s.shared.clampMinX != left || s.shared.clampMaxX != right || s.shared.clampMinY != top ||
        s.shared.clampMaxY != bottom) {
        broken(kHarness,
               open ? "the pointer is not kept on the window" : "the bounds not restored");
    }
}

// A click's place: most often aimed into a cell, its border lines included,
// sometimes anywhere a signed 16-bit coordinate reaches.
void clickPlace(ByteReader& in, int& x, int& y) {
    const uint8_t how = in.u8();
    if (how < 200) {
        const int row = how % quil::kOptionRows;
        const auto& r = quil::kOptionLayout[static_cast<std::size_t>(row)];
        const auto& c = r.cells[static_cast<std::size_t>(in.below(r.count))];
        x = c.left + in.below(c.right - c.left + 1);
        y = c.top + in.below(c.bottom - c.top + 1);
    } else {
        x = static_cast<int16_t>(in.u16());
        y = static_cast<int16_t>(in.u16());
    }
}

void checkOk(const TrackerState& s) {
    const std::string text = readAll(optionsFile());
    if (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        broken(kHarness, "the saved form ends in white space");
    }
    TrackerState back;
    back.session.screenWidth = s.session.screenWidth;
    back.session.screenHeight = s.session.screenHeight;
    quil::loadOptions(back, optionsFile());
    if (quil::fuzz::storedTable(back) != quil::fuzz::storedTable(s)) {
        broken(kHarness, "OK's file does not load back to the same table");
    }
    if (back.shared.engineChoice != s.shared.engineChoice) broken(kHarness, "OK lost the engine");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const Screen screen = kScreens[static_cast<std::size_t>(in.below(kScreens.size()))];
    const uint8_t keyboard = in.u8();

    TrackerState s;
    quil::setScreenDefaults(s, screen.width, screen.height);
    // The table as a file gives it: mostly 0 and 1, sometimes anything.
    std::string text;
    const int count = 15 + in.below(2);
    for (int i = 0; i < count; ++i) {
        const uint8_t tag = in.u8();
        text += std::to_string(tag < 240 ? tag % 2 : tag < 250 ? tag % 4 : in.i32()) + ' ';
    }
    quil::applyOptionsText(s, text);
    RecordingDesktop desktop;
    if (keyboard % 3 != 0) quil::onKeyboardHello(s, kKeyboardWindow);
    if (keyboard % 3 == 2) quil::toggleKeyboard(s, desktop);

    bool open = false;
    quil::SavedOptions saved{};
    for (int step = 0; step < kMaxClicks && !in.empty(); ++step) {
        if (!open) {
            // The tray menu asks for the window; it opens narrowed.
            if (!quil::requestOptionsWindow(s, desktop))
                broken(kHarness, "the window did not open");
            quil::narrowPointerBounds(s);
            saved = quil::snapshotOptions(s);
            s.shared.optionsOpen = true;
            open = true;
            checkBounds(s, screen, open);
        }
        int x = 0;
        int y = 0;
        clickPlace(in, x, y);
        const auto hit = quil::hitTest(x, y);
        checkHit(x, y, hit);
        if (!hit) continue;

        const unsigned sharedBefore = shared(s);
        const bool clickBefore = anyClick(s);
        const quil::OptionButton button = quil::applyOptionClick(s, *hit);
        if ((button != quil::OptionButton::None) != (hit->row == quil::kButtonRow)) {
            broken(kHarness, "a button from a choice, or none from a button");
        }
        if (hit->row < kClickRow) {
            for (int k = 0; k < 3; ++k) {
                if (at(s, hit->row, k) != (k == hit->col ? 1 : 0)) {
                    broken(kHarness, "a single-choice row with other than the clicked tick");
                }
            }
        }
        if ((shared(s) & ~sharedBefore) != 0)
            broken(kHarness, "rows 3 and 4 came to share a gesture");
        if (clickBefore && !anyClick(s)) broken(kHarness, "the last click gesture was taken away");

        if (button == quil::OptionButton::Ok) {
            quil::finishWithOk(s, desktop, optionsFile());
            quil::restorePointerBounds(s);
            open = false;
            checkOk(s);
        } else if (button == quil::OptionButton::Cancel) {
            quil::finishWithCancel(s, desktop, saved);
            quil::restorePointerBounds(s);
            open = false;
            if (quil::snapshotOptions(s) != saved)
                broken(kHarness, "CANCEL did not restore the table");
        } else if (button == quil::OptionButton::Exit) {
            break;
        }
        if (!open) {
            if (s.shared.optionsOpen) broken(kHarness, "optionsOpen still set after closing");
            if (s.keyboard.window != 0 && !s.keyboard.stayHidden) {
                broken(kHarness, "the keyboard is not left to stay as it is after closing");
            }
        }
        quil::fuzz::checkButtonsClear(kHarness, s);
        quil::fuzz::checkDerived(kHarness, s);
        checkBounds(s, screen, open);
    }
    return 0;
}
