#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvra {

// The program's main menu as data: the quit item and the standard editing commands,
// so the program's own windows and text fields get the usual key equivalents.
struct MenuCommand {
    std::string title;      // localized; empty for a separator
    std::string action;     // "terminate:", "undo:", ...
    std::string key;        // key equivalent
    uint64_t modifiers = 0; // window-system modifier flags
    bool separator = false;
};

struct MainMenu {
    std::vector<MenuCommand> appMenu;   // untitled first menu
    std::string editTitle;
    std::vector<MenuCommand> editMenu;

    // Built from the current language.
    static MainMenu build();
};

}  // namespace kelvra
