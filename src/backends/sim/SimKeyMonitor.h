#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// Local key-down monitors, fed by the test.
class SimKeyMonitor final : public port::KeyMonitor {
  public:
    explicit SimKeyMonitor(SimState& s) : s_(s) {}
    port::KeyMonitorId addLocalKeyDownMonitor(
        std::function<bool(const port::KeyEvent&)> handler) override {
        port::KeyMonitorId id = s_.nextKeyMonitor++;
        s_.keyMonitors[id] = std::move(handler);
        return id;
    }
    void removeMonitor(port::KeyMonitorId monitor) override { s_.keyMonitors.erase(monitor); }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
