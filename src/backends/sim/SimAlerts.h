#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// Alerts answer at once with the response the test set, and are recorded. A prompt
// answers with the text the test set (the pre-filled text when none) unless the
// response is not the first button.
class SimAlerts final : public port::Alerts {
  public:
    explicit SimAlerts(SimState& s) : s_(s) {}
    int runModal(const port::AlertRequest& request) override {
        s_.alerts.push_back(request);
        return s_.alertResponse;
    }
    std::optional<std::string> prompt(const port::AlertRequest& request,
                                      const std::string& defaultText, const std::string&) override {
        s_.alerts.push_back(request);
        if (s_.alertResponse != firstButtonReturn) return std::nullopt;
        return s_.promptAnswer.value_or(defaultText);
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
