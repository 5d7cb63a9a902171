// The release's installer, run as a user runs it, in a fresh Wine prefix
// (tests/win32/in-fresh-prefix): silently installed, its shortcuts read
// back through the shell, the installed tracker started from its shortcut,
// installed again over the user's options, then silently uninstalled.
// The tests build on one another and run in this order in one process.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <winver.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "program_harness.h"
#include "quil_version.h"

namespace quil::wintest {
namespace {

namespace fs = std::filesystem;

// An installation is mostly unpacking 18 MB; Wine is slow to start it.
constexpr DWORD kInstallPatienceMs = 120000;

const std::vector<std::string> kInstalledFiles = {"Quilbrand2.exe",
                                                  "Lensory.exe",
                                                  "plakette2.exe",
                                                  "manual.pdf",
                                                  "manual-en.pdf",
                                                  "shape_predictor_5_face_landmarks.dat",
                                                  "LICENSE.txt",
                                                  "licences\\dlib.txt",
                                                  "licences\\landmark-model.txt",
                                                  "licences\\mingw-w64-runtime.txt",
                                                  "licences\\landmark-model-68.txt",
#if QUIL_SHIPS_FULL_MODEL
                                                  "shape_predictor_68_face_landmarks.dat",
#endif
                                                  "uninstall.exe"};
// A new user's options, written by the installer: precise tracking.
constexpr char kNewUserOptions[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1";
const std::vector<std::string> kMenuShortcuts = {"Quilbrand2.lnk", "Lensory.lnk", "Manual.lnk",
                                                 "Manual (English).lnk"};
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quilbrand";

fs::path shellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
fs::path installDir() { return shellFolder(CSIDL_LOCAL_APPDATA) / "Programs" / "Quilbrand"; }
fs::path menuFolder() { return shellFolder(CSIDL_PROGRAMS) / "Quilbrand"; }
fs::path logonShortcut() { return shellFolder(CSIDL_STARTUP) / "Quilbrand2.lnk"; }

// Runs a program of the release with its arguments and waits for its end.
long runAndWait(const std::string& windowsCommand, DWORD patienceMs) {
    std::string command = windowsCommand;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -2;
    }
    long code = -1;
    if (WaitForSingleObject(info.hProcess, patienceMs) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(info.hProcess, &exitCode);
        code = static_cast<long>(exitCode);
    } else {
        TerminateProcess(info.hProcess, 99);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

// A command line: the program in quotes, then its arguments. Built by
// appending (GCC 12 warns falsely on a literal plus a string at -O3).
std::string commandLine(const std::string& program, const char* arguments) {
    std::string line(1, '"');
    line.append(program).append("\" ").append(arguments);
    return line;
}

long runSetup() {
    return runAndWait(commandLine(windowsPath(QUIL_SETUP_PATH), "/S"), kInstallPatienceMs);
}

struct Shortcut {
    bool read = false;
    std::string target;
    std::string workingDir;
};

// A .lnk file read back through the shell's own IShellLink.
Shortcut readShortcut(const fs::path& file) {
    Shortcut s;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return s;
    }
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(file.wstring().c_str(), STGM_READ))) {
            char buffer[MAX_PATH] = {};
            link->GetPath(buffer, MAX_PATH, nullptr, 0);
            s.target = buffer;
            char dir[MAX_PATH] = {};
            link->GetWorkingDirectory(dir, MAX_PATH);
            s.workingDir = dir;
            s.read = true;
        }
        persist->Release();
    }
    link->Release();
    return s;
}

std::string fileVersion(const fs::path& exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.string().c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(exe.string().c_str(), 0, size, data.data())) return "";
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                        reinterpret_cast<void**>(&value), &length)) {
        return "";
    }
    return std::string(value, length > 0 ? length - 1 : 0);
}

bool registryKeyExists(const char* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

std::string registryString(const char* key, const char* name) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return "";
    }
    return value;
}

