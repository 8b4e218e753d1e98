#pragma once

#include "port/KeyboardLayout.h"

namespace kelvra::kwin {

// What keys type, for showing shortcuts. A Wayland client learns the keymap only
// through a window with keyboard focus, so this answers for a US layout.
class KWinKeyboardLayout final : public port::KeyboardLayout {
  public:
    std::optional<std::string> translate(uint16_t virtualKeyCode) override;
};

}  // namespace kelvra::kwin
