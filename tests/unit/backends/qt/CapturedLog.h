#pragma once

#include <string>
#include <vector>

#include "port/Platform.h"

namespace kelvra::test {

// Installs a platform whose log keeps the lines, for code under test that logs.
class CapturedLog : public port::Log {
  public:
    CapturedLog() {
        Platform p;
        p.log = this;
        installPlatform(p);
    }
    ~CapturedLog() override { uninstallPlatform(); }
    void line(const std::string& text) override { lines.push_back(text); }
    // How many lines hold `part`.
    size_t count(const std::string& part) const {
        size_t n = 0;
        for (const auto& l : lines) n += l.find(part) != std::string::npos;
        return n;
    }

    std::vector<std::string> lines;
};

}  // namespace kelvra::test
