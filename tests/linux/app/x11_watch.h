// Watching the test display from outside the program: windows by title,
// their geometry, the pointer, keys and clicks made through XTest, and a
// minimal system tray (the XEmbed protocol) that docks tray icons so that
// they can be seen and clicked.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct _XDisplay;

namespace quil::lnxtest {

inline constexpr auto kPatience = std::chrono::seconds(30);

// Polls `ready` until it holds or the patience runs out.
bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds patience = kPatience);

struct Geometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class Screen {
public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // A mapped window with that title, anywhere in the tree.
    [[nodiscard]] std::optional<unsigned long> findWindow(const std::string& title);
    [[nodiscard]] Geometry geometry(unsigned long window);
    // Whether a popup (a mapped top-level window that bypasses the window
    // manager, as menus do) is showing.
    [[nodiscard]] bool popupShowing();
    // Whether a menu is showing: a popup other than a tooltip (which a
    // hovered tray icon may show). Qt names its tray menu a normal window.
    [[nodiscard]] bool menuShowing();
    [[nodiscard]] std::pair<int, int> pointer();
    // The window that has the keyboard focus (0 for none).
    [[nodiscard]] unsigned long focus();
    // What the screen shows in `area`, row by row, each pixel 0xRRGGBB;
    // empty when the area is not all on the screen.
    [[nodiscard]] std::vector<uint32_t> capture(const Geometry& area);
    // With QUIL_SCREENSHOTS set, the whole screen as NAME.ppm in that folder
    // (tests/linux/app/take-screenshots turns them into the README's).
    void screenshot(const char* name);
    void movePointer(int x, int y);
    void click(int x, int y);
    // Focuses `window` and types the key named (an X keysym name: "Return", "Up").
    void key(unsigned long window, const char* keysym);
    // Keys to whatever has the keyboard (a menu that grabbed it).
    void key(const char* keysym);

private:
    bool anyPopup(const std::function<bool(unsigned long)>& matches);

    _XDisplay* display_;
};

// A window over the whole screen, beneath whatever maps after it, that
// counts the left-button presses it receives: what another program sees of
// the tracker's clicks.
class ClickCatcher {
public:
    ClickCatcher();
    ~ClickCatcher();
    ClickCatcher(const ClickCatcher&) = delete;
    ClickCatcher& operator=(const ClickCatcher&) = delete;

    // Presses received so far.
    [[nodiscard]] int presses();

private:
    _XDisplay* display_;
    unsigned long window_ = 0;
    int presses_ = 0;
};

// Owns the tray selection of screen 0 and docks every icon that asks.
class TrayHost {
public:
    TrayHost();
    ~TrayHost();
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    // The docked icons' windows, and where the host shows the first one.
    [[nodiscard]] std::vector<unsigned long> icons();
    [[nodiscard]] static Geometry firstIconPlace();

private:
    void serve();

    _XDisplay* display_;
    unsigned long host_ = 0;
    std::mutex mutex_;
    std::vector<unsigned long> icons_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace quil::lnxtest
