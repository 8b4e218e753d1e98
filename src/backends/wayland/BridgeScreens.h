#pragma once

#include "backends/bridge/BridgeSession.h"
#include "backends/wayland/BridgeWait.h"
#include "port/Screens.h"

namespace kelvra::wayland {

// The outputs and work areas the bridge reports; the pointer asked of the compositor.
class BridgeScreens final : public port::Screens {
  public:
    BridgeScreens(bridge::BridgeSession& session, BridgeWait& wait)
        : session_(session), wait_(wait) {}

    std::vector<port::PlatformScreen> screens() override;
    std::optional<Point> pointerLocation() override;
    Subscription onScreensChanged(std::function<void()> callback) override;

  private:
    bridge::BridgeSession& session_;
    BridgeWait& wait_;
};

}  // namespace kelvra::wayland
