#pragma once

#include <string>
#include <vector>

#include "base/Signal.h"
#include "port/Notifications.h"

namespace kelvra::sim {

// A notification server a test can stop (none runs then), with what it was shown; the
// test chooses an action through choose().
class SimNotifications final : public port::Notifications {
  public:
    bool serverRuns = true;
    std::vector<port::Notification> shown;

    bool show(const port::Notification& notification) override {
        if (!serverRuns) return false;
        shown.push_back(notification);
        return true;
    }
    Subscription onAction(std::function<void(const std::string&)> listener) override {
        return chosen_.connect(std::move(listener));
    }
    void choose(const std::string& id) { chosen_.emit(id); }

  private:
    Signal<std::string> chosen_;
};

}  // namespace kelvra::sim
