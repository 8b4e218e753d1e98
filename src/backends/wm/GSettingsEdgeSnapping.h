#pragma once

#include <optional>
#include <string>

#include "port/ManagerSnapping.h"

namespace kelvra::wm {

// Edge snapping kept as one boolean key of a GSettings schema: Mutter and GNOME Shell
// (org.gnome.mutter edge-tiling), Muffin (org.cinnamon.muffin edge-tiling), Marco
// (org.mate.Marco.general allow-tiling). A schema that is not installed, or settings
// that only live in memory (no dconf), read as unknown and are never written.
class GSettingsEdgeSnapping final : public port::ManagerSnapping {
  public:
    GSettingsEdgeSnapping(std::string managerName, std::string schema, std::string key);

    std::string managerName() const override { return managerName_; }
    std::optional<bool> isOn() override;
    std::optional<std::string> switchOff() override;
    bool restore(const std::string& saved) override;

  private:
    std::string managerName_;
    std::string schema_;
    std::string key_;
    bool told_ = false;  // why the settings cannot be kept was logged
};

}  // namespace kelvra::wm
