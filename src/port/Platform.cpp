#include "port/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace kelvra {

namespace {
std::optional<Platform>& installed() {
    static std::optional<Platform> p;
    return p;
}
}  // namespace

Platform& platform() {
    auto& p = installed();
    if (!p) {
        std::fputs("Kelvra: no platform installed\n", stderr);
        std::abort();
    }
    return *p;
}

void installPlatform(const Platform& p) {
    installed() = p;
}

void uninstallPlatform() {
    installed().reset();
}

void logLine(const std::string& text) {
    auto& p = installed();
    std::string line = "Kelvra: " + text;
    if (p && p->log) {
        p->log->line(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace kelvra
