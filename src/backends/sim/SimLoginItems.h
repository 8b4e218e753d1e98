#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The login item: remembers the last registration, or fails as the test says.
class SimLoginItems final : public port::LoginItems {
  public:
    explicit SimLoginItems(SimState& s) : s_(s) {}
    bool registerMainApp(std::string& error) override { return change(true, error); }
    bool unregisterMainApp(std::string& error) override { return change(false, error); }

  private:
    bool change(bool registered, std::string& error) {
        if (s_.loginItemFailure) {
            error = *s_.loginItemFailure;
            return false;
        }
        s_.loginItemRegistered = registered;
        return true;
    }
    SimState& s_;
};

}  // namespace kelvra::sim
