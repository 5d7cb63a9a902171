#include "linux/app/autostart.h"

#include <fstream>
#include <system_error>

namespace quil::lnx {

namespace fs = std::filesystem;

std::string execArgument(const std::string& argument) {
    // The characters the Exec key reserves, which only a quoted argument
    // may hold; within quotes, these four are escaped with a backslash.
    // Path names are bytes: anything else passes as it is.
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    constexpr std::string_view kEscaped = "\"`$\\";
    const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
    std::string out = quote ? "\"" : "";
    for (char c : argument) {
        if (quote && kEscaped.find(c) != std::string_view::npos) out += '\\';
        out += c;
        // A literal percent sign is doubled, quoted or not: alone it starts
        // a field code.
        if (c == '%') out += '%';
    }
    if (quote) out += '"';
    // The value's own escaping comes on top: each backslash doubled.
    std::string value;
    for (char c : out) {
        value += c;
        if (c == '\\') value += '\\';
    }
    return value;
}

std::string autostartEntry(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quilbrand\n"
           "Comment=Hands-free mouse: the head moves the pointer\n"
           "Exec=" +
           execArgument(program) +
           "\n"
           "Icon=quilbrand\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool autostartOn(const fs::path& entryFile) {
    std::error_code ec;
    return fs::is_regular_file(entryFile, ec);
}

bool setAutostart(const fs::path& entryFile, const std::string& program, bool on) {
    std::error_code ec;
    if (!on) {
        fs::remove(entryFile, ec);
        return !ec;
    }
    fs::create_directories(entryFile.parent_path(), ec);
    if (ec) return false;
    // Written beside it and renamed over it, so that a session starting
    // meanwhile never reads half an entry.
    const fs::path partial = entryFile.string() + ".new";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << autostartEntry(program);
        if (!out.flush()) {
            fs::remove(partial, ec);
            return false;
        }
    }
    fs::rename(partial, entryFile, ec);
    if (ec) fs::remove(partial, ec);
    return autostartOn(entryFile);
}

}  // namespace quil::lnx
