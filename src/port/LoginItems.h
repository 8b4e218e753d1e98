#pragma once

#include <string>

namespace kelvra::port {

// Starting the program when the user logs in.
class LoginItems {
  public:
    virtual ~LoginItems() = default;
    // On failure, false with a description in `error`.
    virtual bool registerMainApp(std::string& error) = 0;
    virtual bool unregisterMainApp(std::string& error) = 0;
};

}  // namespace kelvra::port
