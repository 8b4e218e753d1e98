#pragma once

#include <optional>
#include <string>
#include <vector>

#include "arrange/CustomLayout.h"
#include "arrange/PlacementRule.h"
#include "arrange/Workspace.h"
#include "base/Published.h"
#include "geometry/TopEdgeAction.h"
#include "input/KeyCombo.h"
#include "port/UserDefaults.h"
#include "settings/ExcludedApp.h"

namespace kelvra {

// The one store of preferences and user-made records. Loads from the user defaults
// at construction and writes the whole set back after every assignment.
class AppSettings {
  public:
    explicit AppSettings(port::UserDefaults& defaults);
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    Published<bool> launchAtLogin{false};
    Published<bool> showMenuBarIcon{true};
    Published<bool> crashReportingEnabled{true};
    Published<std::optional<std::string>> languageCode{std::nullopt};
    Published<bool> dragSnapEnabled{true};
    Published<bool> cornerQuarterPriority{true};
    Published<bool> snapAssistEnabled{true};
    Published<TopEdgeAction> topEdgeAction{TopEdgeAction::topHalf};
    Published<double> overlayOpacity{0.18};
    Published<bool> tilingEnabled{true};
    Published<double> windowGap{8.0};
    Published<double> screenPadding{0.0};
    Published<double> minWindowWidth{400.0};
    Published<bool> dividerDoubleClickReset{true};
    Published<ShortcutTable> shortcuts{KeyCombo::defaults()};
    Published<std::vector<CustomLayout>> customLayouts{};
    Published<std::vector<Workspace>> workspaces{};
    Published<std::vector<PlacementRule>> placementRules{};
    Published<std::vector<ExcludedApp>> excludedApps{};
    Published<bool> paused{false};  // never stored
    Published<bool> hasCompletedOnboarding{false};

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
