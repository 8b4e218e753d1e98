#pragma once

#include <X11/Xlib.h>

namespace kelvra::x11 {

// Whether the keymap gives this key with these modifiers (an X state) to the server
// itself: a Terminate action (`terminate:ctrl_alt_bksp`) or a console switch (Ctrl+Alt+F1,
// ...), found by the action or by the keysym that carries it.
bool isServerAction(Display* display, KeyCode keycode, unsigned int modifiers);

}  // namespace kelvra::x11
