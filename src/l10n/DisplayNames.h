#pragma once

#include <string>

#include "base/ZoneID.h"
#include "geometry/SnapAction.h"

namespace kelvra {

class L10n;

// The localized display name of a zone (key "zone." + raw value).
std::string displayName(ZoneID zone, const L10n& l10n);
// The localized label of an action ("Snap to Left half", "Restore previous position", ...).
std::string label(SnapAction action, const L10n& l10n);

}  // namespace kelvra