// Paths compared as Windows compares them: in any case, without a final
// separator.
std::string sameCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
    return s;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class Installer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(Installer, SilentlyInstallsEveryFileInTheUsersOwnProgramsFolder) {
    ASSERT_FALSE(fs::exists(installDir())) << "the prefix is not fresh";
    ASSERT_EQ(runSetup(), 0);
    for (const auto& name : kInstalledFiles)
        EXPECT_TRUE(fs::is_regular_file(installDir() / name)) << name;
    for (const char* exe : {"Quilbrand2.exe", "Lensory.exe", "plakette2.exe"})
        EXPECT_EQ(fileVersion(installDir() / exe), QUIL_VERSION) << exe;
    EXPECT_EQ(readAll(installDir() / "options.cfg"), kNewUserOptions);
}

TEST_F(Installer, ShortcutsStartInTheInstallationFolderAndTheTrackerStartsAtLogOn) {
    const std::string dir = sameCase(installDir().string());
    std::vector<fs::path> shortcuts;
    for (const auto& name : kMenuShortcuts) shortcuts.push_back(menuFolder() / name);
    shortcuts.push_back(logonShortcut());
    const std::vector<std::string> targets = {"quilbrand2.exe", "lensory.exe", "manual.pdf",
                                              "manual-en.pdf", "quilbrand2.exe"};
    for (size_t i = 0; i < shortcuts.size(); ++i) {
        SCOPED_TRACE(shortcuts[i].string());
        const Shortcut s = readShortcut(shortcuts[i]);
        ASSERT_TRUE(s.read);
        EXPECT_EQ(sameCase(s.target), sameCase((installDir() / targets[i]).string()));
        EXPECT_EQ(sameCase(s.workingDir), dir);
    }
}

TEST_F(Installer, ListsItselfAmongTheInstalledProgramsWithItsUninstaller) {
    EXPECT_EQ(registryString(kUninstallKey, "DisplayName"), "Quilbrand");
    EXPECT_EQ(registryString(kUninstallKey, "DisplayVersion"), QUIL_VERSION);
    const std::string uninstaller = sameCase((installDir() / "uninstall.exe").string());
    EXPECT_EQ(sameCase(registryString(kUninstallKey, "UninstallString")),
              std::string(1, '"').append(uninstaller).append(1, '"'));
}

TEST_F(Installer, TheTrackerStartedFromItsShortcutWarnsOfNoCameraAndExitsWithZero) {
    const Shortcut s = readShortcut(menuFolder() / "Quilbrand2.lnk");
    ASSERT_TRUE(s.read);
    Program program(s.target, s.workingDir);
    ASSERT_TRUE(program.started());
    const HWND box = program.waitWindow(kBoxClass, kWarning, true);
    ASSERT_NE(box, nullptr) << "no warning";
    EXPECT_EQ(messageBoxText(box), "La camara no esta conectada");
    pressOk(box);
    EXPECT_EQ(program.waitExit(), 0);
}

// The tracker's start reads the new user's file and leaves it as it is.
TEST_F(Installer, InstallingAgainKeepsTheUsersOptions) {
    EXPECT_EQ(readAll(installDir() / "options.cfg"), kNewUserOptions);
    const std::string mine = "0 1 0\n1 0 1\n";
    { std::ofstream(installDir() / "options.cfg", std::ios::binary) << mine; }
    ASSERT_EQ(runSetup(), 0);
    EXPECT_EQ(readAll(installDir() / "options.cfg"), mine);
    EXPECT_TRUE(fs::is_regular_file(installDir() / "Quilbrand2.exe"));
}

TEST_F(Installer, SilentUninstallRemovesEverythingItMadeAndKeepsTheOptions) {
    // The uninstaller runs from a copy of itself and returns at once; its
    // last step is the entry in the list of installed programs.
    ASSERT_EQ(runAndWait(commandLine((installDir() / "uninstall.exe").string(), "/S"),
                         kInstallPatienceMs),
              0);
    ASSERT_TRUE(waitUntil([] { return !registryKeyExists(kUninstallKey); }, kInstallPatienceMs));
    for (const auto& name : kInstalledFiles) EXPECT_FALSE(fs::exists(installDir() / name)) << name;
    EXPECT_FALSE(fs::exists(installDir() / "licences"));
    EXPECT_TRUE(fs::is_regular_file(installDir() / "options.cfg"))
        << "a silent uninstall keeps them";
    EXPECT_FALSE(fs::exists(menuFolder()));
    EXPECT_FALSE(fs::exists(logonShortcut()));
}

}  // namespace
}  // namespace quil::wintest
