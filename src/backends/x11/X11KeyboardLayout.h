#pragma once

#include "port/KeyboardLayout.h"

namespace kelvra::x11 {

class X11Connection;
class VirtualKeyCodes;

// What a key types in the keyboard group (layout) that is active now.
class X11KeyboardLayout final : public port::KeyboardLayout {
  public:
    X11KeyboardLayout(X11Connection& connection, const VirtualKeyCodes& keys);
    std::optional<std::string> translate(uint16_t virtualKeyCode) override;

  private:
    X11Connection& connection_;
    const VirtualKeyCodes& keys_;
};

}  // namespace kelvra::x11
