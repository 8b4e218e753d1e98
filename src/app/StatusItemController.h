#pragma once

#include <functional>

#include "geometry/ZoneID.h"

namespace kelvra {

class AppSettings;
struct CustomLayout;

// The tray icon and its menu. For now it exposes the menu's callbacks and counts
// icon refreshes; the tray itself arrives with the program's own panels.
class StatusItemController {
public:
    explicit StatusItemController(AppSettings& settings);

    // Redraws the icon for the permission and pause state.
    void refreshIcon();
    int refreshCount() const { return refreshCount_; }

    std::function<void(ZoneID)> onZoneSelected;
    std::function<void()> onShowHUD;
    std::function<void()> onShowSettings;
    std::function<void()> onShowOnboarding;
    std::function<void(const CustomLayout&, int)> onApplyCustomZone;

private:
    [[maybe_unused]] AppSettings& settings_;
    int refreshCount_ = 0;
};

}  // namespace kelvra
