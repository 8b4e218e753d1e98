#include "backends/xdg/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kelvra::xdg {

namespace {

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    // Services started without a login environment still have a password entry.
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

}  // namespace

std::filesystem::path configHome() {
    // A relative value is invalid by the convention and must be ignored.
    if (const char* v = std::getenv("XDG_CONFIG_HOME"); v && v[0] == '/') return v;
    return homeFolder() / ".config";
}

}  // namespace kelvra::xdg
