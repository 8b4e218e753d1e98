#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace kelvra::sim {

// What each key of a US (ANSI) keyboard types without modifiers, by virtual key code.
// Keys that type nothing printable (arrows, function keys) are absent.
const std::map<uint16_t, std::string>& usKeyboardLayout();

}  // namespace kelvra::sim
