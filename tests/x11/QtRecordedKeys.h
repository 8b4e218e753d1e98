#pragma once

// Kept free of Qt's and Xlib's headers, whose names collide: the X11 tests include
// this next to Xlib.

#include <optional>
#include <vector>

#include "platform/port/KeyMonitor.h"

namespace kelvra::x11 {
class VirtualKeyCodes;
}

namespace kelvra::test {

// A key of a US keyboard as X names it (its keysym) and as Qt reports a press of it.
struct QtKeyRow {
    unsigned long keysym;
    int qtKey;
    bool keypad;  // Qt flags keypad keys with a modifier of their own
    // The XKB name of the key, for keys that keymaps give other keysyms (F13 types
    // XF86Tools on a standard Linux keymap).
    const char* xkbName = nullptr;
};

// Every key that can be recorded (all but Escape, which ends a recording), keypad
// keys both with Num Lock on and off.
const std::vector<QtKeyRow>& recordableQtKeys();

// What the program's own windows record for a Control+Alt press of the row's key:
// from the X keycode of the press (the event's native scan code), or, with a scan
// code of 0, from Qt's key alone.
std::optional<port::KeyEvent> recordQtKey(const x11::VirtualKeyCodes& keys, const QtKeyRow& row,
                                          unsigned int scanCode);

}  // namespace kelvra::test
