#pragma once

#include <map>
#include <string>

#include "platform/port/BundleInfo.h"

namespace kelvra::qt {

// The package information compiled into the program. It declares no update feed:
// packages are updated by the distribution's package manager.
class StaticBundleInfo final : public port::BundleInfo {
  public:
    StaticBundleInfo();
    std::optional<std::string> infoValue(const std::string& key) override;

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace kelvra::qt
