#pragma once

#include <optional>
#include <string>

#include "port/ManagerSnapping.h"

namespace kelvra::wm {

// xfwm4's own edge snapping: tiling a window dragged to an edge (xfconf channel xfwm4,
// property /general/tile_on_move). Read and written through the xfconf service on the
// session bus, which xfwm4 listens to; a property never set takes xfwm4's shipped
// default (its `defaults` file, on unless it says otherwise).
class XfwmEdgeSnapping final : public port::ManagerSnapping {
  public:
    std::string managerName() const override { return "Xfwm4"; }
    std::optional<bool> isOn() override;
    std::optional<std::string> switchOff() override;
    bool restore(const std::string& saved) override;

  private:
    // The value set in xfconf, "" when none is set; absent when xfconf does not answer.
    std::optional<std::string> setValue();
};

}  // namespace kelvra::wm
