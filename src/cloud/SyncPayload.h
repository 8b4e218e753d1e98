#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geometry/TopEdgeAction.h"
#include "settings/CustomLayout.h"
#include "settings/ExcludedApp.h"
#include "settings/KeyCombo.h"
#include "settings/SettingsDefaults.h"

namespace kelvra {

class AppSettings;

// The settings kept identical on all the user's machines. The rest (login item, crash
// reports, snap assist, workspaces, placement rules, pause, onboarding) stays per
// machine.
struct SyncPayload {
    bool dragSnapEnabled = settingDefaults::dragSnapEnabled;
    bool cornerQuarterPriority = settingDefaults::cornerQuarterPriority;
    TopEdgeAction topEdgeAction = settingDefaults::topEdgeAction;
    double overlayOpacity = settingDefaults::overlayOpacity;
    bool tilingEnabled = settingDefaults::tilingEnabled;
    double windowGap = settingDefaults::windowGap;
    double screenPadding = settingDefaults::screenPadding;
    double minWindowWidth = settingDefaults::minWindowWidth;
    bool dividerDoubleClickReset = settingDefaults::dividerDoubleClickReset;
    bool showTrayIcon = settingDefaults::showTrayIcon;
    std::optional<std::string> languageCode;
    ShortcutTable shortcuts;
    std::vector<CustomLayout> customLayouts;
    std::vector<ExcludedApp> excludedApps;

    static SyncPayload from(const AppSettings& settings);
    // Replaces each field of the store as a whole, in the order above.
    void apply(AppSettings& settings) const;

    // The blob: JSON with every object's keys sorted, so equal settings give equal
    // text. Empty when it cannot be encoded.
    std::string blob() const;
    // Every key but languageCode is required; nothing for anything else.
    static std::optional<SyncPayload> decode(const std::string& blob);
};

}  // namespace kelvra
