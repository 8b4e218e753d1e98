#pragma once

#include <map>
#include <optional>
#include <string>

#include "settings/KeyCombo.h"

namespace kelvra {

enum class ShortcutState {
    free,
    taken,         // another program holds it
    serverAction,  // the keymap gives it to the display server (ending the session, say)
};

// Where a combination stands on this desktop, asked before anything is registered.
ShortcutState checkShortcut(const KeyCombo& combo);

// Every entry of the table with where it stands.
std::map<std::string, ShortcutState> checkShortcuts(const ShortcutTable& table);

// A complete set of shortcuts to offer instead of the defaults: the same keys with other
// modifiers, so that only the modifiers are new to learn.
struct AlternativeShortcuts {
    std::string modifiers;  // as this desktop writes them: "Ctrl+Super"
    ShortcutTable table;
};

// The first alternative set every combination of which is free here; none when each
// has one taken. In order: Ctrl+Super (left alone by the stock bindings of the managers
// tried), Alt+Super, Ctrl+Alt+Shift, then Alt+Shift (for a manager that holds the Super
// key itself and Ctrl+Alt+Shift+arrows, as IceWM does).
std::optional<AlternativeShortcuts> freeAlternativeShortcuts();

// The table with every entry that still holds its default replaced by the alternative's,
// so that keys the user chose stay.
ShortcutTable withAlternative(const ShortcutTable& current,
                              const AlternativeShortcuts& alternative);

}  // namespace kelvra
