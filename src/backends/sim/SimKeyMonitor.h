#pragma once

#include <memory>

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// Local key-down monitors, fed by the test.
class SimKeyMonitor final : public port::KeyMonitor {
  public:
    explicit SimKeyMonitor(SimState& s) : s_(s) {}
    Subscription onKeyDown(std::function<bool(const port::KeyEvent&)> listener) override {
        port::KeyMonitorId id = s_.nextKeyMonitor++;
        s_.keyMonitors[id] = std::move(listener);
        // A subscription that outlives the desktop has nothing left to remove.
        return Subscription([alive = std::weak_ptr<bool>(alive_), &s = s_, id] {
            if (alive.lock()) s.keyMonitors.erase(id);
        });
    }

  private:
    SimState& s_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kelvra::sim
