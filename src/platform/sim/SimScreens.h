#pragma once

#include "platform/sim/SimState.h"

namespace kelvra::sim {

// The simulated displays (frames in the bottom-left space, as the platform reports them).
class SimScreens final : public port::Screens {
  public:
    explicit SimScreens(SimState& s) : s_(s) {}
    std::vector<port::PlatformScreen> screens() override { return s_.screens; }
    Subscription onScreensChanged(std::function<void()> callback) override {
        return s_.screensChanged.connect(std::move(callback));
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
