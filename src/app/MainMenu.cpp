#include "app/MainMenu.h"

#include "l10n/L10n.h"
#include "platform/port/KeyMonitor.h"

namespace kelvra {

MainMenu MainMenu::build() {
    auto& l = L10n::shared();
    using namespace port::modifierFlags;
    MainMenu m;
    m.appMenu.push_back({l.string("menu.quit"), "terminate:", "q", command, false});
    m.editTitle = l.string("edit.menu");
    m.editMenu = {
        {l.string("edit.undo"), "undo:", "z", command, false},
        {l.string("edit.redo"), "redo:", "z", command | shift, false},
        {"", "", "", 0, true},
        {l.string("edit.cut"), "cut:", "x", command, false},
        {l.string("edit.copy"), "copy:", "c", command, false},
        {l.string("edit.paste"), "paste:", "v", command, false},
        {l.string("edit.selectAll"), "selectAll:", "a", command, false},
    };
    return m;
}

}  // namespace kelvra
