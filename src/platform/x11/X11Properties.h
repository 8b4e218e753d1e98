#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/x11/X11Connection.h"

namespace kelvra::x11 {

// Typed reads of window properties. A missing property, a wrong type or a failed
// request all read as nothing.
std::optional<std::vector<long>> readCardinals(X11Connection& c, Window w, const char* property);
std::vector<Window> readWindows(X11Connection& c, Window w, const char* property);
std::vector<Atom> readAtoms(X11Connection& c, Window w, const char* property);
// A UTF8_STRING property (the EWMH names).
std::optional<std::string> readUtf8(X11Connection& c, Window w, const char* property);
// WM_NAME, in whatever encoding the client used, converted to UTF-8.
std::optional<std::string> readWmName(X11Connection& c, Window w);
// WM_CLASS as (instance, class).
std::optional<std::pair<std::string, std::string>> readWmClass(X11Connection& c, Window w);

}  // namespace kelvra::x11
