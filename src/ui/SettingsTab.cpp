#include "ui/SettingsTab.h"

namespace kelvra {

namespace {
constexpr std::array<std::string_view, 9> rawValues = {"general",   "snap",    "tiling",
                                                       "shortcuts", "layout",  "workspaces",
                                                       "autoPlace", "exclude", "account"};
// Freedesktop names that every icon theme has; the window draws a fallback otherwise.
constexpr std::array<std::string_view, 9> icons = {
    "preferences-system", "view-split-left-right", "view-grid",
    "input-keyboard",     "view-grid-symbolic",    "view-restore",
    "system-run",         "action-unavailable",    "avatar-default"};
}  // namespace

const std::array<SettingsTab, 9>& allSettingsTabs() {
    static constexpr std::array<SettingsTab, 9> tabs = {
        SettingsTab::general,   SettingsTab::snap,    SettingsTab::tiling,
        SettingsTab::shortcuts, SettingsTab::layout,  SettingsTab::workspaces,
        SettingsTab::autoPlace, SettingsTab::exclude, SettingsTab::account};
    return tabs;
}

std::string_view rawValue(SettingsTab tab) {
    return rawValues[static_cast<size_t>(tab)];
}

std::optional<SettingsTab> settingsTabFromRaw(std::string_view raw) {
    for (size_t i = 0; i < rawValues.size(); ++i)
        if (rawValues[i] == raw) return static_cast<SettingsTab>(i);
    return std::nullopt;
}

std::string_view iconName(SettingsTab tab) {
    return icons[static_cast<size_t>(tab)];
}

}  // namespace kelvra
