#pragma once

namespace kelvra::gnome {

// Puts the extension, in the format the running GNOME Shell loads, where the shell finds
// it for this user, when missing or different; enables it in GSettings. A running Wayland
// session loads no extension that was new when it started: a new one works from the next
// login, which the log says. Problems are logged: Kelvra then runs without arranging
// windows.
void installBridge();

// Disables the extension in GSettings (the running shell lets go of it) and removes the
// user's copy. Returns the process's exit status, after telling on standard error what
// failed.
int removeBridge();

}  // namespace kelvra::gnome
