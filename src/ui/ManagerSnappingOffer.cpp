#include "ui/ManagerSnappingOffer.h"

#include <vector>

#include "input/ManagerSnappingConflict.h"
#include "l10n/L10n.h"

namespace kelvra {

std::optional<ManagerSnappingOffer> managerSnappingOffer(const ManagerSnappingConflict& conflict,
                                                         const L10n& l10n) {
    const std::vector<std::string> name{conflict.managerName()};
    using Situation = ManagerSnappingConflict::Situation;
    switch (conflict.situation()) {
        case Situation::none:
            return std::nullopt;
        case Situation::bothOn:
            return ManagerSnappingOffer{"managerSnapOff",
                                        format(l10n.string("snap.managerOn"), name),
                                        l10n.string("snap.managerSwitchOff")};
        case Situation::switchedOff:
            return ManagerSnappingOffer{"managerSnapRestore",
                                        format(l10n.string("snap.managerOff"), name),
                                        l10n.string("snap.managerRestore")};
        case Situation::unreadable:
            return ManagerSnappingOffer{"", format(l10n.string("snap.managerUnknown"), name), ""};
    }
    return std::nullopt;
}

}  // namespace kelvra
