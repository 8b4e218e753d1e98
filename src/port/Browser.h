#pragma once

#include <string>

namespace kelvra::port {

// The user's web browser.
class Browser {
  public:
    virtual ~Browser() = default;
    // Opens the address; false when no browser could be started.
    virtual bool open(const std::string& url) = 0;
};

}  // namespace kelvra::port
