#pragma once

#include <optional>
#include <string>

namespace kelvra::port {

// What the program knows about its own package.
class BundleInfo {
  public:
    virtual ~BundleInfo() = default;
    // A value of the package's information dictionary ("SUFeedURL", "CFBundleShortVersionString").
    virtual std::optional<std::string> infoValue(const std::string& key) = 0;
};

}  // namespace kelvra::port
