// The options window of quilbrand run as the user runs it: the person of the
// "idle" scene calibrates and holds still while the test works the window
// with the mouse (a hand on the mouse, which pauses the tracker), and the
// options file is read back as the program will read it at its next start.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "options/options_file.h"
#include "options/options_window_logic.h"
#include "program_run.h"
#include "tracker/tracker_state.h"
#include "x11_watch.h"

namespace quil::lnxtest {
namespace {

namespace fs = std::filesystem;

constexpr char kOptions[] = "MOPTIONS";
constexpr char kAbout[] = "Quilbrand 2";
constexpr char kIdleScene[] = "scene:idle";
// Its person looks far above the screen's middle first, for some 15 s.
constexpr char kPointingScene[] = "scene:pointing";
// The display the tests run on, and the window's place on it: centred, as
// large as the Windows window with its one-pixel frame around the picture.
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kFrame = 1;
constexpr int kCornerViewWidth = 128;
constexpr int kLargeViewWidth = 640;
// A point of the greyed picture between the eye and the mouth, row 3.
constexpr int kGreyedX = 300;
constexpr int kGreyedY = 320;

using Row = std::array<int32_t, kOptionCols>;

// What the program writes at a new user's first start: precise tracking.
constexpr char kNewUserForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1";

bool inside(const Geometry& g, std::pair<int, int> p) {
    return g.x <= p.first && p.first < g.x + g.width && g.y <= p.second &&
           p.second < g.y + g.height;
}

// The table as the program will load it at its next start.
std::array<Row, kOptionRows - 1> loadedTable(const fs::path& file) {
    auto s = std::make_unique<TrackerState>();
    loadOptions(*s, file);
    std::array<Row, kOptionRows - 1> rows{};
    for (int r = 0; r < kOptionRows - 1; ++r) {
        for (int c = 0; c < kOptionCols; ++c) {
            rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                s->shared.optionFlags[r * kOptionCols + c];
        }
    }
    return rows;
}

std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A picture as 0xRRGGBB pixels, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A 24-bit bottom-up bitmap as make_art.py writes it; an empty picture for
// anything else, or for a file shorter than its header says.
Picture readBitmap(const fs::path& file) {
    constexpr std::size_t kHeaderBytes = 54;
    constexpr int kLargest = 4096;
    const std::string bytes = contentOf(file);
    if (bytes.size() < kHeaderBytes || bytes.compare(0, 2, "BM") != 0) return {};
    const auto word = [&](std::size_t at, int size) {
        uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = v << 8 | static_cast<uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
        return v;
    };
    const std::size_t offset = word(10, 4);
    const auto width = static_cast<int32_t>(word(18, 4));
    const auto height = static_cast<int32_t>(word(22, 4));
    if (word(28, 2) != 24 || width <= 0 || height <= 0 || width > kLargest || height > kLargest) {
        return {};
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (offset > bytes.size() ||
        (bytes.size() - offset) / stride < static_cast<std::size_t>(height))
        return {};
    Picture p{width, height, {}};
    p.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            p.pixels.push_back(word(at, 3));  // B G R bytes: 0xRRGGBB
        }
    }
    return p;
}

// What the open window must show for a table: the picture inside the black
// frame (cut to the client area, as on Windows) and the tick over every
// chosen cell.
std::vector<uint32_t> expectedFace(const std::array<Row, kOptionRows - 1>& table) {
    static const Picture picture = readBitmap(fs::path(QUIL_LINUX_ART_DIR) / "opciones.bmp");
    static const Picture tick = readBitmap(fs::path(QUIL_LINUX_ART_DIR) / "checkbox.bmp");
    constexpr int w = kOptionsWindowWidth;
    std::vector<uint32_t> face(static_cast<std::size_t>(w) * kOptionsWindowHeight, 0);
    const auto put = [&](int x, int y, uint32_t colour) {
        face[static_cast<std::size_t>(y + kFrame) * w + static_cast<std::size_t>(x + kFrame)] =
            colour;
    };
    for (int y = 0; y < std::min(picture.height, kOptionsWindowHeight - 2 * kFrame); ++y)
        for (int x = 0; x < std::min(picture.width, w - 2 * kFrame); ++x)
            put(x, y, picture.at(x, y));
    for (int r = 0; r < kOptionRows - 1; ++r) {
        for (int c = 0; c < kOptionLayout[static_cast<std::size_t>(r)].count; ++c) {
            if (table[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] != 1) continue;
            const OptionPoint p = tickPosition(r, c);
            for (int y = 0; y < tick.height; ++y)
                for (int x = 0; x < tick.width; ++x) put(p.x + x, p.y + y, tick.at(x, y));
        }
    }
    return face;
}

constexpr std::array<Row, kOptionRows - 1> kDefaultTable{
    {{1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {1, 0, 0}}};

// The program with the person sat down and calibrated, and a tray to open
// its menu from.
class OptionsWindowTest : public ::testing::Test {
protected:
    Screen screen;
    TrayHost tray;
    std::unique_ptr<Program> program;

    virtual const char* scene() const { return kIdleScene; }

    void SetUp() override {
        screen.movePointer(kScreenWidth / 2, kScreenHeight / 2);
        program = std::make_unique<Program>(scene());
        ASSERT_TRUE(program->started());
        ASSERT_TRUE(waitWindow(screen, kView));
    }

    fs::path optionsFile() const { return program->config() / "quilbrand" / "options.cfg"; }

    std::optional<Geometry> view() {
        const auto v = screen.findWindow(kView);
        if (!v) return std::nullopt;
        return screen.geometry(*v);
    }
    bool viewWidthIs(int width) {
        return waitUntil([&] {
            const auto g = view();
            return g && g->width == width;
        });
    }
    void clickView() {
        const Geometry g = *view();
        screen.click(g.x + g.width / 2, g.y + g.height / 2);
    }
    // The tray menu's items by the keyboard: Down from no item selects the
    // first ("Options"), each further Down the next one past separators.
    // Returns once the menu has gone, with its grab: a click made while it
    // is up would only close it.
    bool chooseFromTray(int downs) {
        const Geometry icon = TrayHost::firstIconPlace();
        screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
        if (!waitUntil([&] { return screen.menuShowing(); })) return false;
        for (int i = 0; i < downs; ++i) screen.key("Down");
        screen.key("Return");
        return waitUntil([&] { return !screen.menuShowing(); });
    }
    std::optional<Geometry> waitOptions() {
        const auto w = waitWindow(screen, kOptions);
        if (!w) return std::nullopt;
        return screen.geometry(*w);
    }
    // Waits until the window shows the face of `table`; on failure says
    // where it differs first.
    ::testing::AssertionResult shows(const Geometry& window,
                                     const std::array<Row, kOptionRows - 1>& table) {
        const std::vector<uint32_t> expected = expectedFace(table);
        std::vector<uint32_t> seen;
        if (waitUntil([&] { return (seen = screen.capture(window)) == expected; }))
            return ::testing::AssertionSuccess();
        if (seen.size() != expected.size()) return ::testing::AssertionFailure() << "no capture";
        std::size_t wrong = 0;
        std::size_t first = expected.size();
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (seen[i] == expected[i]) continue;
            ++wrong;
            first = std::min(first, i);
        }
        return ::testing::AssertionFailure()
               << wrong << " pixels differ, the first at (" << first % kOptionsWindowWidth << ", "
               << first / kOptionsWindowWidth << ")";
    }
    bool optionsGone() {
        return waitUntil([&] { return !screen.findWindow(kOptions); });
    }
    // The middle of a cell of the picture, on the screen.
    void clickCell(const Geometry& window, int row, int col) {
        const OptionRect& c =
            kOptionLayout[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(col)];
        screen.click(window.x + kFrame + (c.left + c.right) / 2,
                     window.y + kFrame + (c.top + c.bottom) / 2);
    }
};

// A new user's first OK: the window is centred, each click takes effect by
// the portable rules, and the file the first start wrote is replaced.
TEST_F(OptionsWindowTest, OkWritesTheClickedChoicesIntoANewFolder) {
    ASSERT_TRUE(viewWidthIs(kCornerViewWidth)) << "never calibrated";
    clickView();
    const auto window = waitOptions();
    ASSERT_TRUE(window) << "a click on the corner view did not open the options";
    EXPECT_EQ(window->x, (kScreenWidth - kOptionsWindowWidth) / 2);
    EXPECT_EQ(window->y, (kScreenHeight - kOptionsWindowHeight) / 2);
    EXPECT_EQ(window->width, kOptionsWindowWidth);
    EXPECT_EQ(window->height, kOptionsWindowHeight);
    EXPECT_EQ(contentOf(optionsFile()), kNewUserForm) << "a new user starts precise";
    EXPECT_TRUE(shows(*window, kDefaultTable));
    screen.screenshot("linux_options_window");

    clickCell(*window, 0, 1);  // no mirroring
    clickCell(*window, 1, 2);  // the smallest head range
    clickCell(*window, 2, 0);  // the slowest speed
    clickCell(*window, 3, 0);  // refused: the eyes drag
    clickCell(*window, 4, 0);  // the eyes stop dragging...
    clickCell(*window, 3, 0);  // ...and may click now
    clickCell(*window, 3, 1);  // the mouth stops clicking...
    clickCell(*window, 4, 1);  // ...and drags instead
    clickCell(*window, 3, 0);  // refused: the last click gesture stays
    // The border line of a cell and the greyed picture have no cell.
    screen.click(window->x + kFrame + kOptionLayout[0].cells[0].left, window->y + kFrame + 50);
    screen.click(window->x + kFrame + kGreyedX, window->y + kFrame + kGreyedY);
    const std::array<Row, kOptionRows - 1> chosen{
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
    EXPECT_TRUE(shows(*window, chosen));
    clickCell(*window, kButtonRow, 0);

    ASSERT_TRUE(optionsGone());
    ASSERT_TRUE(waitUntil([&] { return contentOf(optionsFile()) != kNewUserForm; }))
        << "OK saved nothing";
    EXPECT_EQ(loadedTable(optionsFile()), chosen);
}

// CANCEL puts the table back, even when the options were asked for again
// while open (a second request must not take the changed table as the one
// to restore); "About ..." does nothing meanwhile.
TEST_F(OptionsWindowTest, CancelRestoresTheTableAndLeavesTheFileAlone) {
    ASSERT_TRUE(viewWidthIs(kCornerViewWidth)) << "never calibrated";
    ASSERT_TRUE(chooseFromTray(1)) << "no menu";
    const auto window = waitOptions();
    ASSERT_TRUE(window) << "the tray's first item did not open the options";
    clickCell(*window, 0, 1);
    clickCell(*window, 2, 2);
    clickView();

    // "About ...": past the greyed engine and check items, the sensitivity
    // submenu, "Pause" and "Scroll", the saved choices greyed while the
    // window is open, the pointing test greyed likewise, and "Manual".
    ASSERT_TRUE(chooseFromTray(6)) << "no menu";
    clickCell(*window, kButtonRow, 1);
    // An About box would be modal and keep the CANCEL click from the window.
    ASSERT_TRUE(optionsGone());
    EXPECT_FALSE(screen.findWindow(kAbout)) << "About opened over the options";
    EXPECT_EQ(contentOf(optionsFile()), kNewUserForm);

    clickView();
    const auto again = waitOptions();
    ASSERT_TRUE(again) << "the options did not open a second time";
    // The restored table is the one the first start wrote: without the file
    // the write is seen.
    fs::remove(optionsFile());
    clickCell(*again, kButtonRow, 0);
    ASSERT_TRUE(waitUntil([&] { return fs::exists(optionsFile()); }));
    const auto rows = loadedTable(optionsFile());
    EXPECT_EQ(rows[0], (Row{1, 0, 0}));
    EXPECT_EQ(rows[2], (Row{0, 1, 0}));
}

// An existing file is replaced by OK and left as it was by CANCEL, byte for
// byte.
TEST_F(OptionsWindowTest, CancelDoesNotTouchAnExistingFile) {
    ASSERT_TRUE(viewWidthIs(kCornerViewWidth)) << "never calibrated";
    clickView();
    auto window = waitOptions();
    ASSERT_TRUE(window);
    clickCell(*window, 1, 0);
    clickCell(*window, kButtonRow, 0);
    ASSERT_TRUE(waitUntil([&] { return contentOf(optionsFile()) != kNewUserForm; }));
    const std::string saved = contentOf(optionsFile());
    ASSERT_TRUE(optionsGone());

    clickView();
    window = waitOptions();
    ASSERT_TRUE(window);
    clickCell(*window, 1, 2);
    clickCell(*window, kButtonRow, 1);
    ASSERT_TRUE(optionsGone());
    EXPECT_EQ(contentOf(optionsFile()), saved);
    EXPECT_EQ(loadedTable(optionsFile())[1], (Row{1, 0, 0}));
}

// While the head is searched for (the large view) neither the view nor the
// tray opens the options; once tracking, EXIT ends the program as the tray's
// Exit does.
TEST_F(OptionsWindowTest, NotDuringTheHeadSearchAndExitEndsTheProgram) {
    ASSERT_TRUE(viewWidthIs(kLargeViewWidth));
    clickView();
    ASSERT_TRUE(chooseFromTray(1)) << "no menu";
    // Both requests were handled before the calibration ended.
    ASSERT_TRUE(viewWidthIs(kCornerViewWidth)) << "never calibrated";
    EXPECT_FALSE(screen.findWindow(kOptions)) << "the options opened during the head search";

    clickView();
    const auto window = waitOptions();
    ASSERT_TRUE(window);
    clickCell(*window, kButtonRow, 2);
    EXPECT_EQ(program->waitExit(), 0);
    EXPECT_TRUE(tray.icons().empty());
    EXPECT_EQ(contentOf(optionsFile()), kNewUserForm) << "EXIT saved the table";
}

class PointingAtTheOptions : public OptionsWindowTest {
protected:
    const char* scene() const override { return kPointingScene; }
};

// The person looks above the window: while it is open the tracker stops the
// pointer on its top edge; once closed the pointer goes on up.
TEST_F(PointingAtTheOptions, ThePointerIsHeldToTheWindowWhileItIsOpen) {
    ASSERT_TRUE(viewWidthIs(kCornerViewWidth)) << "never calibrated";
    clickView();
    const auto window = waitOptions();
    ASSERT_TRUE(window);
    const Geometry g = *window;
    // The hand left the pointer on the corner view; the tracker brings it.
    ASSERT_TRUE(waitUntil([&] { return inside(g, screen.pointer()); })) << "never on the window";
    bool stayed = true;
    const bool atEdge = waitUntil([&] {
        const auto p = screen.pointer();
        stayed = stayed && inside(g, p);
        return p.second == g.y;
    });
    EXPECT_TRUE(stayed) << "the pointer left the open window";
    EXPECT_TRUE(atEdge) << "the pointer never reached the window's top edge";

    clickCell(g, kButtonRow, 1);
    ASSERT_TRUE(optionsGone());
    EXPECT_TRUE(waitUntil([&] { return screen.pointer().second < g.y; }))
        << "the pointer was still held after CANCEL";
}

}  // namespace
}  // namespace quil::lnxtest
