#pragma once

#include <optional>
#include <string>

#include "port/ManagerSnapping.h"

namespace kelvra::wm {

// KWin's own edge snapping: quick tiling at the left and right edges and maximizing at
// the top (kwinrc [Windows] ElectricBorderTiling and ElectricBorderMaximize, both on
// unless set), the same on X11 and on Wayland. Changes are written to the user's kwinrc
// and KWin is told to reconfigure.
class KWinEdgeSnapping final : public port::ManagerSnapping {
  public:
    std::string managerName() const override { return "KWin"; }
    std::optional<bool> isOn() override;
    std::optional<std::string> switchOff() override;
    bool restore(const std::string& saved) override;
};

}  // namespace kelvra::wm
