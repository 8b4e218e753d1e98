#pragma once

#include <optional>
#include <string>

#include "port/ManagerSnapping.h"

namespace kelvra::kwin {

// KWin's own edge snapping: quick tiling at the left and right edges and maximizing at
// the top (kwinrc [Windows] ElectricBorderTiling and ElectricBorderMaximize, both on
// unless set). Changes are written to the user's kwinrc and KWin is told to reconfigure.
class KWinEdgeSnapping final : public port::ManagerSnapping {
  public:
    std::string managerName() const override { return "KWin"; }
    std::optional<bool> isOn() override;
    std::optional<std::string> switchOff() override;
    bool restore(const std::string& saved) override;
};

}  // namespace kelvra::kwin
