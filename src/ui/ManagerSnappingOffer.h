#pragma once

#include <optional>
#include <string>

namespace kelvra {

class L10n;
class ManagerSnappingConflict;

// What the snap tab and onboarding say about the window manager's own edge snapping:
// the situation in a sentence and, where the user can change it, the button's id
// ("managerSnapOff", "managerSnapRestore") and label. Nothing when there is no conflict.
struct ManagerSnappingOffer {
    std::string id;  // empty: a note without a button
    std::string text;
    std::string button;
};

std::optional<ManagerSnappingOffer> managerSnappingOffer(const ManagerSnappingConflict& conflict,
                                                         const L10n& l10n);

}  // namespace kelvra
