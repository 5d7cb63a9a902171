// The words both shells show are written once, in app_layer/texts.h: no
// program's source spells one of them again. (Their values are checked where
// they show: the Windows programs' and the Linux program's tests read them
// off the screen.)
#include "app_layer/texts.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "onscreen_keyboard/layout.h"

namespace quil {
namespace {

namespace fs = std::filesystem;

// The folders of the two shells and of the programs beside them.
constexpr std::array kShellFolders{
    "shell",     "capture",           "eyes_window",    "camera_tool",  "options",
    "linux/app", "linux/camera_tool", "linux/keyboard", "win32_common", "onscreen_keyboard",
};

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each text as a literal opens in the source: quoted, up to its first line's
// end (the About text goes on in a second literal after "\n").
std::vector<std::string> literalOpenings() {
    std::vector<std::string> out;
    for (const std::string text :
         {kWarningCaption, kNoCameraText, kNoFormatText, kAboutCaption, kAboutText, kManualFile}) {
        const size_t end = text.find('\n');
        out.push_back('"' + (end == std::string::npos ? text + '"' : text.substr(0, end)));
    }
    return out;
}

TEST(Texts, NoShellSpellsASharedTextAgain) {
    const fs::path root = QUIL_SOURCE_DIR;
    ASSERT_TRUE(fs::exists(root / "app_layer" / "texts.h"));
    int scanned = 0;
    for (const char* folder : kShellFolders) {
        if (!fs::exists(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const fs::path& file = entry.path();
            if (file.extension() != ".h" && file.extension() != ".cpp") continue;
            ++scanned;
            const std::string source = readAll(file);
            for (const std::string& literal : literalOpenings()) {
                EXPECT_EQ(source.find(literal), std::string::npos)
                    << file.lexically_relative(root) << " spells out " << literal
                    << " (...): use app_layer/texts.h";
            }
        }
    }
    EXPECT_GT(scanned, 20) << "the shells' sources were not found";
}

// The keyboard program cannot see the shared texts: its two tracker keys
// spell the words again, and must spell them the same.
TEST(Texts, TheKeyboardsTrackerKeysSayTheSharedWords) {
    const auto ascii = [](std::u16string_view w) { return std::string(w.begin(), w.end()); };
    EXPECT_EQ(ascii(osk::kScrollKeyWord), kScrollKeyText);
    EXPECT_EQ(ascii(osk::kPauseKeyWord), kPauseKeyText);
}

}  // namespace
}  // namespace quil
