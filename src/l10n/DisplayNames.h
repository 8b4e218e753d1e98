#pragma once

#include <string>

#include "base/ZoneID.h"
#include "geometry/SnapAction.h"

namespace kelvra {

// The localized display name of a zone (key "zone." + raw value).
std::string displayName(ZoneID zone);
// The localized label of an action ("Snap to Left half", "Restore previous position", ...).
std::string label(SnapAction action);

}  // namespace kelvra
