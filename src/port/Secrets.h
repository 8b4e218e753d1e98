#pragma once

#include <optional>
#include <string>

namespace kelvra::port {

// The session's secret store (passwords and tokens), readable by the user only.
class Secrets {
  public:
    virtual ~Secrets() = default;
    // Whether a store answers on this session; without one nothing can be kept.
    virtual bool available() = 0;
    virtual std::optional<std::string> load(const std::string& key) = 0;
    // False with a description in `error` when the store refused or is missing.
    virtual bool store(const std::string& key, const std::string& value, std::string& error) = 0;
    // Removing a missing item succeeds.
    virtual bool remove(const std::string& key) = 0;
};

}  // namespace kelvra::port
