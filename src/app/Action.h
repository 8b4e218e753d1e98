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

// What the user asked for, by shortcut, tray menu or picker: parsed once where the
// text enters the program, dispatched as a type.
using Action = std::variant<SnapAction, WorkspaceAction>;

// A snap action's raw name ("snapLeftHalf") or "workspace:<identifier>"; nothing for
// any other text.
std::optional<Action> parseAction(std::string_view name);

}  // namespace kelvra
