#include "backends/qt/StderrLog.h"

#include <cstdio>

namespace kelvra::qt {

void StderrLog::line(const std::string& text) {
    static constexpr std::string_view prefix = "Kelvra: ";
    std::string out;
    if (!text.starts_with(prefix)) out = prefix;
    out += text;
    out += '\n';
    std::lock_guard lock(mutex_);
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

}  // namespace kelvra::qt
