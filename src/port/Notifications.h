#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Subscription.h"

namespace kelvra::port {

struct Notification {
    std::string title;
    std::string body;
    std::vector<std::pair<std::string, std::string>> actions;  // id and label
};

// The desktop's notifications: a message in the corner that takes no focus.
class Notifications {
  public:
    virtual ~Notifications() = default;
    // False when no notification server answers (nothing was shown).
    virtual bool show(const Notification& notification) = 0;
    // The id of an action the user chose on one of the program's notifications.
    virtual Subscription onAction(std::function<void(const std::string& id)> listener) = 0;
};

// A desktop without a notification server.
class NoNotifications final : public Notifications {
  public:
    bool show(const Notification&) override { return false; }
    Subscription onAction(std::function<void(const std::string&)>) override { return {}; }
};

}  // namespace kelvra::port
