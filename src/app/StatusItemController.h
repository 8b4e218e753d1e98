#pragma once

#include <memory>

#include "geometry/ZoneID.h"
#include "platform/port/Signal.h"
#include "platform/port/Surfaces.h"

namespace kelvra {

class AppSettings;
struct CustomLayout;

// The tray icon and its menu, drawn through the surfaces port. For now the icon follows
// the permission and pause state and the menu's choices are announced; the menu's items
// arrive with the tray itself.
class StatusItemController {
  public:
    explicit StatusItemController(AppSettings& settings);
    ~StatusItemController();

    // Redraws the icon for the permission and pause state.
    void refreshIcon();
    port::TrayModel model() const;

    Signal<ZoneID> onZoneSelected;
    Signal<> onShowHUD;
    Signal<> onShowSettings;
    Signal<> onShowOnboarding;
    Signal<CustomLayout, int> onApplyCustomZone;

  private:
    AppSettings& settings_;
    std::unique_ptr<port::Surface> surface_;
};

}  // namespace kelvra
