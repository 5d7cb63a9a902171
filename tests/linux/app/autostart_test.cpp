// The log-on entry: what the session reads back as the program's path, and
// the file written whole or removed.
#include "linux/app/autostart.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quil::lnx {
namespace {

namespace fs = std::filesystem;

TEST(Autostart, ExecArgumentsAreQuotedAndEscapedOnlyWhereTheKeyReservesCharacters) {
    EXPECT_EQ(execArgument("/usr/bin/quilbrand"), "/usr/bin/quilbrand");
    EXPECT_EQ(execArgument("/home/ana/mis programas/quilbrand"),
              "\"/home/ana/mis programas/quilbrand\"");
    // Inside quotes $ and " are escaped, then every backslash doubled.
    EXPECT_EQ(execArgument("/a $b\"c"), "\"/a \\\\$b\\\\\"c\"");
    EXPECT_EQ(execArgument("/opt/100%/q"), "/opt/100%%/q");
    EXPECT_EQ(execArgument(""), "\"\"");
    EXPECT_EQ(execArgument("/opt/cámara/q"), "/opt/cámara/q");
}

TEST(Autostart, TheEntryStartsTheProgramAndIsWrittenAndRemovedWhole) {
    const fs::path dir = fs::temp_directory_path() / ("quil-autostart-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const fs::path entry = dir / "autostart" / "quilbrand.desktop";
    EXPECT_FALSE(autostartOn(entry));

    EXPECT_TRUE(setAutostart(entry, "/usr/bin/quilbrand", true)) << "the folder is made";
    EXPECT_TRUE(autostartOn(entry));
    std::ifstream in(entry);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), autostartEntry("/usr/bin/quilbrand"));
    EXPECT_NE(text.str().find("\nExec=/usr/bin/quilbrand\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(entry.string() + ".new"));

    EXPECT_TRUE(setAutostart(entry, "/usr/bin/quilbrand", false));
    EXPECT_FALSE(autostartOn(entry));
    EXPECT_TRUE(setAutostart(entry, "/usr/bin/quilbrand", false)) << "already off";

    // A folder that cannot be made: nothing written, and it says so.
    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(setAutostart(dir / "file" / "autostart" / "quilbrand.desktop", "/q", true));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quil::lnx
