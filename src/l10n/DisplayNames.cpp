#include "l10n/DisplayNames.h"

#include "l10n/L10n.h"

namespace kelvra {

std::string displayName(ZoneID zone) {
    return L10n::shared().string("zone." + std::string(rawValue(zone)));
}

std::string label(SnapAction action) {
    if (auto z = zone(action)) {
        return format(L10n::shared().string("act.snapTo"), {displayName(*z)});
    }
    switch (action) {
        case SnapAction::restore:
            return L10n::shared().string("act.restore");
        case SnapAction::showZonePicker:
            return L10n::shared().string("hud.show");
        default:
            return L10n::shared().string("act.nextDisplay");
    }
}

}  // namespace kelvra
