#pragma once

#include <string>
#include <vector>

#include "port/Windows.h"

namespace kelvra::x11 {

// What a client window is for, from its window types (atom names in the order the
// client listed them, most preferred first) and whether it is transient.
port::WindowKind windowKindFor(const std::vector<std::string>& windowTypes, bool transient);

// Whether a window counts as a taskbar window: a standard window the client did not
// ask to keep off the taskbar.
bool isTaskbarWindow(const std::vector<std::string>& windowTypes, bool transient, bool skipTaskbar);

}  // namespace kelvra::x11
