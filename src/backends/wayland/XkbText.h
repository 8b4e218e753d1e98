#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct xkb_state;

namespace kelvra::wayland {

// The text (UTF-8) a key position types without modifiers in a compiled keymap; nothing
// for a key without a position or one that types a control character.
std::optional<std::string> typedText(xkb_state* state, uint16_t virtualKey);

}  // namespace kelvra::wayland
