// quilbrand-camera run as the user runs it, in a virtual X display, on the
// test build's scripted camera (QUIL_TEST_CAMERA_DEVICE): clicked and typed
// at from outside, the controls it sets read from the camera's log.
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "x11_watch.h"
// Last: its macros (None, Bool) would rename GoogleTest's own names.
#include <X11/Xlib.h>

extern char** environ;

namespace quil::lnxtest {
namespace {

namespace fs = std::filesystem;

constexpr char kWarning[] = "Advertencia";
// "Quilbrand - cámara" as X's WM_NAME holds it, in ISO 8859-1.
constexpr char kTitle[] = "Quilbrand - c\xe1mara";
constexpr char kReset[] = "Restablecer";

// The tool's test build on a camera of its choice, with a log and a places
// file of its own; killed if a test leaves it running.
class Tool {
public:
    explicit Tool(const std::string& device) {
        dir_ = fs::temp_directory_path() / ("quil-camera-tool-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
        env.push_back("QUIL_TEST_CAMERA_DEVICE=" + device);
        env.push_back("QUIL_TEST_CAMERA_LOG=" + (dir_ / "log").string());
        env.push_back("QUIL_TEST_CAMERA_PLACES=" + (dir_ / "places").string());
        // Qt's and the font library's caches live for the whole process.
        env.push_back("ASAN_OPTIONS=detect_leaks=0");
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string path = QUIL_CAMERA_TOOL_TEST_PROGRAM;
        char* argv[] = {path.data(), nullptr};
        started_ = posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, envp.data()) == 0;
    }
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool() {
        if (started_ && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }
    [[nodiscard]] bool started() const { return started_; }
    // The exit code, or -1 if it has not ended within the patience.
    int waitExit() {
        int status = 0;
        const bool ended = waitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
        if (!ended) return -1;
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }
    // The control sets the camera has received, in order, as "S_CTRL id value".
    [[nodiscard]] std::vector<std::string> log() const {
        std::vector<std::string> lines;
        std::ifstream in(dir_ / "log");
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Where each named control (and the reset button) is, in the window.
    [[nodiscard]] std::map<std::string, std::pair<int, int>> places() const {
        std::map<std::string, std::pair<int, int>> out;
        std::ifstream in(dir_ / "places");
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            int x = 0;
            int y = 0;
            std::string name;
            fields >> x >> y >> std::ws;
            std::getline(fields, name);
            out[name] = {x, y};
        }
        return out;
    }

private:
    pid_t pid_ = 0;
    bool started_ = false;
    bool exited_ = false;
    fs::path dir_;
};

// What a window manager sends when the user closes the window.
void askToClose(unsigned long window) {
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &e);
    XCloseDisplay(d);
}

std::string set(uint32_t id, int32_t value) {
    return "S_CTRL " + std::to_string(id) + ' ' + std::to_string(value);
}

// The window on the standard camera, and where to click its controls.
class StandardWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tool.started());
        ASSERT_TRUE(waitUntil([&] { return (window = screen.findWindow(kTitle)).has_value(); }))
            << "no window";
        ASSERT_TRUE(waitUntil([&] { return tool.places().count(kReset) == 1; })) << "no places";
        places = tool.places();
    }
    // Clicks the middle of the named control.
    void click(const std::string& name) {
        ASSERT_EQ(places.count(name), 1u) << name;
        const Geometry at = screen.geometry(*window);
        screen.click(at.x + places[name].first, at.y + places[name].second);
    }
    void key(const char* keysym) { screen.key(*window, keysym); }
    bool logged(const std::string& line, std::size_t from = 0) {
        return waitUntil([&] {
            const std::vector<std::string> log = tool.log();
            return log.size() > from && std::find(log.begin() + static_cast<std::ptrdiff_t>(from),
                                                  log.end(), line) != log.end();
        });
    }

    Screen screen;
    Tool tool{"standard"};
    std::optional<unsigned long> window;
    std::map<std::string, std::pair<int, int>> places;
};

TEST(LinuxCameraTool, WithoutACameraWarnsAndExitsWithZero) {
    Screen screen;
    Tool tool("none");
    ASSERT_TRUE(tool.started());
    std::optional<unsigned long> box;
    ASSERT_TRUE(waitUntil([&] { return (box = screen.findWindow(kWarning)).has_value(); }))
        << "no warning";
    EXPECT_FALSE(screen.findWindow(kTitle)) << "no settings window without a camera";
    screen.key(*box, "Return");
    EXPECT_EQ(tool.waitExit(), 0);
}

TEST_F(StandardWindow, KeysOnASliderSetTheControlStepByStep) {
    EXPECT_TRUE(tool.log().empty()) << "showing the window sets nothing";
    click("Brightness");
    key("Home");
    ASSERT_TRUE(logged(set(V4L2_CID_BRIGHTNESS, -64)));
    key("Right");
    EXPECT_TRUE(logged(set(V4L2_CID_BRIGHTNESS, -63)));
    key("End");
    EXPECT_TRUE(logged(set(V4L2_CID_BRIGHTNESS, 64)));
}

// White balance starts automatic, its temperature greyed: keys there set
// nothing until the check box is clicked off.
TEST_F(StandardWindow, AClickOnAnAutoSwitchSetsItAndFreesTheControlItGoverns) {
    click("White Balance Temperature");
    key("Home");
    click("White Balance, Automatic");
    ASSERT_TRUE(logged(set(V4L2_CID_AUTO_WHITE_BALANCE, 0)));
    const std::string temperature = "S_CTRL " + std::to_string(V4L2_CID_WHITE_BALANCE_TEMPERATURE);
    for (const std::string& line : tool.log()) {
        if (line == set(V4L2_CID_AUTO_WHITE_BALANCE, 0)) break;
        EXPECT_NE(line.rfind(temperature, 0), 0u) << "the greyed temperature was set: " << line;
    }

    click("White Balance Temperature");
    key("Home");
    EXPECT_TRUE(logged(set(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800)));
}

TEST_F(StandardWindow, AnEntryChosenFromAMenuReachesTheCamera) {
    click("Power Line Frequency");
    ASSERT_TRUE(waitUntil([&] { return screen.popupShowing(); })) << "the menu did not open";
    // The list opens on the current entry (50 Hz); the next is 60 Hz.
    screen.key("Down");
    screen.key("Return");
    EXPECT_TRUE(logged(set(V4L2_CID_POWER_LINE_FREQUENCY, 2)));
}

TEST_F(StandardWindow, ResetSetsEveryControlToItsDefault) {
    click("Brightness");
    key("End");
    click("Focus, Automatic Continuous");
    ASSERT_TRUE(logged(set(V4L2_CID_FOCUS_AUTO, 0)));
    const std::size_t before = tool.log().size();
    click(kReset);
    EXPECT_TRUE(logged(set(V4L2_CID_BRIGHTNESS, 0), before));
    EXPECT_TRUE(logged(set(V4L2_CID_CONTRAST, 32), before));
    EXPECT_TRUE(logged(set(V4L2_CID_FOCUS_AUTO, 1), before));
    EXPECT_TRUE(logged(set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY), before));
}

TEST_F(StandardWindow, ClosingTheWindowEndsTheToolWithZero) {
    askToClose(*window);
    EXPECT_EQ(tool.waitExit(), 0);
}

}  // namespace
}  // namespace quil::lnxtest
