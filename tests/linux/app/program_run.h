// The test build of quilbrand started as the user starts it, with its camera
// choice (QUIL_TEST_CAMERA) and a configuration folder of its own.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "x11_watch.h"

namespace quil::lnxtest {

inline constexpr char kWarning[] = "Advertencia";
inline constexpr char kView[] = "Quilbrand2";
inline constexpr char kEyes[] = "EYES";

// Killed if a test leaves it running; its folder is removed either way.
class Program {
public:
    // `extraEnvironment`: NAME=VALUE entries added to the program's;
    // `program`: the test build unless another is named (the shipped one).
    explicit Program(const std::string& camera,
                     const std::vector<std::string>& extraEnvironment = {},
                     const char* program = QUIL_LINUX_TEST_PROGRAM);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    [[nodiscard]] bool started() const { return started_; }
    // The exit code, or -1 if it has not ended within the patience.
    int waitExit();
    // $XDG_CONFIG_HOME as the program sees it.
    [[nodiscard]] const std::filesystem::path& config() const { return config_; }

private:
    pid_t pid_ = 0;
    bool started_ = false;
    bool exited_ = false;
    std::filesystem::path config_;
};

// A window with that title once it shows, or none within the patience.
std::optional<unsigned long> waitWindow(Screen& screen, const char* title);

}  // namespace quil::lnxtest
