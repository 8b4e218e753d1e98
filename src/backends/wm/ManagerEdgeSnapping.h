#pragma once

#include <memory>
#include <string_view>

#include "port/ManagerSnapping.h"

namespace kelvra::wm {

// The edge snapping of the window manager that calls itself `managerName` (its EWMH
// name: "KWin", "Xfwm4", "Mutter", "GNOME Shell", "Mutter (Muffin)", "Metacity (Marco)");
// null for a manager whose snapping Kelvra does not know.
std::unique_ptr<port::ManagerSnapping> edgeSnappingOf(std::string_view managerName);

}  // namespace kelvra::wm
