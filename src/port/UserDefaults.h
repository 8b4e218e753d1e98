#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/Signal.h"

namespace kelvra::port {

using Data = std::vector<uint8_t>;
using StringArray = std::vector<std::string>;

// A stored value keeps its kind: a Boolean stays a Boolean, data stays data.
using DefaultsValue = std::variant<bool, double, std::string, StringArray, Data>;

// One user-defaults domain (one per application id).
class UserDefaults {
  public:
    virtual ~UserDefaults() = default;
    virtual std::optional<DefaultsValue> object(const std::string& key) = 0;
    virtual void set(const std::string& key, const DefaultsValue& value) = 0;
    virtual void remove(const std::string& key) = 0;

    // A change could not be written (the folder is read-only or full): the reason. The
    // value stays in memory and goes out with the next save that works.
    Subscription onSaveFailed(std::function<void(const std::string&)> listener) {
        return saveFailed_.connect(std::move(listener));
    }
    // A save worked again after failing.
    Subscription onSaveRecovered(std::function<void()> listener) {
        return saveRecovered_.connect(std::move(listener));
    }

  protected:
    // Implementations announce their saves through these.
    Signal<std::string> saveFailed_;
    Signal<> saveRecovered_;
};

}  // namespace kelvra::port
