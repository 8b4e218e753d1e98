#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The log keeps its lines for tests to read.
class SimLog final : public port::Log {
  public:
    explicit SimLog(SimState& s) : s_(s) {}
    void line(const std::string& text) override { s_.logLines.push_back(text); }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
