// The engine choice of the tray menu's "Precise tracking" in Quilbrand2 run
// as the user runs it: the test build with the landmark model beside it, as
// the build leaves it, and a copy of it in a folder without the model. The
// menu itself is worked in shell_test.cpp (menus cannot be read
// from another process under Wine); here its command is sent as the menu
// sends it, and its effect read from the options file in the program's folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "program_harness.h"

namespace quil::wintest {
namespace {

namespace fs = std::filesystem;

constexpr char kMainClass[] = "Quilbrand2";
constexpr WPARAM kCmdExit = 32771;
constexpr WPARAM kCmdPrecise = 32773;
constexpr char kModelFile[] = "shape_predictor_5_face_landmarks.dat";

constexpr char kDefaultText[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0\n";
constexpr char kClassicForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0";
constexpr char kPreciseForm[] = "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1";

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program started from `program` in `dir`, running its message loop.
struct RunningProgram {
    RunningProgram(const std::string& program, const fs::path& dir)
        : process(program, dir, {{"QUIL_STANDIN", "scene=still"}}) {
        main = process.waitWindow(kMainClass, kMainClass);
        waitUntil([&] { return main != nullptr && IsWindowVisible(main) != FALSE; });
        waitEvent(dir, "capture first-grab");
    }
    // Sent rather than posted: the command has been carried out on return.
    LRESULT command(WPARAM id) const {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(main, WM_COMMAND, id, 0, SMTO_NORMAL, kPatienceMs, &result);
        return static_cast<LRESULT>(result);
    }
    void exit() {
        EXPECT_EQ(command(kCmdExit), 1);
        EXPECT_EQ(process.waitExit(), 0);
    }

    Program process;
    HWND main = nullptr;
};

TEST(PreciseTrackingChoice, IsSavedAndTheNextStartKeepsIt) {
    const fs::path beside = fs::path(windowsPath(QUIL_TEST_PROGRAM_PATH)).parent_path();
    ASSERT_TRUE(fs::exists(beside / kModelFile)) << "the build puts the model beside the program";
    const fs::path dir = freshWorkDir("precise-choice");
    const fs::path options = dir / "options.cfg";
    {
        RunningProgram r(QUIL_TEST_PROGRAM_PATH, dir);
        ASSERT_NE(r.main, nullptr);
        EXPECT_EQ(readAll(options), kDefaultText);
        EXPECT_EQ(r.command(kCmdPrecise), 1);
        EXPECT_EQ(readAll(options), kPreciseForm);
        r.exit();
    }

    // Started again with the precise engine chosen, the same command goes back
    // to the classic engine, saved in the form without a choice.
    RunningProgram again(QUIL_TEST_PROGRAM_PATH, dir);
    ASSERT_NE(again.main, nullptr);
    EXPECT_EQ(readAll(options), kPreciseForm) << "the start rewrote the file";
    EXPECT_EQ(again.command(kCmdPrecise), 1);
    EXPECT_EQ(readAll(options), kClassicForm);
    again.exit();
}

TEST(PreciseTrackingChoice, WithoutTheModelNothingChanges) {
    const fs::path dir = freshWorkDir("precise-choice-no-model");
    const fs::path program = dir / "Quilbrand2Test.exe";
    fs::copy_file(windowsPath(QUIL_TEST_PROGRAM_PATH), program);
    ASSERT_FALSE(fs::exists(dir / kModelFile));
    RunningProgram r(program.string(), dir);
    ASSERT_NE(r.main, nullptr);
    EXPECT_EQ(r.command(kCmdPrecise), 1);
    EXPECT_EQ(readAll(dir / "options.cfg"), kDefaultText);
    EXPECT_TRUE(r.process.running());
    r.exit();
}

}  // namespace
}  // namespace quil::wintest
