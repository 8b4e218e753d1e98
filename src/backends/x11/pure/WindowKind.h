#pragma once

#include <string>
#include <vector>

#include "port/Windows.h"

namespace kelvra::x11 {

// The accessibility subrole of a client window, from its window types (atom names in
// the order the client listed them, most preferred first) and whether it is transient.
std::string subroleFor(const std::vector<std::string>& windowTypes, bool transient);

// What the window is for, by the same rule.
port::WindowKind windowKindFor(const std::vector<std::string>& windowTypes, bool transient);

// Whether a window counts as a taskbar window: a standard window the client did not
// ask to keep off the taskbar.
bool isTaskbarWindow(const std::vector<std::string>& windowTypes, bool transient, bool skipTaskbar);

}  // namespace kelvra::x11
