#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "base/ZoneID.h"
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

// Puts the frontmost window into a zone of the built-in layout.
struct ZoneAction {
    ZoneID zone;
    friend bool operator==(const ZoneAction&, const ZoneAction&) = default;
};

// The program's own commands, offered in the tray menu next to the snapping.
enum class Command {
    saveWorkspace,
    togglePause,
    openSettings,
    openShortcuts,
    showOnboarding,
    checkForUpdates,
    showUpdateStatus,
    showAbout,
    quit
};

// What the user asked for, by shortcut, tray menu or picker: parsed once where the
// text enters the program, dispatched as a type.
using Action = std::variant<SnapAction, WorkspaceAction, CustomZoneAction, ZoneAction, Command>;

// A snap action's raw name ("snapLeftHalf"), "workspace:<identifier>" or
// "customZone:<layout identifier>:<zone index>"; nothing for any other text.
std::optional<Action> parseAction(std::string_view name);

// A stable name for any action, as parseAction reads it where it can; zones are
// "zone:<zone>" and commands their own name. Menus use it as an item's key.
std::string actionName(const Action& action);

}  // namespace kelvra
