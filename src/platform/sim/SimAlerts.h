#pragma once

#include "platform/sim/SimState.h"

namespace kelvra::sim {

// Alerts answer at once with the response the test set, and are recorded.
class SimAlerts final : public port::Alerts {
  public:
    explicit SimAlerts(SimState& s) : s_(s) {}
    int runModal(const port::AlertRequest& request) override {
        s_.alerts.push_back(request);
        return s_.alertResponse;
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
