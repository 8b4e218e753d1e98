#include "l10n/DisplayNames.h"

#include "l10n/L10n.h"

namespace kelvra {

std::string displayName(ZoneID zone, const L10n& l10n) {
    return l10n.string("zone." + std::string(rawValue(zone)));
}

std::string label(SnapAction action, const L10n& l10n) {
    if (auto z = zone(action)) {
        return format(l10n.string("act.snapTo"), {displayName(*z, l10n)});
    }
    switch (action) {
        case SnapAction::restore:
            return l10n.string("act.restore");
        case SnapAction::showZonePicker:
            return l10n.string("hud.show");
        default:
            return l10n.string("act.nextDisplay");
    }
}

}  // namespace kelvra
