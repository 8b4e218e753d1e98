#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kelvra {

// The tabs of the settings window in sidebar order; the identifier is the case name.
enum class SettingsTab {
    general,
    snap,
    tiling,
    shortcuts,
    layout,
    workspaces,
    autoPlace,
    exclude,
    account
};

const std::array<SettingsTab, 9>& allSettingsTabs();
std::string_view rawValue(SettingsTab tab);
std::optional<SettingsTab> settingsTabFromRaw(std::string_view raw);
// A freedesktop icon name for the sidebar.
std::string_view iconName(SettingsTab tab);

}  // namespace kelvra
