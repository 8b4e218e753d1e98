#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace kelvra::sim {

// What each key of a US (ANSI) keyboard types without modifiers, by virtual key code.
// Keys that type nothing printable (arrows, function keys, Return) are absent, as
// they are from the X11 keyboard layout.
const std::map<uint16_t, std::string>& usKeyboardLayout();

// Every key of that keyboard, by virtual key code: the keys hot keys can be
// registered on, the same set the X11 backend knows positions for.
const std::set<uint16_t>& usKeyboardKeys();

}  // namespace kelvra::sim
