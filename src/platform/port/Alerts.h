#pragma once

#include <string>
#include <vector>

namespace kelvra::port {

struct AlertRequest {
    std::string messageText;
    std::string informativeText;
    std::vector<std::string> buttons;  // first is the default button
};

// Modal alerts of the program's own.
class Alerts {
  public:
    static constexpr int firstButtonReturn = 1000;
    virtual ~Alerts() = default;
    // Blocks until the user answers; returns firstButtonReturn + the index of the button.
    virtual int runModal(const AlertRequest& request) = 0;
};

}  // namespace kelvra::port
