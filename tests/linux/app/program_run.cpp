#include "program_run.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace quil::lnxtest {

namespace fs = std::filesystem;

Program::Program(const std::string& camera, const std::vector<std::string>& extraEnvironment,
                 const char* program) {
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
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    started_ = posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, envp.data()) == 0;
}

Program::~Program() {
    if (started_ && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(config_);
}

int Program::waitExit() {
    int status = 0;
    const bool ended = waitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
    if (!ended) return -1;
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

std::optional<unsigned long> waitWindow(Screen& screen, const char* title) {
    std::optional<unsigned long> found;
    waitUntil([&] { return (found = screen.findWindow(title)).has_value(); });
    return found;
}

}  // namespace quil::lnxtest
