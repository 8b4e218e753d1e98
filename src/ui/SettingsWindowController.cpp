#include "ui/SettingsWindowController.h"

#include <array>

#include "l10n/L10n.h"
#include "platform/port/Platform.h"

namespace kelvra {

namespace {
constexpr std::array<const char*, 9> tabIds = {"general",   "snap",    "tiling",
                                               "shortcuts", "layout",  "workspaces",
                                               "autoPlace", "exclude", "account"};
}  // namespace

SettingsWindowController::SettingsWindowController(AppSettings& settings) : settings_(settings) {}

SettingsWindowController::~SettingsWindowController() = default;

port::SettingsWindowModel SettingsWindowController::model() const {
    port::SettingsWindowModel m;
    m.title = L10n::shared().string("settings");
    for (const char* id : tabIds) m.tabs.push_back({id, id, {}});
    m.selectedTab = tabIds[static_cast<size_t>(tab_)];
    return m;
}

void SettingsWindowController::show(std::optional<SettingsTab> select) {
    if (select) tab_ = *select;
    if (!surface_) surface_ = platform().surfaces->create(model());
    if (!surface_) return;
    surface_->setModel(model());
    surface_->setVisible(true);
}

}  // namespace kelvra
