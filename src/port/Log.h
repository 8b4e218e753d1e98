#pragma once

#include <string>

namespace kelvra::port {

// The system log. Every line the program writes begins with "Kelvra: ".
class Log {
  public:
    virtual ~Log() = default;
    virtual void line(const std::string& text) = 0;
};

}  // namespace kelvra::port
