#pragma once

#include "backends/sim/SimState.h"
#include "geometry/Coord.h"

namespace kelvra::sim {

// The simulated displays. Tests set them up in the bottom-left space, the way one
// platform reports them; the port gives them in the top-left space against the
// arrangement of the moment.
class SimScreens final : public port::Screens {
  public:
    explicit SimScreens(SimState& s) : s_(s) {}
    std::vector<port::PlatformScreen> screens() override {
        std::vector<port::PlatformScreen> list = s_.screens;
        if (list.empty()) return list;
        const double primaryHeight = list.front().frame.height;
        for (auto& screen : list) {
            screen.frame = Coord::flip(screen.frame, primaryHeight);
            screen.visibleFrame = Coord::flip(screen.visibleFrame, primaryHeight);
        }
        return list;
    }
    std::optional<Point> pointerLocation() override { return s_.pointer; }
    Subscription onScreensChanged(std::function<void()> callback) override {
        return s_.screensChanged.connect(std::move(callback));
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
