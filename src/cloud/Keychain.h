#pragma once

#include <optional>
#include <string>

namespace kelvra {

// The account's items in the session's secret store (the platform's Secrets), never
// anywhere else: without a store nothing is kept.
class Keychain {
  public:
    static constexpr const char* token = "cloudToken";
    static constexpr const char* email = "cloudEmail";
    static constexpr const char* tier = "cloudTier";
    static constexpr const char* deviceID = "cloudDeviceID";

    // Whether a secret store answers on this session.
    static bool available();
    static std::optional<std::string> get(const std::string& key);
    // False when the store refused or is missing; the reason goes to the log.
    static bool set(const std::string& value, const std::string& key);
    static void remove(const std::string& key);
};

}  // namespace kelvra
