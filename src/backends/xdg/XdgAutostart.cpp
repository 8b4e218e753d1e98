#include "backends/xdg/XdgAutostart.h"

#include <system_error>

#include "backends/xdg/AtomicFile.h"
#include "backends/xdg/XdgPaths.h"

namespace kelvra::xdg {

namespace {

// Quotes a path as one Exec argument: inside double quotes, the characters ", `, $
// and \ take a backslash; then the value itself escapes backslashes once more, and
// a literal % is doubled so that it is not read as a field code.
std::string execArgument(const std::string& path) {
    static const std::string reserved = " \t\"'\\><~|&;$*?#()`";
    bool needsQuotes = path.find_first_of(reserved) != std::string::npos;
    std::string arg;
    if (needsQuotes) arg.push_back('"');
    for (char c : path) {
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) arg.push_back('\\');
        arg.push_back(c);
    }
    if (needsQuotes) arg.push_back('"');
    std::string value;
    for (char c : arg) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value.push_back(c);
    }
    return value;
}

}  // namespace

XdgAutostart::XdgAutostart() : entryFile_(configHome() / "autostart" / "kelvra.desktop") {}

XdgAutostart::XdgAutostart(std::filesystem::path entryFile, std::filesystem::path executable)
    : entryFile_(std::move(entryFile)), executable_(std::move(executable)) {}

bool XdgAutostart::entryText(const std::filesystem::path& executable, std::string& text,
                             std::string& error) {
    const std::string path = executable.string();
    if (path.empty() || path.front() != '/') {
        error = "the program's path is not absolute: \"" + path + "\"";
        return false;
    }
    if (path.find_first_of(std::string("\n\r\0", 3)) != std::string::npos) {
        error = "the program's path cannot be written in a desktop entry: \"" + path + "\"";
        return false;
    }
    text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Kelvra\n"
        "Comment=Window arranging\n"
        "Exec=" +
        execArgument(path) +
        "\n"
        "Terminal=false\n"
        "NoDisplay=false\n";
    return true;
}

bool XdgAutostart::registerMainApp(std::string& error) {
    std::filesystem::path exe = executable_;
    if (exe.empty()) {
        std::error_code ec;
        exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec) {
            error = "cannot find the program's path: " + ec.message();
            return false;
        }
    }
    // A replaced or removed binary still runs, but its old path would start nothing.
    if (std::error_code ec; !std::filesystem::is_regular_file(exe, ec)) {
        error = "the program file " + exe.string() + " no longer exists";
        return false;
    }
    std::string text;
    if (!entryText(exe, text, error)) return false;
    return writeFileAtomically(entryFile_, text, error, 0644);
}

bool XdgAutostart::unregisterMainApp(std::string& error) {
    std::error_code ec;
    std::filesystem::remove(entryFile_, ec);  // an absent entry is already the goal
    if (ec) {
        error = "cannot remove " + entryFile_.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace kelvra::xdg
