#pragma once

#include <optional>
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
    // Asks for one line of text, the field pre-filled with `defaultText` and showing
    // `placeholder` when empty. Nothing when the user cancels.
    virtual std::optional<std::string> prompt(const AlertRequest& request,
                                              const std::string& defaultText,
                                              const std::string& placeholder) = 0;
};

}  // namespace kelvra::port
