#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Published.h"
#include "geometry/TopEdgeAction.h"
#include "port/UserDefaults.h"
#include "settings/CustomLayout.h"
#include "settings/ExcludedApp.h"
#include "settings/KeyCombo.h"
#include "settings/PlacementRule.h"
#include "settings/SettingsDefaults.h"
#include "settings/Workspace.h"

namespace kelvra {

// The one store of preferences and user-made records. Loads from the user defaults
// at construction and writes the whole set back after every assignment.
class AppSettings {
  public:
    explicit AppSettings(port::UserDefaults& defaults);
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    Published<bool> launchAtLogin{settingDefaults::launchAtLogin};
    Published<bool> showTrayIcon{settingDefaults::showTrayIcon};
    Published<bool> crashReportingEnabled{settingDefaults::crashReportingEnabled};
    Published<std::optional<std::string>> languageCode{std::nullopt};
    Published<bool> dragSnapEnabled{settingDefaults::dragSnapEnabled};
    Published<bool> cornerQuarterPriority{settingDefaults::cornerQuarterPriority};
    Published<bool> snapAssistEnabled{settingDefaults::snapAssistEnabled};
    Published<TopEdgeAction> topEdgeAction{settingDefaults::topEdgeAction};
    Published<double> overlayOpacity{settingDefaults::overlayOpacity};
    Published<bool> tilingEnabled{settingDefaults::tilingEnabled};
    Published<double> windowGap{settingDefaults::windowGap};
    Published<double> screenPadding{settingDefaults::screenPadding};
    Published<double> minWindowWidth{settingDefaults::minWindowWidth};
    Published<bool> dividerDoubleClickReset{settingDefaults::dividerDoubleClickReset};
    Published<ShortcutTable> shortcuts{KeyCombo::defaults()};
    Published<std::vector<CustomLayout>> customLayouts{};
    Published<std::vector<Workspace>> workspaces{};
    Published<std::vector<PlacementRule>> placementRules{};
    Published<std::vector<ExcludedApp>> excludedApps{};
    Published<bool> paused{false};  // never stored
    Published<bool> hasCompletedOnboarding{settingDefaults::hasCompletedOnboarding};

    // Emitted before any published field changes.
    Signal<> objectWillChange;

    // False for none; otherwise whether an excluded app has exactly this identifier.
    bool isExcluded(const std::optional<std::string>& appId) const;

    // Registers or unregisters the login item according to launchAtLogin.
    void applyLaunchAtLogin();

    // Writes every stored field (does nothing while loading).
    void persist();

    bool loading() const { return loading_; }
    port::UserDefaults& defaults() { return defaults_; }

  private:
    void load();
    void installHooks();

    port::UserDefaults& defaults_;
    bool loading_ = false;
};

}  // namespace kelvra
