#pragma once

#include <optional>

#include "ax/AXWindow.h"
#include "geometry/ScreenInfo.h"
#include "geometry/ZoneID.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Offers the other windows for the rest of the screen after a snap. For now it
// remembers the last snap it was told about; the offer arrives later.
class SnapAssistController {
  public:
    SnapAssistController(AppSettings& settings, SnapEngine& engine);

    // Decides by itself whether to offer anything.
    void maybeShow(ZoneID afterSnapping, const ScreenInfo& on, const AXWindow& snapped);

    struct Offer {
        ZoneID zone;
        AXWindow window;
    };
    const std::optional<Offer>& lastSnapSeen() const { return last_; }

  private:
    [[maybe_unused]] AppSettings& settings_;
    [[maybe_unused]] SnapEngine& engine_;
    std::optional<Offer> last_;
};

}  // namespace kelvra
