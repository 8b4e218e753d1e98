#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// A US keyboard unless the test says what a key types.
class SimKeyboardLayout final : public port::KeyboardLayout {
  public:
    explicit SimKeyboardLayout(SimState& s) : s_(s) {}
    std::optional<std::string> translate(uint16_t keyCode) override;

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
