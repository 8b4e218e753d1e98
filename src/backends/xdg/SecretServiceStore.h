#pragma once

#include <optional>
#include <string>

#include "port/Secrets.h"

namespace kelvra::xdg {

// Secrets in the session's Secret Service (the desktop's keyring) through libsecret:
// items of the schema "org.kelvra.Kelvra", told apart by the attribute "account".
// Without a service answering on D-Bus nothing is kept, and never anywhere else.
class SecretServiceStore final : public port::Secrets {
  public:
    SecretServiceStore() = default;
    ~SecretServiceStore() override;

    bool available() override;
    std::optional<std::string> load(const std::string& key) override;
    bool store(const std::string& key, const std::string& value, std::string& error) override;
    bool remove(const std::string& key) override;

  private:
    void* service_ = nullptr;  // SecretService*, held once a service has answered
};

}  // namespace kelvra::xdg
