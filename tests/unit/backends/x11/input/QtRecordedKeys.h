#pragma once

// Free of Qt's headers, whose names collide with Xlib's that the X11 tests include.

#include <optional>
#include <vector>

#include "port/KeyMonitor.h"

namespace kelvra::x11 {
class X11Connection;
class VirtualKeyCodes;
}  // namespace kelvra::x11

namespace kelvra::test {

// A key of a US keyboard as X names it (its keysym) and as Qt reports a press of it.
struct QtKeyRow {
    unsigned long keysym;
    int qtKey;
    bool keypad;                    // Qt flags keypad keys with a modifier of their own
    const char* xkbName = nullptr;  // for keys typing another keysym (F13 types XF86Tools)
};

// Every key that can be recorded (all but Escape), keypad keys with Num Lock on and off.
const std::vector<QtKeyRow>& recordableQtKeys();

// What the program's windows record for a Control+Alt press of the row's key: from the
// press's X keycode (its native scan code), or, with a scan code of 0, from Qt's key.
std::optional<port::KeyEvent> recordQtKey(x11::X11Connection& connection,
                                          const x11::VirtualKeyCodes& keys, const QtKeyRow& row,
                                          unsigned int scanCode);

}  // namespace kelvra::test
