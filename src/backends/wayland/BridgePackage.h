#pragma once

#include <QString>

namespace kelvra::wayland {

// The files of a bridge package Kelvra ships (the KWin script, the GNOME Shell
// extension) and the user's copy of them.

// The package `name` (a folder under bridges/): next to the program in the build tree,
// under share/kelvra when installed; empty when neither has it.
QString shippedBridge(const QString& name);

// Copies the folder `from`, with everything in it, to `to`.
bool copyTree(const QString& from, const QString& to);

// Removes the user's copy at `path` if there is one; false, after saying so on standard
// error, when it stays.
bool removeCopy(const QString& path);

}  // namespace kelvra::wayland
