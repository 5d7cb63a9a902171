// quilbrand run as the user runs it, in a virtual X display with a tray,
// watched from outside: the test build plays a simulated person instead of
// the camera (QUIL_TEST_CAMERA), or answers as a machine without a camera.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "x11_watch.h"

extern char** environ;

namespace quil::lnxtest {
namespace {

namespace fs = std::filesystem;

constexpr char kWarning[] = "Advertencia";
constexpr char kView[] = "Quilbrand2";
constexpr char kEyes[] = "EYES";

// The test build, started with its camera choice and a configuration folder
// of its own; killed if a test leaves it running.
class Program {
public:
    explicit Program(const std::string& camera) {
        config_ = fs::temp_directory_path() / ("quil-linux-" + std::to_string(getpid()));
        fs::remove_all(config_);
        fs::create_directories(config_);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            // No session bus: the icon goes to the X tray, as on a plain
            // X session.
            if (entry.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0) continue;
            env.push_back(entry);
        }
        env.push_back("QUIL_TEST_CAMERA=" + camera);
        env.push_back("XDG_CONFIG_HOME=" + config_.string());
        // Qt's and the font library's caches live for the whole process.
        env.push_back("ASAN_OPTIONS=detect_leaks=0");
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string path = QUIL_LINUX_TEST_PROGRAM;
        char* argv[] = {path.data(), nullptr};
        started_ = posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, envp.data()) == 0;
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (started_ && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(config_);
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
    const fs::path& config() const { return config_; }

private:
    pid_t pid_ = 0;
    bool started_ = false;
    bool exited_ = false;
    fs::path config_;
};

std::optional<unsigned long> waitWindow(Screen& screen, const char* title) {
    std::optional<unsigned long> found;
    waitUntil([&] { return (found = screen.findWindow(title)).has_value(); });
    return found;
}

TEST(LinuxProgram, WithoutACameraWarnsRemovesItsTrayIconAndExitsWithZero) {
    Screen screen;
    TrayHost tray;
    Program program("none");
    ASSERT_TRUE(program.started());
    const auto box = waitWindow(screen, kWarning);
    ASSERT_TRUE(box) << "no warning";
    EXPECT_TRUE(waitUntil([&] { return tray.icons().size() == 1; })) << "no tray icon";
    EXPECT_FALSE(screen.findWindow(kView)) << "no camera view without a camera";
    screen.key(*box, "Return");
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_TRUE(tray.icons().empty());
}

TEST(LinuxProgram, ACameraWithoutTheFormatWarnsAndExitsWithZero) {
    Screen screen;
    TrayHost tray;
    Program program("noformat");
    const auto box = waitWindow(screen, kWarning);
    ASSERT_TRUE(box);
    screen.key(*box, "Return");
    EXPECT_EQ(program.waitExit(), 0);
}

// The person sits down and blinks at the eyes window; once calibrated the
// view goes to the corner and the head moves the X pointer; the tray menu's
// Exit ends the program with the button up.
TEST(LinuxProgram, CalibratesThenTheHeadMovesTheXPointerAndExitEndsIt) {
    Screen screen;
    TrayHost tray;
    screen.movePointer(512, 384);
    Program program("scene:pointing");
    const auto view = waitWindow(screen, kView);
    ASSERT_TRUE(view);
    const Geometry large = screen.geometry(*view);
    EXPECT_EQ(large.width, 640);
    EXPECT_EQ(large.height, 480);
    EXPECT_EQ(large.x, 192);
    EXPECT_EQ(large.y, 144);

    EXPECT_TRUE(waitWindow(screen, kEyes)) << "the eyes window never asked for blinks";
    // The corner view: one eighth of the screen, 30 pixels above the bottom.
    ASSERT_TRUE(waitUntil([&] {
        const auto v = screen.findWindow(kView);
        return v && screen.geometry(*v).width == 128;
    })) << "never calibrated";
    const Geometry corner = screen.geometry(*screen.findWindow(kView));
    EXPECT_EQ(corner.height, 96);
    EXPECT_EQ(corner.x + corner.width, 1024);
    EXPECT_FALSE(screen.findWindow(kEyes));

    // The scene's first target is up and to the left of the rest pose.
    EXPECT_TRUE(waitUntil([&] { return screen.pointer().first > 200; }))
        << "the pointer did not follow the head";

    // The tray menu: the icon's left button opens it; Exit is its last item.
    ASSERT_EQ(tray.icons().size(), 1u);
    const Geometry icon = TrayHost::firstIconPlace();
    screen.click(icon.x + icon.width / 2, icon.y + icon.height / 2);
    ASSERT_TRUE(waitUntil([&] { return screen.popupShowing(); })) << "no menu";
    // The menu has the keyboard: Up from no item selects the last one.
    screen.key("Up");
    screen.key("Return");
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_TRUE(tray.icons().empty());
}

}  // namespace
}  // namespace quil::lnxtest
