#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// User defaults in memory.
class SimDefaults final : public port::UserDefaults {
  public:
    explicit SimDefaults(SimState& s) : s_(s) {}
    std::optional<port::DefaultsValue> object(const std::string& key) override {
        auto it = s_.defaults.find(key);
        if (it == s_.defaults.end()) return std::nullopt;
        return it->second;
    }
    void set(const std::string& key, const port::DefaultsValue& value) override {
        s_.defaults[key] = value;
    }
    void remove(const std::string& key) override { s_.defaults.erase(key); }

    // Stand in for a file whose saves fail and later work again.
    void failSave(const std::string& reason) { saveFailed_.emit(reason); }
    void recoverSave() { saveRecovered_.emit(); }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
