#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The program's own package information, as the test sets it.
class SimBundleInfo final : public port::BundleInfo {
  public:
    explicit SimBundleInfo(SimState& s) : s_(s) {}
    std::optional<std::string> infoValue(const std::string& key) override {
        auto it = s_.info.find(key);
        if (it == s_.info.end()) return std::nullopt;
        return it->second;
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
