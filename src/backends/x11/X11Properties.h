#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backends/x11/X11Connection.h"

namespace kelvra::x11 {

// A CARDINAL property read directly (for windows the property cache does not watch,
// such as docks). A missing property, a wrong type or a failed request read as nothing.
std::optional<std::vector<long>> readCardinals(X11Connection& c, Window w, const char* property);

// Latin-1 text (Xlib's legacy strings and typed keys) as UTF-8.
std::string latin1ToUtf8(std::string_view latin1);

}  // namespace kelvra::x11
