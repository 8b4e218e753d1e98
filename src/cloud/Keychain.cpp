#include "cloud/Keychain.h"

#include "port/Platform.h"

namespace kelvra {

bool Keychain::available() {
    auto* secrets = platform().secrets;
    return secrets && secrets->available();
}

std::optional<std::string> Keychain::get(const std::string& key) {
    auto* secrets = platform().secrets;
    if (!secrets) return std::nullopt;
    return secrets->load(key);
}

bool Keychain::set(const std::string& value, const std::string& key) {
    auto* secrets = platform().secrets;
    if (!secrets) {
        logLine("cannot keep " + key + ": no secret store");
        return false;
    }
    std::string error;
    if (secrets->store(key, value, error)) return true;
    // The reason names the store's trouble, never the value.
    logLine("cannot keep " + key + " in the secret store: " + error);
    return false;
}

void Keychain::remove(const std::string& key) {
    if (auto* secrets = platform().secrets) secrets->remove(key);
}

}  // namespace kelvra
