#pragma once

#include <map>
#include <string>

#include "port/Secrets.h"

namespace kelvra::sim {

// The secret store of the simulated desktop: a map, or missing when the test says so.
class SimSecrets final : public port::Secrets {
  public:
    bool available() override { return available_; }
    std::optional<std::string> load(const std::string& key) override {
        auto it = items_.find(key);
        if (!available_ || it == items_.end()) return std::nullopt;
        return it->second;
    }
    bool store(const std::string& key, const std::string& value, std::string& error) override {
        if (!available_) {
            error = "no secret store on this session";
            return false;
        }
        items_[key] = value;
        return true;
    }
    bool remove(const std::string& key) override {
        if (!available_) return false;
        items_.erase(key);
        return true;
    }

    void setAvailable(bool available) { available_ = available; }
    const std::map<std::string, std::string>& items() const { return items_; }

  private:
    bool available_ = true;
    std::map<std::string, std::string> items_;
};

}  // namespace kelvra::sim
