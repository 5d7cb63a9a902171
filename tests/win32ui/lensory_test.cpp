// Lensory run as the user runs it, on a machine without a camera: it must
// end by itself, at once, with exit code 0 and without showing anything.
#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kPatienceMs = 10000;
constexpr DWORD kPollMs = 5;

// The build hands us a Unix path; under Wine it is reached through drive Z:.
std::string windowsPath(const char* path) {
    std::string out = path[0] == '/' ? "Z:" : "";
    for (const char* c = path; *c != 0; ++c) out.push_back(*c == '/' ? '\\' : *c);
    return out;
}

struct VisibleSearch {
    DWORD process;
    bool found;
};

BOOL CALLBACK noteVisible(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<VisibleSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window)) search->found = true;
    return TRUE;
}

TEST(Lensory, WithoutACameraEndsSilentlyWithExitCodeZero) {
    std::string command(1, '"');
    command.append(windowsPath(QUIL_LENSORY_PATH));
    command.push_back('"');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << command;
    VisibleSearch search{process.dwProcessId, false};
    DWORD waited = 0;
    DWORD state = WAIT_TIMEOUT;
    while (waited < kPatienceMs &&
           (state = WaitForSingleObject(process.hProcess, kPollMs)) == WAIT_TIMEOUT) {
        EnumWindows(noteVisible, reinterpret_cast<LPARAM>(&search));
        waited += kPollMs;
    }
    if (state == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(state, WAIT_OBJECT_0) << "still running after " << kPatienceMs << " ms";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(search.found) << "it showed a window";
}

}  // namespace
