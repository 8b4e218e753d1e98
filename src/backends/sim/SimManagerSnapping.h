#pragma once

#include <optional>
#include <string>

#include "port/ManagerSnapping.h"

namespace kelvra::sim {

// A window manager with its own edge snapping whose settings a test sets: the manager's
// name (empty: none), whether it snaps, and whether its settings can be read and written.
class SimManagerSnapping final : public port::ManagerSnapping {
  public:
    std::string name;
    bool on = false;
    bool readable = true;
    bool writable = true;

    std::string managerName() const override { return name; }
    std::optional<bool> isOn() override {
        if (!readable) return std::nullopt;
        return on;
    }
    std::optional<std::string> switchOff() override {
        if (!writable || !readable) return std::nullopt;
        const std::string saved = on ? "on" : "off";
        on = false;
        return saved;
    }
    bool restore(const std::string& saved) override {
        if (!writable) return false;
        on = saved == "on";
        return true;
    }
};

}  // namespace kelvra::sim
