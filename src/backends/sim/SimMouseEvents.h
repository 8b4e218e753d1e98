#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The global mouse source, fed by the test; it can be made to fail to start.
class SimMouseEvents final : public port::MouseEvents {
  public:
    explicit SimMouseEvents(SimState& s) : s_(s) {}
    bool start(std::function<void(const port::MouseEvent&)> handler) override {
        if (s_.mouseFails || !handler) return false;
        s_.mouseHandler = std::move(handler);
        s_.mouseRunning = true;
        return true;
    }
    void stop() override {
        s_.mouseRunning = false;
        s_.mouseHandler = nullptr;
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
