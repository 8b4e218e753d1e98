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
    static constexpr const char* beganNotification = "KelvraKeyRecordingBegan";
    static constexpr const char* endedNotification = "KelvraKeyRecordingEnded";

    KeyRecorder();
    ~KeyRecorder();

    void start(const std::string& action, AppSettings& settings);
    void stop();

    // The action being recorded, or none.
    Published<std::optional<std::string>> recording{std::nullopt};

  private:
    std::optional<port::KeyMonitorId> monitor_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
