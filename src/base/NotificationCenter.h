#pragma once

#include <functional>
#include <map>
#include <string>

#include "base/Published.h"
#include "base/Subscription.h"

namespace kelvra {

// The program's own notification centre: named notifications without payload,
// posted and observed on the main thread.
class NotificationCenter {
  public:
    static NotificationCenter& shared();

    // Observers are called synchronously, in the order they were added.
    void post(const std::string& name);
    Subscription addObserver(const std::string& name, std::function<void()> observer);

  private:
    std::map<std::string, Signal<>> signals_;
};

}  // namespace kelvra
