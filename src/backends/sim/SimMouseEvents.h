#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The global mouse source, fed by the test; it can be made to fail to start.
class SimMouseEvents final : public port::MouseEvents {
  public:
    explicit SimMouseEvents(SimState& s) : s_(s) {}
    Subscription onEvent(std::function<void(const port::MouseEvent&)> listener) override {
        return s_.mouse.connect(std::move(listener));
    }
    bool start() override {
        if (s_.mouseFails) return false;
        s_.mouseRunning = true;
        return true;
    }
    void stop() override { s_.mouseRunning = false; }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
