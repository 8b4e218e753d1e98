#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kelvra::port {

// The current keyboard layout.
class KeyboardLayout {
  public:
    virtual ~KeyboardLayout() = default;
    // The text (UTF-8) the key types without modifiers, or nothing.
    virtual std::optional<std::string> translate(uint16_t virtualKeyCode) = 0;
};

}  // namespace kelvra::port
