#pragma once

#include <optional>
#include <string>

#include "base/LifetimeGuard.h"
#include "base/Published.h"
#include "port/KeyMonitor.h"

namespace kelvra {

class AppSettings;

// Records a new key combination for one action from the next key press.
class KeyRecorder {
  public:
    KeyRecorder();
    ~KeyRecorder();

    void start(const std::string& action, AppSettings& settings);
    void stop();

    // The action being recorded, or none.
    Published<std::optional<std::string>> recording{std::nullopt};
    // A recording began or ended: the hot keys step aside meanwhile.
    Signal<> began;
    Signal<> ended;

  private:
    Subscription monitor_;  // the keys while recording
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
