#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The user's preferred languages, as the test sets them.
class SimLocale final : public port::Locale {
  public:
    explicit SimLocale(SimState& s) : s_(s) {}
    std::vector<std::string> preferredLanguages() override { return s_.languages; }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
