#pragma once

#include "backends/bridge/BridgeSession.h"
#include "port/Screens.h"

namespace kelvra::kwin {

// The outputs and work areas the bridge reports; the pointer asked of the compositor.
class KWinScreens final : public port::Screens {
  public:
    explicit KWinScreens(bridge::BridgeSession& session) : session_(session) {}

    std::vector<port::PlatformScreen> screens() override;
    std::optional<Point> pointerLocation() override;
    Subscription onScreensChanged(std::function<void()> callback) override;

  private:
    bridge::BridgeSession& session_;
};

}  // namespace kelvra::kwin
