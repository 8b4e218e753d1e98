#pragma once

#include <optional>
#include <string_view>
#include <variant>

#include "geometry/SnapAction.h"
#include "settings/Uuid.h"

namespace kelvra {

// Brings back the saved workspace with this identifier.
struct WorkspaceAction {
    Uuid id;
    friend bool operator==(const WorkspaceAction&, const WorkspaceAction&) = default;
};

// Puts the frontmost window into one zone of a saved custom layout.
struct CustomZoneAction {
    Uuid layout;
    int index = 0;
    friend bool operator==(const CustomZoneAction&, const CustomZoneAction&) = default;
};

// What the user asked for, by shortcut, tray menu or picker: parsed once where the
// text enters the program, dispatched as a type.
using Action = std::variant<SnapAction, WorkspaceAction, CustomZoneAction>;

// A snap action's raw name ("snapLeftHalf"), "workspace:<identifier>" or
// "customZone:<layout identifier>:<zone index>"; nothing for any other text.
std::optional<Action> parseAction(std::string_view name);

}  // namespace kelvra
