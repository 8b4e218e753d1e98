#pragma once

#include <map>
#include <string>

#include "port/BundleInfo.h"

namespace kelvra::qt {

// The package information compiled into the program. Only a build configured with an
// update feed and its signing key declares them ("SUFeedURL", "UpdatePublicKey"):
// distribution packages are updated by the package manager.
class StaticBundleInfo final : public port::BundleInfo {
  public:
    StaticBundleInfo();
    std::optional<std::string> infoValue(const std::string& key) override;

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace kelvra::qt
