#pragma once

#include "geometry/TopEdgeAction.h"

namespace kelvra::settingDefaults {

// Each preference's value until the user changes it. The store, the synced payload
// and the settings window's reset all read these; nothing restates them.
inline constexpr bool launchAtLogin = false;
inline constexpr bool showTrayIcon = true;
inline constexpr bool crashReportingEnabled = true;
inline constexpr bool dragSnapEnabled = true;
inline constexpr bool cornerQuarterPriority = true;
inline constexpr bool snapAssistEnabled = true;
inline constexpr TopEdgeAction topEdgeAction = TopEdgeAction::topHalf;
inline constexpr double overlayOpacity = 0.18;
inline constexpr bool tilingEnabled = true;
inline constexpr double windowGap = 8.0;
inline constexpr double screenPadding = 0.0;
inline constexpr double minWindowWidth = 400.0;
inline constexpr bool dividerDoubleClickReset = true;
inline constexpr bool hasCompletedOnboarding = false;

}  // namespace kelvra::settingDefaults
